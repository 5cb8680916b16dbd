#include "forms/colours.h"

#include <QApplication>
#include <QPalette>

namespace tavrel::forms {

QColor buttonFaceColour() { return QApplication::palette().color(QPalette::Button); }

QColor colourFromRef(std::uint32_t colour) {
    if (colour == kButtonFaceMarker) return buttonFaceColour();
    return QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                  static_cast<int>((colour >> 16) & 0xFFu));
}

}  // namespace tavrel::forms
