#include "image/drawing_surface.h"

#include <algorithm>
#include <cstring>

#include "image/bmp_export.h"
#include "image/draw_picture.h"
#include "image/jpeg.h"
#include "image/registry.h"
#include "image/stretch.h"

namespace tavrel {

namespace {

std::int32_t clampSize(std::int32_t value) { return std::clamp(value, 0, DrawingSurface::kMaxSize); }

// The edge is one pixel wide on each side; the store never gets smaller than one pixel.
std::int32_t drawableSize(std::int32_t outer) { return std::max(1, outer - 2); }

// 0 is the store's own size; -p is p per cent of it (below 10 taken as 10), to the nearest pixel.
std::int64_t resolveGrabSize(std::int32_t requested, std::int32_t storeSize) {
    if (requested == 0) return storeSize;
    if (requested > 0) return requested;
    const std::int64_t percent = std::max<std::int64_t>(-static_cast<std::int64_t>(requested), 10);
    return (storeSize * percent + 50) / 100;
}

}  // namespace

DrawingSurface::DrawingSurface(std::int32_t width, std::int32_t height, Pixel buttonFace, StretchMode mode)
    : width_(clampSize(width)), height_(clampSize(height)), buttonFace_(buttonFace), mode_(mode) {
    rebuild();
}

void DrawingSurface::setWidth(std::int32_t width) {
    width = clampSize(width);
    // The same size again is no change, unless the last rebuild could not be made: then it is tried again.
    if (width == width_ && !store_.pixels.empty()) return;
    width_ = width;
    rebuild();
}

void DrawingSurface::setHeight(std::int32_t height) {
    height = clampSize(height);
    if (height == height_ && !store_.pixels.empty()) return;
    height_ = height;
    rebuild();
}

void DrawingSurface::rebuild() {
    // The new store is made before the old one goes; when it cannot be made the old one goes all
    // the same and the surface has no store until a later size change succeeds.
    Bitmap fresh;
    if (allocateBitmap(fresh, drawableSize(width_), drawableSize(height_), buttonFace_) && !store_.pixels.empty()) {
        const std::int32_t keepWidth = std::min(fresh.width, store_.width);
        const std::int32_t keepHeight = std::min(fresh.height, store_.height);
        for (std::int32_t y = 0; y < keepHeight; ++y) {
            std::memcpy(fresh.row(y), store_.row(y), static_cast<std::size_t>(keepWidth) * sizeof(Pixel));
        }
    }
    store_ = std::move(fresh);
}

void DrawingSurface::drawImage(const ImageRegistry& registry, ImageHandle image, std::int32_t x, std::int32_t y,
                               std::int32_t width, std::int32_t height) {
    const DecodedImage* picture = registry.find(image);
    if (!picture || store_.pixels.empty()) return;
    // 1-bit pictures come out black on white, as they look everywhere else, rather than in the
    // surface's brush and background colours.
    const DrawState state{mode_, 0x000000, 0xFFFFFF};
    drawPicture(store_, *picture, x, y, width, height, RasterOp::SourceCopy, 0xFFFFFF, state);
}

namespace {

// Hands each decoded row to the stretch, which writes the target rows it completes.
class StretchingSink final : public JpegRowSink {
public:
    StretchingSink(const PixelRows& target, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                   StretchMode mode)
        : target_(target), x_(x), y_(y), width_(width), height_(height), mode_(mode) {}

    bool begin(std::int32_t width, std::int32_t height) noexcept override {
        return stretch_.begin(target_, width, height, 3, x_, y_, width_ == -1 ? width : width_,
                              height_ == -1 ? height : height_, mode_);
    }
    std::uint8_t* rowBuffer(std::int32_t y) noexcept override { return stretch_.rowBuffer(y); }
    void rowDone(std::int32_t y) noexcept override { stretch_.rowDone(y); }

private:
    PixelRows target_;
    std::int32_t x_;
    std::int32_t y_;
    std::int32_t width_;
    std::int32_t height_;
    StretchMode mode_;
    StreamedStretch stretch_;
};

}  // namespace

bool DrawingSurface::drawJpegBytes(std::span<const std::uint8_t> bytes, std::int32_t x, std::int32_t y,
                                   std::int32_t width, std::int32_t height, DecodeFailure* why) {
    if (why) *why = DecodeFailure::None;
    if (store_.pixels.empty() || width == 0 || height == 0) return true;
    if (height < -1) {
        if (why) *why = DecodeFailure::Unsupported;
        return false;
    }
    StretchingSink sink(pixelRowsOf(store_), x, y, width, height, mode_);
    return decodeJpegRows(bytes, sink, why);
}

ByteBuffer DrawingSurface::grabImage(std::int32_t width, std::int32_t height) const {
    if (store_.pixels.empty()) return {};
    const std::int64_t grabWidth = resolveGrabSize(width, store_.width);
    const std::int64_t grabHeight = resolveGrabSize(height, store_.height);
    if (grabWidth <= 0 || grabHeight <= 0) return {};
    if (grabWidth == store_.width && grabHeight == store_.height) return exportBmp(store_);
    // The stretch writes straight into the file's rows: no bitmap of the grabbed size in between.
    ByteBuffer bmp = makeBmp(grabWidth, grabHeight);
    if (bmp.empty() || !stretchPicture(bmpPixelRows(bmp), BitmapSource(store_), 0, 0, grabWidth, grabHeight, mode_)) return {};
    return bmp;
}

std::int32_t DrawingSurface::imageWidth(const ImageRegistry& registry, ImageHandle image) const {
    const DecodedImage* picture = registry.find(image);
    return picture ? picture->width : 0;
}

std::int32_t DrawingSurface::imageHeight(const ImageRegistry& registry, ImageHandle image) const {
    const DecodedImage* picture = registry.find(image);
    return picture ? picture->height : 0;
}

}  // namespace tavrel
