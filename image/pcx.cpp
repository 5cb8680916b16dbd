#include "image/pcx.h"

#include <algorithm>
#include <cstring>

#include "image/bitmap.h"
#include "image/byte_reader.h"
#include "image/byte_writer.h"
#include "image/decode.h"
#include "image/size_limits.h"

namespace tavrel {
namespace {

constexpr std::uint8_t kManufacturer = 0x0A;
constexpr std::uint8_t kRunLength = 1;
constexpr std::int8_t kNewestVersion = 5;
// A byte above this is a run of (byte - 0xC0) copies of the next byte; 0xC0 itself is a literal.
constexpr std::uint8_t kRunMarker = 0xC0;

// Decodes run-length rows. A row takes bytes until at least `rowBytes` have been produced; bytes of
// a run beyond the row's stride are dropped, never carried into the next row. Data that ends early
// leaves the remaining rows as they were (zero).
void decodeRows(ByteReader& in, std::uint8_t* rows, std::size_t stride, std::size_t rowBytes, std::size_t height) {
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = rows + y * stride;
        std::size_t produced = 0;
        while (produced < rowBytes) {
            std::uint8_t value = in.readU8();
            std::size_t count = 1;
            if (value > kRunMarker) {
                count = value - kRunMarker;
                value = in.readU8();
            }
            if (in.failed()) return;
            if (produced < stride) std::memset(row + produced, value, std::min(count, stride - produced));
            produced += count;
        }
    }
}

// The 256 colours after the marker, red, green, blue each, stored as blue, green, red, 0.
// Only complete entries are taken when the file ends inside the palette.
void readPalette(ByteReader& in, std::uint8_t* colours) {
    if (in.readU8() != kPcxPaletteMarker || in.failed()) return;
    for (std::size_t i = 0; i < 256 && in.remaining() >= 3; ++i) {
        colours[4 * i + 2] = in.readU8();
        colours[4 * i + 1] = in.readU8();
        colours[4 * i + 0] = in.readU8();
    }
}

std::optional<DecodedImage> decodePcx8(std::span<const std::uint8_t> bytes, const PcxHeader& header,
                                       DecodeFailure* why) {
    const std::int32_t width = header.width();
    const std::int32_t height = header.height();
    if (header.bytesPerLine <= 0 || header.planes == 0) return decodeFailed(why, DecodeFailure::Corrupt);
    // A bytes-per-line below the width still gets rows wide enough for the header's width, so
    // whoever reads the bitmap by its width stays inside the block.
    const std::int64_t lineBytes = std::max<std::int64_t>(std::int64_t{header.bytesPerLine} * header.planes, width);
    const std::int64_t stride = (lineBytes + 3) & ~std::int64_t{3};
    // Counted as one byte a pixel, so a huge bytes-per-line meets the pixel cap too.
    const auto size = checkedBlockSize(stride, height, stride, kPcxBlockOverhead);
    if (!size) return decodeFailed(why, DecodeFailure::TooLarge);

    DecodedImage decoded;
    decoded.kind = ImageKind::Pcx8;
    decoded.width = width;
    decoded.height = height;
    if (!resizePixelBlock(decoded.pixels, *size)) return decodeFailed(why, DecodeFailure::TooLarge);
    std::uint8_t* block = decoded.pixels.data();
    putU32(block + 0, kPcxInfoHeaderBytes);
    putU32(block + 4, static_cast<std::uint32_t>(width));
    putU32(block + 8, static_cast<std::uint32_t>(-height));  // top-down rows
    putU16(block + 12, header.planes);
    putU16(block + 14, 8);

    ByteReader in(bytes);
    in.seek(kPcxHeaderBytes);
    // Only the first plane of each row is decoded.
    decodeRows(in, block + kPcxBlockOverhead, static_cast<std::size_t>(stride),
               static_cast<std::size_t>(header.bytesPerLine), static_cast<std::size_t>(height));
    readPalette(in, block + kPcxInfoHeaderBytes);
    return decoded;
}

std::optional<DecodedImage> decodePcx1(std::span<const std::uint8_t> bytes, const PcxHeader& header,
                                       DecodeFailure* why) {
    const std::int32_t width = header.width();
    const std::int32_t height = header.height();
    // Rows hold ceil(width / 8) bytes, padded to an even count; bytes-per-line plays no part.
    const std::int64_t rowBytes = (std::int64_t{width} + 7) / 8;
    const std::int64_t stride = (rowBytes + 1) & ~std::int64_t{1};
    const auto size = checkedBlockSize(width, height, stride);
    if (!size) return decodeFailed(why, DecodeFailure::TooLarge);

    DecodedImage decoded;
    decoded.kind = ImageKind::Pcx1;
    decoded.width = width;
    decoded.height = height;
    if (!resizePixelBlock(decoded.pixels, *size)) return decodeFailed(why, DecodeFailure::TooLarge);
    ByteReader in(bytes);
    in.seek(kPcxHeaderBytes);
    decodeRows(in, decoded.pixels.data(), static_cast<std::size_t>(stride), static_cast<std::size_t>(rowBytes),
               static_cast<std::size_t>(height));
    return decoded;
}

}  // namespace

std::optional<PcxHeader> readPcxHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() <= kPcxHeaderBytes) return std::nullopt;
    ByteReader in(bytes);
    PcxHeader header;
    header.manufacturer = in.readU8();
    header.version = static_cast<std::int8_t>(in.readU8());
    header.encoding = in.readU8();
    header.bitsPerPixel = in.readU8();
    header.xMin = in.readI16le();
    header.yMin = in.readI16le();
    header.xMax = in.readI16le();
    header.yMax = in.readI16le();
    in.seek(65);
    header.planes = in.readU8();
    header.bytesPerLine = in.readI16le();
    if (in.failed()) return std::nullopt;
    return header;
}

std::optional<DecodedImage> decodePcx(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    const auto header = readPcxHeader(bytes);
    if (!header) return decodeFailed(why, DecodeFailure::Truncated);
    if (header->manufacturer != kManufacturer || header->encoding != kRunLength || header->version > kNewestVersion)
        return decodeFailed(why, DecodeFailure::BadSignature);
    if (header->width() <= 0 || header->height() <= 0) return decodeFailed(why, DecodeFailure::Corrupt);

    std::optional<DecodedImage> decoded;
    if (header->bitsPerPixel == 1 && header->planes == 1)
        decoded = decodePcx1(bytes, *header, why);
    else if (header->bitsPerPixel == 8)
        decoded = decodePcx8(bytes, *header, why);
    else
        return decodeFailed(why, DecodeFailure::Unsupported);
    if (decoded && why) *why = DecodeFailure::None;
    return decoded;
}

}  // namespace tavrel
