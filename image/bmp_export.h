#pragma once
// Every result the program makes is a 24-bit uncompressed BMP file: written from a Bitmap here, and
// read back into one for the encoders.

#include <cstdint>
#include <optional>
#include <span>

#include "image/bitmap.h"
#include "image/image_types.h"
#include "image/stretch.h"

namespace tavrel {

inline constexpr std::uint32_t kBmpHeaderBytes = 54;  // 14-byte file header, 40-byte info header

// Bytes in one exported row: 3 a pixel, padded to a multiple of 4.
inline constexpr std::uint64_t bmpStride(std::int64_t width) { return ((24 * static_cast<std::uint64_t>(width) + 31) / 32) * 4; }

// The whole file: headers, then the rows bottom row first, each blue, green, red and zero padding.
// Empty when the bitmap is empty, the file would not fit its 32-bit size fields, or memory is short.
ByteBuffer exportBmp(const Bitmap& bitmap);

// A file of width x height with its headers written and every row zero, for a stretch to fill
// in place; empty as for exportBmp.
ByteBuffer makeBmp(std::int64_t width, std::int64_t height);
// The rows of a file from makeBmp as a stretch target, row 0 at the top (stored last).
PixelRows bmpPixelRows(ByteBuffer& bmp);

// Reads a 24-bit uncompressed BMP (bottom-up or top-down rows) back into a Bitmap; nullopt for
// anything else, including a file shorter than its rows.
std::optional<Bitmap> bitmapFromBmp(std::span<const std::uint8_t> bytes);

}  // namespace tavrel
