#include "forms/group_box.h"

#include <QFontMetrics>
#include <QPainter>

#include "forms/colours.h"
#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

// The caption sits this far in from the frame's corner, with a little gap either side.
constexpr int kCaptionIndent = 8;
constexpr int kCaptionGap = 2;

}  // namespace

GroupBox::GroupBox(const ControlRecord& record, FormWindow& window) : QWidget(&window), Control(record, window) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GroupBox::applySetting(std::int32_t) { update(); }

void GroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor face = colourFromRef(colourSetting(kBackgroundColour, kButtonFaceMarker));
    painter.fillRect(rect(), face);

    // An etched frame whose top edge runs through the middle of the caption's line: a dark ring
    // with a light one one pixel further in and down.
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const int right = width() - 1;
    const int bottom = height() - 1;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, top, right - 1, top);
    painter.drawLine(0, top, 0, bottom - 1);
    painter.drawLine(0, bottom - 1, right - 1, bottom - 1);
    painter.drawLine(right - 1, top, right - 1, bottom - 1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(1, top + 1, right - 2, top + 1);
    painter.drawLine(1, top + 1, 1, bottom - 2);
    painter.drawLine(0, bottom, right, bottom);
    painter.drawLine(right, top, right, bottom);

    const QString caption = QString::fromStdString(textSetting(kCaption));
    if (caption.isEmpty()) return;
    const int captionWidth = metrics.horizontalAdvance(caption) + 2 * kCaptionGap;
    int captionLeft = kCaptionIndent;
    if (numberSetting(kCaptionAlignment) == 1) captionLeft = (width() - captionWidth) / 2;
    if (numberSetting(kCaptionAlignment) == 2) captionLeft = width() - kCaptionIndent - captionWidth;
    const QRect captionArea(captionLeft, 0, captionWidth, metrics.height());
    painter.fillRect(captionArea, face);
    painter.setPen(colourFromRef(colourSetting(kTextColour)));
    painter.drawText(captionArea, Qt::AlignCenter | Qt::TextSingleLine, caption);
}

}  // namespace tavrel::forms
