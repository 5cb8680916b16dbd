#pragma once
// The off-screen drawing surface: an outer size, a one-pixel edge, and a backing store of the
// drawable area that keeps everything drawn on it. Toolkit-free: the canvas control wraps it.

#include <cstdint>
#include <span>

#include "image/bitmap.h"
#include "image/image_types.h"

namespace tavrel {

class ImageRegistry;

class DrawingSurface {
public:
    static constexpr std::int32_t kMaxSize = 32627;

    // `buttonFace` is the colour of every newly made part of the store; `mode` the stretch mode.
    DrawingSurface(std::int32_t width, std::int32_t height, Pixel buttonFace, StretchMode mode);

    // Writes clamp to 0..kMaxSize; a change of size rebuilds the store keeping its top-left pixels.
    void setWidth(std::int32_t width);
    void setHeight(std::int32_t height);
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    void setStretchMode(StretchMode mode) { mode_ = mode; }
    StretchMode stretchMode() const { return mode_; }
    Pixel buttonFace() const { return buttonFace_; }

    // Draws a registered picture with its top-left at (x, y) stretched to width x height
    // (-1: the picture's own size; 0: nothing, but an icon's own size; other negatives mirror),
    // clipped to the store. Transparency is composited onto white and 1-bit pictures are drawn
    // black on white. Invalid handles, and a surface without a store, draw nothing.
    void drawImage(const ImageRegistry& registry, ImageHandle image, std::int32_t x, std::int32_t y,
                   std::int32_t width = -1, std::int32_t height = -1);
    // Draws a JPEG straight from its file bytes, exactly as drawImage draws the decoded picture,
    // but each row is stretched as soon as it is decoded so the whole picture is never held.
    // Sizes as drawImage, except that mirrored rows (a negative height) are refused. False, with
    // the reason in *why, when the bytes do not decode (the store may then be partly drawn), the
    // sizes are refused, or memory is short.
    bool drawJpegBytes(std::span<const std::uint8_t> bytes, std::int32_t x, std::int32_t y, std::int32_t width,
                       std::int32_t height, DecodeFailure* why = nullptr);
    // The store (stretched to width x height when that differs) as a 24-bit BMP file.
    // 0 means the store's own size, -p means p per cent of it (p below 10 taken as 10), to the
    // nearest pixel. Empty when the resolved size is not positive, the file would pass 4 GiB,
    // memory is short, or the surface has no store.
    ByteBuffer grabImage(std::int32_t width, std::int32_t height) const;

    std::int32_t imageWidth(const ImageRegistry& registry, ImageHandle image) const;
    std::int32_t imageHeight(const ImageRegistry& registry, ImageHandle image) const;

    // The backing store; empty (0 x 0) while a rebuild could not allocate.
    const Bitmap& store() const { return store_; }

private:
    void rebuild();

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    Pixel buttonFace_;
    StretchMode mode_;
    Bitmap store_;
};

}  // namespace tavrel
