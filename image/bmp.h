#pragma once
// Windows bitmap rows, shared by BMP files and the bitmaps stored inside icons and cursors.

#include <cstdint>
#include <span>
#include <vector>

#include "image/byte_reader.h"

namespace tavrel {

// The 40-byte information header, fields in file order. BMP files carry it after their 14-byte
// file header; icon entries start with it (their height counts the colour rows and the mask).
struct BitmapInfoHeader {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t coloursImportant = 0;
};
inline constexpr std::size_t kBitmapInfoHeaderSize = 40;

// Compression values we meet; only uncompressed rows are read.
enum class BitmapCompression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// Reads the 40 bytes at the reader's position; a short read leaves the reader failed.
BitmapInfoHeader readBitmapInfoHeader(ByteReader& reader);

// One colour table entry (stored as blue, green, red, unused).
struct BgrColour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};

// How the rows of a bitmap are stored.
struct BitmapRowFormat {
    std::int32_t width = 0;             // pixels a row, above 0
    std::uint16_t bitsPerPixel = 0;     // 1, 4, 8, 24 or 32
    std::span<const BgrColour> colours;  // the table of 1-, 4- and 8-bit rows
};

bool isReadableBitmapDepth(std::uint32_t bitsPerPixel);
// Entries the colour table holds: the colours-used count, or 2^bits when that is 0; none above 8 bits.
std::uint64_t bitmapColourCount(std::uint32_t bitsPerPixel, std::uint32_t coloursUsed);
// Reads `count` 4-byte entries. Only the first 256 are kept: no 8-bit index reaches further.
std::vector<BgrColour> readColourTable(ByteReader& reader, std::uint64_t count);

// Bytes of a stored row including the padding to a multiple of 4.
std::uint64_t bitmapRowStride(std::int64_t width, std::uint32_t bitsPerPixel);
// Bytes of a stored row that hold pixels (the stride without its padding).
std::uint64_t bitmapRowPixelBytes(std::int64_t width, std::uint32_t bitsPerPixel);

// Expands one stored row (at least bitmapRowPixelBytes long) into `out`, `outBytesPerPixel` bytes a
// pixel: 3 gives blue, green, red; 4 adds alpha (a 32-bit row's fourth byte, else 255). An index
// beyond the colour table reads as black.
void expandBitmapRow(std::span<const std::uint8_t> row, const BitmapRowFormat& format, std::uint8_t* out,
                     int outBytesPerPixel);

}  // namespace tavrel
