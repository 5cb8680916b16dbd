#pragma once
// Drawing a decoded picture onto a Bitmap: each kind read in its own layout, stretched by the one
// scaler, PNG transparency composited onto a given colour and icons blended by their alpha.

#include <cstdint>

#include "image/bitmap.h"
#include "image/image_types.h"

namespace tavrel {

// How drawn pixels combine with the target. Only the plain copy is used; the value is the one the
// form layer's copy modes carry.
enum class RasterOp : std::uint32_t { SourceCopy = 0x00CC0020u };

// What the target surface contributes to a drawing besides its pixels.
struct DrawState {
    StretchMode stretchMode = StretchMode::Halftone;
    ColorRef textColor = 0x000000;        // 1-bit pictures: colour of 0 bits
    ColorRef backgroundColor = 0xFFFFFF;  // 1-bit pictures: colour of 1 bits
};

// PNG transparency as the program composites it: with k = 1/255 as a float, t = alpha * k and
// u = 1 - t, the result is trunc(c * t + b * u) clamped to 0..255, in extended precision. k is
// 8421505 / 2^31 exactly and every intermediate value is a multiple of 2^-31 below 2^9, so the same
// value comes out of 64-bit integers; only pixels with alpha below 255 are composited.
inline std::uint8_t compositeOver(std::uint8_t color, std::uint8_t alpha, std::uint8_t background) {
    constexpr std::uint64_t kAlphaStep = 8421505;  // the float 1/255 times 2^31
    constexpr std::uint64_t kOne = std::uint64_t{1} << 31;
    const std::uint64_t t = alpha * kAlphaStep;  // alpha < 255 keeps t below one
    const std::uint64_t value = (color * t + background * (kOne - t)) >> 31;
    return static_cast<std::uint8_t>(value > 255 ? 255 : value);
}

// Draws `image` with its top-left at (x, y) stretched to width x height, clipped to `target`.
// -1 is the picture's own size, 0 draws nothing (icons and cursors: their own size), other negative
// sizes mirror the picture within [x + width, x). `alphaBackground` (0x00BBGGRR) is what PNG
// transparency is composited onto, and also fills a GIF's logical screen where its first image
// does not reach. Pictures whose pixel block does not match their layout draw nothing.
// False when nothing could be drawn for want of memory or a usable pixel block.
bool drawPicture(Bitmap& target, const DecodedImage& image, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, RasterOp op, ColorRef alphaBackground, const DrawState& state);

}  // namespace tavrel
