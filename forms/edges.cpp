#include "forms/edges.h"

#include <algorithm>

#include <QPainter>
#include <QPalette>
#include <QRect>

namespace tavrel::forms {
namespace {

// One ring of an edge: `topLeft` along the top and left, `bottomRight` along the other two sides.
void drawRing(QPainter& painter, const QRect& ring, const QColor& topLeft, const QColor& bottomRight) {
    if (ring.width() <= 0 || ring.height() <= 0) return;
    painter.setPen(topLeft);
    painter.drawLine(ring.topLeft(), ring.topRight());
    painter.drawLine(ring.topLeft(), ring.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(ring.bottomLeft(), ring.bottomRight());
    painter.drawLine(ring.topRight(), ring.bottomRight());
}

}  // namespace

BorderStyle borderStyleFrom(std::int32_t stored) {
    return static_cast<BorderStyle>(std::clamp(stored, 0, static_cast<std::int32_t>(BorderStyle::SingleLine)));
}

int edgeWidth(BorderStyle style) {
    switch (style) {
        case BorderStyle::Sunken: return 2;
        case BorderStyle::Raised: return 3;
        case BorderStyle::ThinSunken: return 1;
        case BorderStyle::SunkenRaised: return 5;
        case BorderStyle::SingleLine: return 1;
        case BorderStyle::None: break;
    }
    return 0;
}

void drawEdge(QPainter& painter, const QRect& outer, BorderStyle style, const QPalette& palette) {
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor darkShadow = palette.color(QPalette::Shadow);
    const QColor light = palette.color(QPalette::Light);
    const QColor face = palette.color(QPalette::Button);
    const QRect ring = outer;
    painter.save();
    switch (style) {
        case BorderStyle::None: break;
        case BorderStyle::ThinSunken: drawRing(painter, ring, shadow, light); break;
        case BorderStyle::SingleLine: drawRing(painter, ring, darkShadow, darkShadow); break;
        case BorderStyle::Sunken:
            drawRing(painter, ring, shadow, light);
            drawRing(painter, ring.adjusted(1, 1, -1, -1), darkShadow, face);
            break;
        case BorderStyle::Raised:
            drawRing(painter, ring, face, darkShadow);
            drawRing(painter, ring.adjusted(1, 1, -1, -1), light, shadow);
            drawRing(painter, ring.adjusted(2, 2, -2, -2), face, face);
            break;
        case BorderStyle::SunkenRaised:
            drawRing(painter, ring, face, darkShadow);
            drawRing(painter, ring.adjusted(1, 1, -1, -1), light, shadow);
            drawRing(painter, ring.adjusted(2, 2, -2, -2), face, face);
            drawRing(painter, ring.adjusted(3, 3, -3, -3), shadow, light);
            drawRing(painter, ring.adjusted(4, 4, -4, -4), darkShadow, face);
            break;
    }
    painter.restore();
}

}  // namespace tavrel::forms
