#include <algorithm>
#include <new>
#include <vector>

#include "image/bmp.h"
#include "image/byte_reader.h"
#include "image/decode.h"
#include "image/size_limits.h"

namespace tavrel {

namespace {

// The 6-byte directory header, fields in file order.
struct IconDirHeader {
    std::uint16_t reserved = 0;  // 0
    std::uint16_t type = 0;      // IconFileType
    std::uint16_t count = 0;     // entries that follow
};

enum class IconFileType : std::uint16_t { Icon = 1, Cursor = 2 };

// One 16-byte directory entry, fields in file order.
struct IconDirEntry {
    std::uint8_t width = 0;        // 0 means 256
    std::uint8_t height = 0;
    std::uint8_t colourCount = 0;  // 0 for 256 colours and more
    std::uint8_t reserved = 0;
    std::uint16_t planes = 0;      // cursors: hot spot x
    std::uint16_t bitCount = 0;    // cursors: hot spot y
    std::uint32_t bytesInImage = 0;
    std::uint32_t imageOffset = 0;
};

constexpr std::uint8_t kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

IconDirEntry readIconDirEntry(ByteReader& reader) {
    IconDirEntry e;
    e.width = reader.readU8();
    e.height = reader.readU8();
    e.colourCount = reader.readU8();
    e.reserved = reader.readU8();
    e.planes = reader.readU16le();
    e.bitCount = reader.readU16le();
    e.bytesInImage = reader.readU32le();
    e.imageOffset = reader.readU32le();
    return e;
}

// The entry we show: the first 32-pixel one of at least 16 colours (the classic desktop size), else
// the last. True-colour entries store a colour count of 0 and so never win the first rule.
std::optional<IconDirEntry> chooseEntry(ByteReader& reader, std::uint16_t count) {
    IconDirEntry entry;
    for (std::uint16_t i = 0; i < count; ++i) {
        entry = readIconDirEntry(reader);
        if (reader.failed()) return std::nullopt;
        if (entry.width == 32 && entry.colourCount >= 16) break;
    }
    return entry;
}

bool hasPngSignature(std::span<const std::uint8_t> image) {
    return image.size() >= sizeof kPngSignature &&
           std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.begin());
}

// Newer icons store large entries as whole PNG files; they decode to the same straight-alpha layout.
std::optional<IconImage> iconFromPng(std::span<const std::uint8_t> image, DecodeFailure* why) {
    std::optional<DecodedImage> png = decodePng(image, why);
    if (!png) return std::nullopt;
    return IconImage{png->width, png->height, std::move(png->pixels)};
}

// A bitmap entry: information header, colour table, colour (XOR) rows, then the 1-bit AND mask,
// both bottom-up. The header's height counts both, so the picture is half as tall.
std::optional<IconImage> iconFromBitmap(std::span<const std::uint8_t> image, DecodeFailure* why) {
    ByteReader reader(image);
    const BitmapInfoHeader info = readBitmapInfoHeader(reader);
    if (reader.failed()) return decodeFailed(why, DecodeFailure::Truncated);
    if (info.headerSize < kBitmapInfoHeaderSize) return decodeFailed(why, DecodeFailure::Unsupported);
    if (info.compression != static_cast<std::uint32_t>(BitmapCompression::Rgb) ||
        !isReadableBitmapDepth(info.bitsPerPixel))
        return decodeFailed(why, DecodeFailure::Unsupported);
    const std::int32_t width = info.width;
    const std::int32_t height = info.height / 2;
    if (width <= 0 || height <= 0) return decodeFailed(why, DecodeFailure::Corrupt);
    const auto blockSize = checkedBlockSize(width, height, std::int64_t{width} * 4);
    if (!blockSize) return decodeFailed(why, DecodeFailure::TooLarge);

    reader.seek(info.headerSize);
    const std::vector<BgrColour> colours =
        readColourTable(reader, bitmapColourCount(info.bitsPerPixel, info.coloursUsed));
    if (reader.failed()) return decodeFailed(why, DecodeFailure::Truncated);

    const std::uint64_t stride = bitmapRowStride(width, info.bitsPerPixel);
    if (stride * static_cast<std::uint64_t>(height) > reader.remaining())
        return decodeFailed(why, DecodeFailure::Truncated);
    const auto colourRows = reader.readBytes(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    // Some writers leave the mask out when alpha carries the shape; missing mask rows count as opaque.
    const std::size_t maskStride = static_cast<std::size_t>(bitmapRowStride(width, 1));
    const auto mask = reader.readBytes(std::min(reader.remaining(), maskStride * static_cast<std::size_t>(height)));

    IconImage icon;
    icon.width = width;
    icon.height = height;
    if (!resizePixelBlock(icon.bgra, *blockSize)) return decodeFailed(why, DecodeFailure::TooLarge);
    const BitmapRowFormat format{width, info.bitsPerPixel, colours};
    const std::size_t outStride = static_cast<std::size_t>(width) * 4;
    bool anyAlpha = false;
    for (std::int32_t fileRow = 0; fileRow < height; ++fileRow) {
        std::uint8_t* out = icon.bgra.data() + static_cast<std::size_t>(height - 1 - fileRow) * outStride;
        expandBitmapRow(colourRows.subspan(static_cast<std::size_t>(fileRow) * stride, stride), format, out, 4);
        if (info.bitsPerPixel == 32) {
            for (std::int32_t x = 0; x < width && !anyAlpha; ++x) anyAlpha = out[x * 4 + 3] != 0;
        }
    }
    // 32-bit entries with real alpha draw by it; all others (and 32-bit ones whose alpha is all
    // zero, written by tools that knew only the mask) take their shape from the mask.
    if (anyAlpha) return icon;
    for (std::int32_t fileRow = 0; fileRow < height; ++fileRow) {
        std::uint8_t* out = icon.bgra.data() + static_cast<std::size_t>(height - 1 - fileRow) * outStride;
        const std::size_t maskRow = static_cast<std::size_t>(fileRow) * maskStride;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::size_t at = maskRow + static_cast<std::size_t>(x) / 8;
            const bool transparent = at < mask.size() && ((mask[at] >> (7 - x % 8)) & 1) != 0;
            out[x * 4 + 3] = transparent ? 0 : 255;
        }
    }
    return icon;
}

}  // namespace

