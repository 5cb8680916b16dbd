#include "forms/edit_box.h"

#include <algorithm>
#include <limits>

#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>

#include "forms/colours.h"
#include "forms/edges.h"
#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

bool isPrintable(QChar c) { return c.unicode() >= 0x20 && c.unicode() != 0x7F; }

}  // namespace

EditBox::EditBox(const ControlRecord& record, FormWindow& window) : QLineEdit(&window), Control(record, window) {
    setFrame(false);
    setAutoFillBackground(true);
    // A box lower than one line of text and its two edges is made that tall.
    const int edge = edgeWidth(borderStyleFrom(numberSetting(kBorderStyle)));
    height_ = std::max(height_, QFontMetrics(font()).height() + 2 * edge);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!mute_) fireEvent(kTextChanged);
    });
}

PropertyValue EditBox::readOwn(std::int32_t number) const {
    switch (number) {
        case kContent: return text().toStdString();
        case kSelectionStart: return std::int32_t{hasSelectedText() ? selectionStart() : cursorPosition()};
        case kSelectionLength: return std::int32_t{static_cast<std::int32_t>(selectedText().size())};
        case kSelectedText: return selectedText().toStdString();
        default: return Control::readOwn(number);
    }
}

void EditBox::writeOwn(std::int32_t number, const PropertyValue& value) {
    switch (number) {
        case kContent:
            // The box's own notification is swallowed; the one event comes after the text is in.
            mute_ = true;
            setText(QString::fromStdString(textFrom(value)));
            mute_ = false;
            fireEvent(kTextChanged);
            return;
        case kSelectionStart:
            setSelection(std::clamp(numberFrom(value), 0, static_cast<std::int32_t>(text().size())), 0);
            return;
        case kSelectionLength: {
            const int start = hasSelectedText() ? selectionStart() : cursorPosition();
            const int available = static_cast<int>(text().size()) - start;
            setSelection(start, std::clamp(numberFrom(value), 0, available));
            return;
        }
        case kSelectedText:
            // Replacing the selection is an ordinary change of the text: it is reported.
            insert(QString::fromStdString(textFrom(value)));
            return;
        default: Control::writeOwn(number, value); return;
    }
}

void EditBox::applySetting(std::int32_t number) {
    switch (number) {
        case kContent:
            mute_ = true;
            setText(QString::fromStdString(textSetting(kContent)));
            mute_ = false;
            break;
        case kBorderStyle: {
            const int edge = edgeWidth(borderStyleFrom(numberSetting(kBorderStyle)));
            setTextMargins(edge, edge, edge, edge);
            update();
            break;
        }
        case kTextColour:
        case kBackgroundColour: applyColours(); break;
        case kMaximumLength: {
            const std::int32_t limit = numberSetting(kMaximumLength);
            setMaxLength(limit <= 0 ? std::numeric_limits<int>::max() : limit);
            break;
        }
        case kAlignment: {
            const std::int32_t stored = numberSetting(kAlignment);
            const Qt::Alignment across = stored == 1 ? Qt::AlignHCenter : stored == 2 ? Qt::AlignRight : Qt::AlignLeft;
            setAlignment(across | Qt::AlignVCenter);
            break;
        }
        case kInputMode: {
            const auto mode = static_cast<InputMode>(numberSetting(kInputMode));
            setReadOnly(mode == InputMode::ReadOnly);
            setEchoMode(mode == InputMode::Password ? QLineEdit::Password : QLineEdit::Normal);
            break;
        }
        default: break;
    }
}

void EditBox::applyColours() {
    QPalette colours = palette();
    colours.setColor(QPalette::Text, colourFromRef(colourSetting(kTextColour)));
    colours.setColor(QPalette::Base, colourFromRef(colourSetting(kBackgroundColour, 0xFFFFFFu)));
    setPalette(colours);
}

QString EditBox::typeable(const QString& typed) const {
    const auto mode = static_cast<InputMode>(numberSetting(kInputMode));
    if (mode != InputMode::Integer && mode != InputMode::Decimal) return typed;
    QString kept;
    for (QChar c : typed) {
        const bool allowed = !isPrintable(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             c == QLatin1Char('-') || (mode == InputMode::Decimal && c == QLatin1Char('.'));
        if (allowed) kept.append(c);
    }
    return kept;
}

void EditBox::keyPressEvent(QKeyEvent* event) {
    // Typed characters the input mode refuses never reach the box; shortcuts such as paste do.
    const bool typing = !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    const QString typed = event->text();
    if (typing && !typed.isEmpty()) {
        const QString kept = typeable(typed);
        if (kept.isEmpty()) {
            event->accept();
            return;
        }
        if (kept != typed) {
            insert(kept);
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void EditBox::inputMethodEvent(QInputMethodEvent* event) {
    const QString kept = typeable(event->commitString());
    if (kept != event->commitString()) {
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filtered);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void EditBox::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    drawEdge(painter, rect(), borderStyleFrom(numberSetting(kBorderStyle)), palette());
}

}  // namespace tavrel::forms
