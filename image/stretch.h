#pragma once
// The one scaler behind every stretch: a source read row by row in its own layout, stretched onto a
// rectangle of a Bitmap and clipped to it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/bitmap.h"

namespace tavrel {

// A picture as the scaler reads it: rows of 3 (blue, green, red) or 4 (blue, green, red, x) bytes a
// pixel, fetched one row at a time so no layout has to be converted as a whole first.
class StretchSource {
public:
    StretchSource(std::int32_t width, std::int32_t height, int channels)
        : width_(width), height_(height), channels_(channels) {}
    virtual ~StretchSource() = default;

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    int channels() const { return channels_; }

    // The bytes of pixels [xFirst, xEnd) of row y (0 is the top row). Either points into the
    // picture itself or, for layouts that need converting, into `scratch`, which holds at least
    // (xEnd - xFirst) * channels() bytes. Called from several threads at once: no shared state.
    virtual const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t xEnd,
                                    std::uint8_t* scratch) const = 0;

private:
    std::int32_t width_;
    std::int32_t height_;
    int channels_;
};

// Packed 3-byte rows (blue, green, red), as Jpeg and Bmp pictures hold them, read in place.
class BgrRowsSource final : public StretchSource {
public:
    BgrRowsSource(const std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::size_t stride,
                  bool bottomUp)
        : StretchSource(width, height, 3), pixels_(pixels), stride_(stride), bottomUp_(bottomUp) {}
    const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t, std::uint8_t*) const override {
        const std::size_t stored = static_cast<std::size_t>(bottomUp_ ? height() - 1 - y : y);
        return pixels_ + stored * stride_ + static_cast<std::size_t>(xFirst) * 3;
    }

private:
    const std::uint8_t* pixels_;
    std::size_t stride_;
    bool bottomUp_;
};

// A Bitmap read in place (its fourth byte is carried along and ignored).
class BitmapSource final : public StretchSource {
public:
    explicit BitmapSource(const Bitmap& bitmap) : StretchSource(bitmap.width, bitmap.height, 4), bitmap_(bitmap) {}
    const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t, std::uint8_t*) const override {
        return reinterpret_cast<const std::uint8_t*>(bitmap_.row(y) + xFirst);
    }

private:
    const Bitmap& bitmap_;
};

// How stretched pixels land on the target: copied (blue, green, red), or a 4-channel source of
// premultiplied blue, green, red, alpha blended over what is there.
enum class PixelWrite : std::int32_t { Copy = 0, BlendPremultiplied = 1 };

// Where stretched pixels go: row y starts at first + y * rowStep (a negative step for bottom-up
// rows), each pixel 4 bytes (a Bitmap's Pixel) or 3 (blue, green, red, as BMP rows hold them).
struct PixelRows {
    std::uint8_t* first = nullptr;
    std::ptrdiff_t rowStep = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int pixelBytes = 4;
};

inline PixelRows pixelRowsOf(Bitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() < static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height)) {
        return {};
    }
    return {reinterpret_cast<std::uint8_t*>(bitmap.pixels.data()), static_cast<std::ptrdiff_t>(bitmap.width) * 4,
            bitmap.width, bitmap.height, 4};
}

// Which source pixels one axis of a stretch reads, for the target pixels inside the clip only.
// Target pixel i of a target of size D over a source of size S covers source interval
// [i*S/D, (i+1)*S/D). Halftone weights are the exact overlaps of that interval with each source
// pixel, in units of S/gcd(S, D) of a source pixel's length, so every pixel's weights sum to exactly
// `unit` and an integer ratio gives equal weights; nearest takes the source pixel under the centre.
struct AxisWeights {
    std::int32_t targetFirst = 0;  // first target coordinate inside the clip
    std::int32_t targetCount = 0;  // target pixels inside the clip
    std::int32_t sourceMin = 0;    // source pixels [sourceMin, sourceEnd) are all that is read
    std::int32_t sourceEnd = 0;
    std::uint32_t unit = 1;
    // Per clipped target pixel, in target order (mirroring already applied):
    std::vector<std::int32_t> sourceFirst;
    std::vector<std::int32_t> sourceCount;
    std::vector<std::uint32_t> weightStart;  // index of the pixel's first weight in `weights`
    std::vector<std::uint32_t> weights;
};

// Builds one axis for a target span starting at `position` with the signed `size` (negative
// mirrors: the span is [position + size, position) with the picture reversed), clipped to
// [0, targetLimit). False when memory is short; an empty clip gives targetCount 0.
bool buildAxisWeights(AxisWeights& axis, std::int32_t sourceSize, std::int64_t position, std::int64_t size,
                      std::int32_t targetLimit, StretchMode mode);

// Stretches the whole source onto the rectangle at (x, y) of width x height of `target` (negative
// sizes mirror, see buildAxisWeights), computing only the pixels inside the target. Large
// stretches share their rows among the processor's cores. False when memory is short (the target
// may then be partly drawn) or the source is not usable.
// Blending needs 4-byte target pixels.
bool stretchPicture(const PixelRows& target, const StretchSource& source, std::int64_t x, std::int64_t y,
                    std::int64_t width, std::int64_t height, StretchMode mode, PixelWrite write = PixelWrite::Copy);
inline bool stretchPicture(Bitmap& target, const StretchSource& source, std::int64_t x, std::int64_t y, std::int64_t width,
                           std::int64_t height, StretchMode mode, PixelWrite write = PixelWrite::Copy) {
    return stretchPicture(pixelRowsOf(target), source, x, y, width, height, mode, write);
}

// A stretch of a source whose rows arrive top first, one at a time, as a decoder produces them:
// each target row is written as soon as its last source row is in, and only the rows a target row
// still needs are held. The pixels are exactly those stretchPicture gives for the whole source.
// Rows are copied, never blended; mirrored rows (a negative height) cannot be streamed.
class StreamedStretch {
public:
    StreamedStretch();
    ~StreamedStretch();
    StreamedStretch(const StreamedStretch&) = delete;
    StreamedStretch& operator=(const StreamedStretch&) = delete;

    // Settles the stretch of a sourceWidth x sourceHeight source of `channels` bytes a pixel onto
    // the rectangle at (x, y) of width x height of `target`. False when memory is short, the
    // request is not usable, or the height is negative.
    bool begin(const PixelRows& target, std::int32_t sourceWidth, std::int32_t sourceHeight, int channels,
               std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, StretchMode mode);
    // Where source row y (0 is the top) goes: sourceWidth * channels bytes, valid until rowDone(y).
    std::uint8_t* rowBuffer(std::int32_t y);
    // Row y holds its pixels; every target row it completes is written. Rows come in order.
    void rowDone(std::int32_t y);
    // Every target row inside the clip has been written.
    bool finished() const;

private:
    class RingSource;
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tavrel
