#pragma once
// A 32-bit software bitmap: the device surface our drawing layer draws on.

#include <cstdint>
#include <new>
#include <vector>

#include "image/size_limits.h"

namespace tavrel {

// Colours as the form layer stores them: 0x00BBGGRR. 0xFF000000 marks "the system button face".
using ColorRef = std::uint32_t;
inline constexpr ColorRef kButtonFaceMarker = 0xFF000000u;

// One pixel in memory: bytes blue, green, red, unused (read as a little-endian 0x00RRGGBB word).
using Pixel = std::uint32_t;

inline constexpr Pixel pixelFromColorRef(ColorRef c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline constexpr ColorRef colorRefFromPixel(Pixel p) {
    return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}
inline constexpr Pixel makePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (Pixel{r} << 16) | (Pixel{g} << 8) | Pixel{b};
}
inline constexpr std::uint8_t pixelRed(Pixel p) { return static_cast<std::uint8_t>(p >> 16); }
inline constexpr std::uint8_t pixelGreen(Pixel p) { return static_cast<std::uint8_t>(p >> 8); }
inline constexpr std::uint8_t pixelBlue(Pixel p) { return static_cast<std::uint8_t>(p); }

// Rows top-down, `width` pixels each, no padding.
struct Bitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<Pixel> pixels;

    Pixel* row(std::int32_t y) { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const Pixel* row(std::int32_t y) const {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
    Pixel at(std::int32_t x, std::int32_t y) const { return row(y)[x]; }
};

// How a stretch picks its pixels: halftone averages every source pixel a target pixel covers,
// nearest takes one source pixel per target pixel.
enum class StretchMode : std::int32_t { Nearest = 0, Halftone = 1 };

// Displays of more than 16 bits a pixel stretch with averaging.
inline constexpr StretchMode stretchModeForDepth(int bitsPerPixel) {
    return bitsPerPixel > 16 ? StretchMode::Halftone : StretchMode::Nearest;
}

// Makes `bitmap` width x height pixels of `fill`. False, with the bitmap left empty, when the sizes
// are not positive or the memory is not there.
inline bool allocateBitmap(Bitmap& bitmap, std::int32_t width, std::int32_t height, Pixel fill) {
    bitmap = Bitmap{};
    if (width <= 0 || height <= 0) return false;
    const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (!memoryAvailableFor(count * sizeof(Pixel))) return false;
    try {
        bitmap.pixels.assign(static_cast<std::size_t>(count), fill);
    } catch (const std::bad_alloc&) {
        bitmap.pixels = {};
        return false;
    }
    bitmap.width = width;
    bitmap.height = height;
    return true;
}

}  // namespace tavrel
