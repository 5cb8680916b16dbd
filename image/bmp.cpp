#include "image/bmp.h"

#include <cstring>
#include <new>

#include "image/decode.h"
#include "image/size_limits.h"

namespace tavrel {

BitmapInfoHeader readBitmapInfoHeader(ByteReader& reader) {
    BitmapInfoHeader h;
    h.headerSize = reader.readU32le();
    h.width = reader.readI32le();
    h.height = reader.readI32le();
    h.planes = reader.readU16le();
    h.bitsPerPixel = reader.readU16le();
    h.compression = reader.readU32le();
    h.imageSize = reader.readU32le();
    h.xPixelsPerMetre = reader.readI32le();
    h.yPixelsPerMetre = reader.readI32le();
    h.coloursUsed = reader.readU32le();
    h.coloursImportant = reader.readU32le();
    return h;
}

bool isReadableBitmapDepth(std::uint32_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
        case 4:
        case 8:
        case 24:
        case 32: return true;
        default: return false;
    }
}

std::uint64_t bitmapColourCount(std::uint32_t bitsPerPixel, std::uint32_t coloursUsed) {
    if (bitsPerPixel > 8) return 0;
    return coloursUsed != 0 ? coloursUsed : std::uint64_t{1} << bitsPerPixel;
}

std::vector<BgrColour> readColourTable(ByteReader& reader, std::uint64_t count) {
    constexpr std::uint64_t kKept = 256;
    std::vector<BgrColour> colours;
    colours.reserve(static_cast<std::size_t>(count < kKept ? count : kKept));
    for (std::uint64_t i = 0; i < count && i < kKept; ++i) {
        BgrColour c;
        c.blue = reader.readU8();
        c.green = reader.readU8();
        c.red = reader.readU8();
        reader.readU8();
        colours.push_back(c);
    }
    if (count > kKept) {
        // Counts come from the file: anything that cannot be in it fails the reader rather than wrapping.
        const std::uint64_t rest = (count - kKept) * 4;
        if (rest > reader.remaining()) {
            reader.skip(reader.remaining() + 1);
        } else {
            reader.skip(static_cast<std::size_t>(rest));
        }
    }
    return colours;
}

