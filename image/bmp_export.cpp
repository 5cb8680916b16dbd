#include "image/bmp_export.h"

#include <new>

#include "image/byte_reader.h"
#include "image/byte_writer.h"
#include "image/size_limits.h"

namespace tavrel {

namespace {

}  // namespace

ByteBuffer makeBmp(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return {};
    const std::uint64_t stride = bmpStride(width);
    const std::uint64_t imageSize = stride * static_cast<std::uint64_t>(height);
    const std::uint64_t fileSize = kBmpHeaderBytes + imageSize;
    if (fileSize > 0xFFFFFFFFu || !memoryAvailableFor(fileSize)) return {};

    ByteBuffer out;
    try {
        out.resize(static_cast<std::size_t>(fileSize));  // zeros: reserved fields and row padding
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::uint8_t* header = out.data();
    header[0] = 'B';
    header[1] = 'M';
    putU32(header + 2, static_cast<std::uint32_t>(fileSize));
    putU32(header + 10, kBmpHeaderBytes);  // pixel data offset
    putU32(header + 14, 40);               // info header size
    putU32(header + 18, static_cast<std::uint32_t>(width));
    putU32(header + 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
    putU16(header + 26, 1);                                   // planes
    putU16(header + 28, 24);                                  // bits per pixel
    putU32(header + 34, static_cast<std::uint32_t>(imageSize));  // compression (30) stays 0
    return out;
}

PixelRows bmpPixelRows(ByteBuffer& bmp) {
    if (bmp.size() < kBmpHeaderBytes) return {};
    const auto width = static_cast<std::int32_t>(bmp[18] | (bmp[19] << 8) | (bmp[20] << 16) | (std::uint32_t(bmp[21]) << 24));
    const auto height = static_cast<std::int32_t>(bmp[22] | (bmp[23] << 8) | (bmp[24] << 16) | (std::uint32_t(bmp[25]) << 24));
    const auto stride = static_cast<std::ptrdiff_t>(bmpStride(width));
    if (width <= 0 || height <= 0 || (bmp.size() - kBmpHeaderBytes) / static_cast<std::size_t>(stride) < static_cast<std::size_t>(height)) {
        return {};
    }
    return {bmp.data() + kBmpHeaderBytes + stride * (height - 1), -stride, width, height, 3};
}

ByteBuffer exportBmp(const Bitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() < static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height)) {
        return {};
    }
    ByteBuffer out = makeBmp(bitmap.width, bitmap.height);
    const PixelRows rows = bmpPixelRows(out);
    if (!rows.first) return {};
    for (std::int32_t y = 0; y < bitmap.height; ++y) {
        const Pixel* in = bitmap.row(y);
        std::uint8_t* p = rows.first + y * rows.rowStep;
        for (std::int32_t x = 0; x < bitmap.width; ++x, p += 3) {
            p[0] = pixelBlue(in[x]);
            p[1] = pixelGreen(in[x]);
            p[2] = pixelRed(in[x]);
        }
    }
    return out;
}

std::optional<Bitmap> bitmapFromBmp(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    const std::uint16_t signature = reader.readU16le();
    reader.skip(8);  // file size and reserved fields: not needed to read the rows
    const std::uint32_t pixelOffset = reader.readU32le();
    const std::uint32_t headerSize = reader.readU32le();
    const std::int32_t width = reader.readI32le();
    const std::int32_t storedHeight = reader.readI32le();
    reader.skip(2);  // planes
    const std::uint16_t bitsPerPixel = reader.readU16le();
    const std::uint32_t compression = reader.readU32le();
    if (reader.failed() || signature != 0x4D42 || headerSize < 40 || bitsPerPixel != 24 || compression != 0 ||
        storedHeight == INT32_MIN) {
        return std::nullopt;
    }
    const std::int32_t height = storedHeight < 0 ? -storedHeight : storedHeight;
    const std::uint64_t stride = bmpStride(width);
    const auto rowsSize = checkedBlockSize(width, height, static_cast<std::int64_t>(stride));
    if (!rowsSize || pixelOffset > bytes.size() || *rowsSize > bytes.size() - pixelOffset) return std::nullopt;

    Bitmap bitmap;
    if (!allocateBitmap(bitmap, width, height, 0)) return std::nullopt;
    const std::uint8_t* line = bytes.data() + pixelOffset;
    for (std::int32_t stored = 0; stored < height; ++stored, line += stride) {
        Pixel* out = bitmap.row(storedHeight > 0 ? height - 1 - stored : stored);
        const std::uint8_t* in = line;
        for (std::int32_t x = 0; x < width; ++x, in += 3) out[x] = makePixel(in[2], in[1], in[0]);
    }
    return bitmap;
}

}  // namespace tavrel
