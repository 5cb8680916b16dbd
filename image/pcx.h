#pragma once
// PCX pictures: 8 bits a pixel with the palette at the end, or 1 bit a pixel in one plane.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "image/image_types.h"

namespace tavrel {

inline constexpr std::size_t kPcxHeaderBytes = 128;
// The 8-bit layout: bitmap info header and 256 colour entries before the rows.
inline constexpr std::size_t kPcxInfoHeaderBytes = 40;
inline constexpr std::size_t kPcxBlockOverhead = 1064;
// Marks the 256-colour palette that follows the 8-bit rows.
inline constexpr std::uint8_t kPcxPaletteMarker = 0x0C;

// The fixed header, fields in file order (the 16-colour palette and fillers are not used).
struct PcxHeader {
    std::uint8_t manufacturer = 0;  // 0x0A
    std::int8_t version = 0;        // at most 5
    std::uint8_t encoding = 0;      // 1: run-length
    std::uint8_t bitsPerPixel = 0;
    std::int16_t xMin = 0;
    std::int16_t yMin = 0;
    std::int16_t xMax = 0;
    std::int16_t yMax = 0;
    std::uint8_t planes = 0;  // at offset 65
    std::int16_t bytesPerLine = 0;

    std::int32_t width() const { return std::int32_t{xMax} - xMin + 1; }
    std::int32_t height() const { return std::int32_t{yMax} - yMin + 1; }
};

// The header of a file of more than 128 bytes; nullopt when shorter.
std::optional<PcxHeader> readPcxHeader(std::span<const std::uint8_t> bytes);

}  // namespace tavrel