std::uint64_t bitmapRowStride(std::int64_t width, std::uint32_t bitsPerPixel) {
    return (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

std::uint64_t bitmapRowPixelBytes(std::int64_t width, std::uint32_t bitsPerPixel) {
    return (static_cast<std::uint64_t>(width) * bitsPerPixel + 7) / 8;
}

void expandBitmapRow(std::span<const std::uint8_t> row, const BitmapRowFormat& format, std::uint8_t* out,
                     int outBytesPerPixel) {
    const std::size_t width = static_cast<std::size_t>(format.width);
    const std::uint8_t* in = row.data();
    switch (format.bitsPerPixel) {
        case 24:
            if (outBytesPerPixel == 3) {
                std::memcpy(out, in, width * 3);
                return;
            }
            for (std::size_t x = 0; x < width; ++x, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
            return;
        case 32:
            for (std::size_t x = 0; x < width; ++x, in += 4, out += outBytesPerPixel) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                if (outBytesPerPixel == 4) out[3] = in[3];
            }
            return;
        default: break;
    }
    // Indexed rows: the leftmost pixel sits in the most significant bits of each byte.
    const unsigned bits = format.bitsPerPixel;
    const unsigned indexMask = (1u << bits) - 1;
    for (std::size_t x = 0; x < width; ++x, out += outBytesPerPixel) {
        const std::size_t bit = x * bits;
        const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
        const unsigned index = (in[bit / 8] >> shift) & indexMask;
        const BgrColour c = index < format.colours.size() ? format.colours[index] : BgrColour{};
        out[0] = c.blue;
        out[1] = c.green;
        out[2] = c.red;
        if (outBytesPerPixel == 4) out[3] = 255;
    }
}

namespace {

// The 14-byte file header, fields in file order.
struct BmpFileHeader {
    std::uint16_t signature = 0;  // "BM"
    std::uint32_t fileSize = 0;   // not trusted: writers get it wrong
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t pixelOffset = 0;
};
constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::uint16_t kBmpSignature = 0x4D42;

BmpFileHeader readBmpFileHeader(ByteReader& reader) {
    BmpFileHeader h;
    h.signature = reader.readU16le();
    h.fileSize = reader.readU32le();
    h.reserved1 = reader.readU16le();
    h.reserved2 = reader.readU16le();
    h.pixelOffset = reader.readU32le();
    return h;
}

}  // namespace

std::optional<DecodedImage> decodeBmp(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    ByteReader reader(bytes);
    const BmpFileHeader file = readBmpFileHeader(reader);
    const BitmapInfoHeader info = readBitmapInfoHeader(reader);
    if (reader.failed()) return decodeFailed(why, DecodeFailure::Truncated);
    if (file.signature != kBmpSignature) return decodeFailed(why, DecodeFailure::BadSignature);
    // A 12-byte OS/2 header keeps 16-bit sizes where the fields read above would be.
    if (info.headerSize < kBitmapInfoHeaderSize) return decodeFailed(why, DecodeFailure::Unsupported);
    if (info.compression != static_cast<std::uint32_t>(BitmapCompression::Rgb))
        return decodeFailed(why, DecodeFailure::Unsupported);
    if (!isReadableBitmapDepth(info.bitsPerPixel)) return decodeFailed(why, DecodeFailure::Unsupported);

    // A negative height marks a top-down file; the picture is the same either way.
    const std::int64_t width = info.width < 0 ? -std::int64_t{info.width} : info.width;
    const std::int64_t height = info.height < 0 ? -std::int64_t{info.height} : info.height;
    const bool topDown = info.height < 0;
    if (width == 0 || height == 0) return decodeFailed(why, DecodeFailure::Corrupt);
    const auto blockSize = checkedBlockSize(width, height, width * 3);
    if (!blockSize) return decodeFailed(why, DecodeFailure::TooLarge);

    // The colour table follows the information header, which later versions make longer than 40 bytes.
    reader.seek(kBmpFileHeaderSize + std::size_t{info.headerSize});
    const std::vector<BgrColour> colours =
        readColourTable(reader, bitmapColourCount(info.bitsPerPixel, info.coloursUsed));
    if (reader.failed()) return decodeFailed(why, DecodeFailure::Truncated);
    if (file.pixelOffset < reader.position()) return decodeFailed(why, DecodeFailure::Corrupt);
    if (file.pixelOffset > bytes.size()) return decodeFailed(why, DecodeFailure::Truncated);

    // Every row must be in the file (the last one may lack its padding) before anything is allocated.
    const std::uint64_t stride = bitmapRowStride(width, info.bitsPerPixel);
    const std::uint64_t rowBytes = bitmapRowPixelBytes(width, info.bitsPerPixel);
    const std::uint64_t needed = stride * static_cast<std::uint64_t>(height - 1) + rowBytes;
    if (needed > bytes.size() - file.pixelOffset) return decodeFailed(why, DecodeFailure::Truncated);

    DecodedImage image;
    image.kind = ImageKind::Bmp;
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    if (!resizePixelBlock(image.pixels, *blockSize)) return decodeFailed(why, DecodeFailure::TooLarge);

    const BitmapRowFormat format{image.width, info.bitsPerPixel, colours};
    const std::size_t outStride = static_cast<std::size_t>(width) * 3;
    reader.seek(file.pixelOffset);
    for (std::int64_t fileRow = 0; fileRow < height; ++fileRow) {
        const auto row = reader.readBytes(static_cast<std::size_t>(rowBytes));
        if (reader.failed()) return decodeFailed(why, DecodeFailure::Truncated);
        // Stored pictures are bottom-up, as most files are.
        const std::int64_t storedRow = topDown ? height - 1 - fileRow : fileRow;
        expandBitmapRow(row, format, image.pixels.data() + static_cast<std::size_t>(storedRow) * outStride, 3);
        if (fileRow + 1 < height) reader.skip(static_cast<std::size_t>(stride - rowBytes));
    }
    if (why) *why = DecodeFailure::None;
    return image;
}

}  // namespace tavrel
