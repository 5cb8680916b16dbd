#include "image/draw_picture.h"

#include <algorithm>
#include <array>
#include <optional>

#include "image/byte_reader.h"
#include "image/stretch.h"

namespace tavrel {

namespace {

// A colour as the three bytes blue, green, red that sources hand to the scaler.
struct Bgr {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};

Bgr bgrFromColorRef(ColorRef c) {
    return Bgr{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)};
}

std::size_t pixelCount(std::int32_t width, std::int32_t height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Png: straight-alpha rows top-down, composited onto the background one fetched row at a time.
class CompositedSource final : public StretchSource {
public:
    CompositedSource(const DecodedImage& image, Bgr background)
        : StretchSource(image.width, image.height, 3), pixels_(image.pixels.data()), background_(background) {}

    const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t xEnd,
                            std::uint8_t* scratch) const override {
        const std::uint8_t* in = pixels_ + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width()) + xFirst) * 4;
        std::uint8_t* out = scratch;
        for (std::int32_t x = xFirst; x < xEnd; ++x, in += 4, out += 3) {
            const std::uint8_t alpha = in[3];
            if (alpha == 255) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            } else {
                out[0] = compositeOver(in[0], alpha, background_.blue);
                out[1] = compositeOver(in[1], alpha, background_.green);
                out[2] = compositeOver(in[2], alpha, background_.red);
            }
        }
        return scratch;
    }

private:
    const std::uint8_t* pixels_;
    Bgr background_;
};

// Icons: straight-alpha rows top-down, handed over premultiplied so that averaging never lets the
// colour of a transparent pixel bleed into its neighbours.
class PremultipliedSource final : public StretchSource {
public:
    explicit PremultipliedSource(const IconImage& icon)
        : StretchSource(icon.width, icon.height, 4), pixels_(icon.bgra.data()) {}

    const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t xEnd,
                            std::uint8_t* scratch) const override {
        const std::uint8_t* in = pixels_ + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width()) + xFirst) * 4;
        std::uint8_t* out = scratch;
        for (std::int32_t x = xFirst; x < xEnd; ++x, in += 4, out += 4) {
            const std::uint32_t alpha = in[3];
            out[0] = static_cast<std::uint8_t>((in[0] * alpha + 127) / 255);
            out[1] = static_cast<std::uint8_t>((in[1] * alpha + 127) / 255);
            out[2] = static_cast<std::uint8_t>((in[2] * alpha + 127) / 255);
            out[3] = static_cast<std::uint8_t>(alpha);
        }
        return scratch;
    }

private:
    const std::uint8_t* pixels_;
};

// 8-bit rows through a 256-entry (blue, green, red, 0) palette. The rows may cover only the
// top-left part of the picture (a GIF's first image on its logical screen); the rest is `fill`.
// Columns past a row's stored bytes read index 0, as a row padded with zeros would.
struct IndexedLayout {
    const std::uint8_t* palette = nullptr;
    const std::uint8_t* rows = nullptr;
    std::size_t stride = 0;
    std::int32_t rowsWidth = 0;
    std::int32_t rowsHeight = 0;
    bool bottomUp = false;
};

class IndexedSource final : public StretchSource {
public:
    IndexedSource(std::int32_t width, std::int32_t height, const IndexedLayout& layout, Bgr fill)
        : StretchSource(width, height, 3), layout_(layout), fill_(fill) {}

    const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t xEnd,
                            std::uint8_t* scratch) const override {
        std::uint8_t* out = scratch;
        const std::uint8_t* line = nullptr;
        std::int32_t covered = xFirst;  // columns below this come from the rows
        if (y < layout_.rowsHeight) {
            const std::size_t stored = static_cast<std::size_t>(layout_.bottomUp ? layout_.rowsHeight - 1 - y : y);
            line = layout_.rows + stored * layout_.stride;
            covered = std::min(xEnd, std::max(xFirst, layout_.rowsWidth));
        }
        const std::int32_t storedEnd = static_cast<std::int32_t>(std::min<std::size_t>(layout_.stride, 0x7FFFFFFF));
        for (std::int32_t x = xFirst; x < covered; ++x, out += 3) {
            const std::size_t index = x < storedEnd ? line[x] : 0u;
            const std::uint8_t* entry = layout_.palette + 4 * index;
            out[0] = entry[0];
            out[1] = entry[1];
            out[2] = entry[2];
        }
        for (std::int32_t x = covered; x < xEnd; ++x, out += 3) {
            out[0] = fill_.blue;
            out[1] = fill_.green;
            out[2] = fill_.red;
        }
        return scratch;
    }

private:
    IndexedLayout layout_;
    Bgr fill_;
};

// Pcx1: 1-bit rows top-down, most significant bit leftmost; 0 bits take one colour, 1 bits the other.
class MonochromeSource final : public StretchSource {
public:
    MonochromeSource(const DecodedImage& image, std::size_t stride, Bgr zeroColor, Bgr oneColor)
        : StretchSource(image.width, image.height, 3), pixels_(image.pixels.data()), stride_(stride), colors_{zeroColor, oneColor} {}

    const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t xEnd,
                            std::uint8_t* scratch) const override {
        const std::uint8_t* line = pixels_ + static_cast<std::size_t>(y) * stride_;
        std::uint8_t* out = scratch;
        for (std::int32_t x = xFirst; x < xEnd; ++x, out += 3) {
            const Bgr& c = colors_[(line[x >> 3] >> (7 - (x & 7))) & 1];
            out[0] = c.blue;
            out[1] = c.green;
            out[2] = c.red;
        }
        return scratch;
    }

