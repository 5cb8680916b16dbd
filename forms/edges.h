#pragma once
// The border styles pictures, canvases, sliders, edit boxes and labels share.

#include <cstdint>

class QPainter;
class QRect;
class QPalette;

namespace tavrel::forms {

// 0 none; 1 sunken edge; 2 raised frame; 3 thin sunken edge of one pixel; 4 sunken edge inside a
// raised frame; 5 single line. Out-of-range values are clamped into the scale by the caller.
enum class BorderStyle : std::int32_t {
    None = 0,
    Sunken = 1,
    Raised = 2,
    ThinSunken = 3,
    SunkenRaised = 4,
    SingleLine = 5,
};

BorderStyle borderStyleFrom(std::int32_t stored);
// Pixels the edge takes on each side: the client area is that much smaller all round.
int edgeWidth(BorderStyle style);
void drawEdge(QPainter& painter, const QRect& outer, BorderStyle style, const QPalette& palette);

}  // namespace tavrel::forms
