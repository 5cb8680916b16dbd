#include "forms/label.h"

#include <algorithm>

#include <QPainter>

#include "forms/colours.h"
#include "forms/edges.h"
#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

Qt::Alignment horizontalAlignment(std::int32_t stored) {
    switch (stored) {
        case 1: return Qt::AlignHCenter;
        case 2: return Qt::AlignRight;
        default: return Qt::AlignLeft;
    }
}

Qt::Alignment verticalAlignment(std::int32_t stored) {
    switch (stored) {
        case 0: return Qt::AlignTop;
        case 2: return Qt::AlignBottom;
        default: return Qt::AlignVCenter;
    }
}

// Style 6 is a gradient frame of its own width; the others are the shared edges.
constexpr std::int32_t kGradientFrame = 6;
constexpr std::int32_t kGradientFrameWidth = 11;

}  // namespace

Label::Label(const ControlRecord& record, FormWindow& window) : QWidget(&window), Control(record, window) {
    setFocusPolicy(Qt::NoFocus);
    // The label paints every pixel of its rectangle itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Label::applySetting(std::int32_t) { update(); }

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), colourFromRef(colourSetting(kBackgroundColour, kButtonFaceMarker)));

    QRect textArea = rect();
    const std::int32_t style = std::clamp(numberSetting(kBorderStyle), 0, kGradientFrame);
    if (style == kGradientFrame) {
        textArea = textArea.marginsRemoved(QMargins() + std::max(0, numberSetting(kGradientFrameWidth)));
    } else {
        const BorderStyle edge = borderStyleFrom(style);
        drawEdge(painter, rect(), edge, palette());
        textArea = textArea.marginsRemoved(QMargins() + edgeWidth(edge));
    }

    QString caption = QString::fromStdString(textSetting(kCaption));
    int flags = static_cast<int>(horizontalAlignment(numberSetting(kHorizontalAlignment)));
    if (numberSetting(kWordWrap) != 0) {
        // Wrapped text breaks at words and at line breaks and starts at the top.
        caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        flags |= Qt::AlignTop | Qt::TextWordWrap;
    } else {
        // One line: a line break in the caption is not a break here.
        flags |= static_cast<int>(verticalAlignment(numberSetting(kVerticalAlignment))) | Qt::TextSingleLine;
    }
    painter.setPen(colourFromRef(colourSetting(kTextColour)));
    painter.setFont(font());
    painter.drawText(textArea, flags, caption);
}

}  // namespace tavrel::forms
