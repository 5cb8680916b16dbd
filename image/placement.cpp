#include "image/placement.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

DisplayMode displayModeFromValue(std::int32_t value) {
    return static_cast<DisplayMode>(std::clamp<std::int32_t>(value, 0, 2));
}

Placement placePicture(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t pictureWidth,
                       std::int32_t pictureHeight, DisplayMode mode) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return {};
    const std::int32_t w = std::max(clientWidth, 0);
    const std::int32_t h = std::max(clientHeight, 0);
    switch (mode) {
        case DisplayMode::Natural: return {0, 0, pictureWidth, pictureHeight};
        case DisplayMode::Stretch: return {0, 0, w, h};
        case DisplayMode::Fit: break;
    }

    Placement at{0, 0, w, h};
    if (pictureWidth <= w) {
        at.x = (w - pictureWidth) / 2;
        at.width = pictureWidth;
    }
    if (pictureHeight <= h) {
        at.y = (h - pictureHeight) / 2;
        at.height = pictureHeight;
    }
    if (pictureWidth <= w && pictureHeight <= h) return at;

    // The ratios and products must stay in long double: in plain double 840 x 0.35 rounds up to
    // 294 and the picture would come out a pixel larger than it always has.
    const long double scaleX = static_cast<long double>(at.width) / pictureWidth;
    const double scaleY = static_cast<double>(static_cast<long double>(at.height) / pictureHeight);
    const long double scale = scaleX < scaleY ? scaleX : static_cast<long double>(scaleY);
    const auto drawnWidth = static_cast<std::int32_t>(std::trunc(pictureWidth * scale));
    const auto drawnHeight = static_cast<std::int32_t>(std::trunc(pictureHeight * scale));
    at.x += (at.width - drawnWidth) / 2;
    at.y += (at.height - drawnHeight) / 2;
    at.width = drawnWidth;
    at.height = drawnHeight;
    return at;
}

}  // namespace tavrel
