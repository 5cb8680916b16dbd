#include "image/resize.h"

#include "image/drawing_surface.h"

namespace tavrel {

namespace {

// A single non-zero value gives a square; the surface takes the settled size.
void settleSize(DrawingSurface& surface, std::int32_t& width, std::int32_t& height) {
    if (width == 0) {
        width = height;
    } else if (height == 0) {
        height = width;
    }
    // A side that shrinks goes first, so the store in between is never larger than the old one
    // and the new one (wide after tall would otherwise make a store of both their largest sides);
    // the top-left pixels kept come out the same either way.
    if (height < surface.height()) {
        surface.setHeight(height);
        surface.setWidth(width);
    } else {
        surface.setWidth(width);
        surface.setHeight(height);
    }
}

}  // namespace

ByteBuffer resizeImage(DrawingSurface& surface, const ImageRegistry& registry, ImageHandle source,
                       std::int32_t width, std::int32_t height) {
    settleSize(surface, width, height);
    surface.drawImage(registry, source, 0, 0, width, height);
    return surface.grabImage(width, height);
}

ByteBuffer resizeJpegBytes(DrawingSurface& surface, std::span<const std::uint8_t> jpeg, std::int32_t width,
                           std::int32_t height, DecodeFailure* why) {
    settleSize(surface, width, height);
    if (!surface.drawJpegBytes(jpeg, 0, 0, width, height, why)) return {};
    return surface.grabImage(width, height);
}

}  // namespace tavrel
