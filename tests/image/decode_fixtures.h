#pragma once
// Tiny pictures built in the tests: hand-written BMP and icon bytes, JPEGs written with libjpeg,
// PNGs written with libpng's simplified writer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/image_types.h"

namespace tavrel::test {

// Little-endian writer for hand-built files.
class FixtureWriter {
public:
    FixtureWriter& u8(std::uint8_t v);
    FixtureWriter& u16(std::uint16_t v);
    FixtureWriter& u32(std::uint32_t v);
    FixtureWriter& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    FixtureWriter& bytes(const ByteBuffer& b);
    FixtureWriter& zeros(std::size_t count);
    std::size_t size() const { return out_.size(); }
    ByteBuffer take() { return std::move(out_); }

private:
    ByteBuffer out_;
};

// Rows of a bitmap. `values` are the pixels top row first: colour indices for 1-, 4- and 8-bit
// rows, 0xAARRGGBB for 24- and 32-bit ones (AA becomes a 32-bit pixel's fourth byte).
struct BitmapPixels {
    std::int32_t width = 0;
    std::int32_t rows = 0;
    std::uint16_t bitsPerPixel = 24;
    std::vector<std::uint32_t> values{};
};
// Stored rows, each padded to 4 bytes; bottom row first unless `topDown`.
ByteBuffer bitmapRowBytes(const BitmapPixels& pixels, bool topDown = false);

struct BmpFixture {
    BitmapPixels pixels{};
    bool topDown = false;                      // store a negative height
    std::uint32_t headerSize = 40;             // extra bytes past 40 are zero
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> colours{};        // table entries, 0x00RRGGBB
    std::uint32_t coloursUsed = 0;
    std::optional<std::uint32_t> pixelOffset{};  // default: right after the table
};
ByteBuffer makeBmp(const BmpFixture& fixture);

// An icon entry's bitmap: information header (height doubled), table, colour rows, AND mask.
// `transparent` marks mask bits, top row first (empty: all opaque).
struct IconBitmapFixture {
    BitmapPixels pixels{};
    std::vector<std::uint32_t> colours{};
    std::vector<bool> transparent{};
    bool withMask = true;
};
ByteBuffer makeIconBitmap(const IconBitmapFixture& fixture);

struct IconEntryFixture {
    std::uint8_t widthByte = 0;
    std::uint8_t heightByte = 0;
    std::uint8_t colourCount = 0;
    ByteBuffer image{};
    std::optional<std::uint32_t> bytesInImage{};  // default: the image's size
    std::optional<std::uint32_t> imageOffset{};   // default: where the image is placed
};
// Directory header, entries, then the images in entry order.
ByteBuffer makeIconFile(std::uint16_t type, const std::vector<IconEntryFixture>& entries);

// JPEG written from top-down samples of `components` bytes a pixel (3: RGB, 1: grey, 4: CMYK).
struct JpegFixture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int components = 3;
    bool progressive = false;
    bool arithmetic = false;
    bool subsample = false;     // 2x2 chroma subsampling instead of none
    bool ycck = false;          // CMYK stored as YCCK
    bool adobeMarker = true;    // CMYK only: write the APP14 marker
    std::vector<std::uint8_t> samples{};
};
ByteBuffer makeJpeg(const JpegFixture& fixture);

// The plain libjpeg sequence (default output colour space, rows read top-down), then turned into
// the stored layout by swapping red and blue and reversing the rows.
ByteBuffer referenceJpegDecode(const ByteBuffer& jpeg);

// PNG of top-down samples in the libpng simplified `format` (PNG_FORMAT_*).
ByteBuffer makePng(std::int32_t width, std::int32_t height, std::uint32_t format,
                   const std::vector<std::uint8_t>& samples);

// PNG bytes of a signature, IHDR with the given fields, one IDAT of `idat` and IEND, CRCs right.
ByteBuffer makeRawPng(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colourType,
                      const ByteBuffer& idat);

// Writes bytes to a fresh file in the test's temporary directory and returns its path.
std::string writeTempFile(const std::string& name, const ByteBuffer& bytes);

// The stored (bottom-up, blue first) pixel at (x, y) of a Jpeg/Bmp picture, as 0x00RRGGBB.
std::uint32_t storedBgrAt(const DecodedImage& image, std::int32_t x, std::int32_t y);

}  // namespace tavrel::test