std::optional<DecodedImage> decodeIcon(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    ByteReader reader(bytes);
    IconDirHeader dir;
    dir.reserved = reader.readU16le();
    dir.type = reader.readU16le();
    dir.count = reader.readU16le();
    if (reader.failed()) return decodeFailed(why, DecodeFailure::Truncated);
    const bool knownType = dir.type == static_cast<std::uint16_t>(IconFileType::Icon) ||
                           dir.type == static_cast<std::uint16_t>(IconFileType::Cursor);
    if (dir.reserved != 0 || !knownType || dir.count == 0) return decodeFailed(why, DecodeFailure::BadSignature);

    const std::optional<IconDirEntry> entry = chooseEntry(reader, dir.count);
    if (!entry) return decodeFailed(why, DecodeFailure::Truncated);
    const std::size_t size = entry->bytesInImage;
    const std::size_t offset = entry->imageOffset;
    if (!(size <= bytes.size() && offset <= bytes.size() - size)) return decodeFailed(why, DecodeFailure::Truncated);
    const auto image = bytes.subspan(offset, size);

    std::optional<IconImage> icon = hasPngSignature(image) ? iconFromPng(image, why) : iconFromBitmap(image, why);
    if (!icon) return std::nullopt;

    DecodedImage decoded;
    decoded.kind = dir.type == static_cast<std::uint16_t>(IconFileType::Icon) ? ImageKind::Icon : ImageKind::Cursor;
    decoded.width = icon->width;
    decoded.height = icon->height;
    decoded.icon = std::move(icon);
    if (why) *why = DecodeFailure::None;
    return decoded;
}

}  // namespace tavrel