private:
    const std::uint8_t* pixels_;
    std::size_t stride_;
    std::array<Bgr, 2> colors_;
};

constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kPaletteBytes = std::size_t{256} * 4;
constexpr std::size_t kRowsOffset = kInfoHeaderBytes + kPaletteBytes;

// Reads the packed 8-bit bitmap that Gif and Pcx8 pictures carry: its header gives the size of the
// rows (negative height: top-down). Rows are padded to 4 bytes, or as long as the block divided by
// the height when `strideFromBlockSize`; they must lie inside the block.
std::optional<IndexedLayout> readPackedBitmap(const ByteBuffer& block, bool strideFromBlockSize) {
    ByteReader reader(block);
    const std::uint32_t headerSize = reader.readU32le();
    const std::int32_t width = reader.readI32le();
    const std::int32_t height = reader.readI32le();
    reader.skip(2);  // planes: Pcx8 stores the file's plane count there
    const std::uint16_t bitsPerPixel = reader.readU16le();
    if (reader.failed() || headerSize != kInfoHeaderBytes || bitsPerPixel != 8 || width <= 0 || height == 0 ||
        height == INT32_MIN || block.size() < kRowsOffset) {
        return std::nullopt;
    }
    IndexedLayout layout;
    layout.rowsWidth = width;
    layout.rowsHeight = height < 0 ? -height : height;
    layout.bottomUp = height > 0;
    const std::size_t rowBytes = block.size() - kRowsOffset;
    layout.stride = strideFromBlockSize ? rowBytes / static_cast<std::size_t>(layout.rowsHeight)
                                        : ((static_cast<std::size_t>(width) + 3) / 4) * 4;
    if (layout.stride == 0 || layout.stride > rowBytes / static_cast<std::size_t>(layout.rowsHeight)) return std::nullopt;
    layout.palette = block.data() + kInfoHeaderBytes;
    layout.rows = block.data() + kRowsOffset;
    return layout;
}

}  // namespace

bool drawPicture(Bitmap& target, const DecodedImage& image, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, RasterOp, ColorRef alphaBackground, const DrawState& state) {
    // Icons and cursors keep their mask: a 0 size, like -1, means their own size.
    if (image.kind == ImageKind::Icon || image.kind == ImageKind::Cursor) {
        if (!image.icon) return false;
        const IconImage& icon = *image.icon;
        if (icon.width <= 0 || icon.height <= 0 || icon.bgra.size() / 4 < pixelCount(icon.width, icon.height)) return false;
        const std::int32_t drawWidth = (width == 0 || width == -1) ? icon.width : width;
        const std::int32_t drawHeight = (height == 0 || height == -1) ? icon.height : height;
        return stretchPicture(target, PremultipliedSource(icon), x, y, drawWidth, drawHeight, state.stretchMode,
                              PixelWrite::BlendPremultiplied);
    }

    if (image.width <= 0 || image.height <= 0) return false;
    if (width == 0 || height == 0) return true;
    const std::int32_t drawWidth = width == -1 ? image.width : width;
    const std::int32_t drawHeight = height == -1 ? image.height : height;
    const std::size_t pixels = pixelCount(image.width, image.height);
    const auto stretch = [&](const StretchSource& source) {
        return stretchPicture(target, source, x, y, drawWidth, drawHeight, state.stretchMode, PixelWrite::Copy);
    };

    switch (image.kind) {
        case ImageKind::Jpeg:
        case ImageKind::Bmp:
            if (image.pixels.size() / 3 < pixels) return false;
            return stretch(BgrRowsSource(image.pixels.data(), image.width, image.height,
                                         static_cast<std::size_t>(image.width) * 3, true));
        case ImageKind::Png:
            if (image.pixels.size() / 4 < pixels) return false;
            return stretch(CompositedSource(image, bgrFromColorRef(alphaBackground)));
        case ImageKind::Gif: {
            // The first image sits at the top-left of the logical screen; the rest of the screen
            // shows the colour transparency is drawn in, as a viewer shows an uncovered screen.
            const auto layout = readPackedBitmap(image.pixels, false);
            if (!layout) return false;
            return stretch(IndexedSource(image.width, image.height, *layout, bgrFromColorRef(alphaBackground)));
        }
        case ImageKind::Pcx8: {
            // Rows are as long as the file's bytes-per-line times planes, padded to 4: take the
            // stride from the block rather than from the width.
            const auto layout = readPackedBitmap(image.pixels, true);
            if (!layout) return false;
            return stretch(IndexedSource(image.width, image.height, *layout, Bgr{}));
        }
        case ImageKind::Pcx1: {
            const std::size_t stride = ((static_cast<std::size_t>(image.width) + 15) / 16) * 2;
            if (image.pixels.size() / stride < static_cast<std::size_t>(image.height)) return false;
            return stretch(MonochromeSource(image, stride, bgrFromColorRef(state.textColor),
                                            bgrFromColorRef(state.backgroundColor)));
        }
        case ImageKind::Icon:
        case ImageKind::Cursor:
        case ImageKind::Unknown:
            break;
    }
    return false;
}

}  // namespace tavrel
