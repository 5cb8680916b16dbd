#pragma once
// Where the preview box draws a picture in its client area, by display mode.

#include <cstdint>

namespace tavrel {

// The preview box's display modes; the values are the ones its property stores.
enum class DisplayMode : std::int32_t {
    Natural = 0,  // own size at the top-left corner
    Stretch = 1,  // stretched to the whole client area, aspect ratio not kept
    Fit = 2,      // reduced (never enlarged) to fit, and centred
};

// A stored display mode value, clamped into 0..2.
DisplayMode displayModeFromValue(std::int32_t value);

struct Placement {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const Placement&) const = default;
};

// The rectangle a pictureWidth x pictureHeight picture takes in a clientWidth x clientHeight area.
// Fit reduces with a scale computed in extended precision: the horizontal ratio stays extended,
// the vertical one is rounded to a double, and the smaller wins; sizes are truncated, halvings are
// integer divisions. So 840 x 1200 in 414 x 420 comes out
// 293 x 419, not 294 x 420. Pictures without area get an empty placement.
Placement placePicture(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t pictureWidth,
                       std::int32_t pictureHeight, DisplayMode mode);

}  // namespace tavrel
