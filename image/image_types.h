#pragma once
// Types shared by every part of the image layer: decoded pictures, their kinds and why a decode failed.

#include <cstdint>
#include <optional>
#include <vector>

namespace tavrel {

using ByteBuffer = std::vector<std::uint8_t>;

// Stored in decoded pictures and printed by the CLI; the values are fixed.
enum class ImageKind : std::int32_t {
    Unknown = 0,
    Jpeg = 1,
    Bmp = 2,
    Icon = 3,
    Cursor = 4,
    Gif = 5,
    Pcx8 = 6,
    Pcx1 = 7,
    Png = 8,
};

const char* imageKindName(ImageKind kind);

// Why a decode gave no picture; kept beside the result so tests can tell which check fired.
enum class DecodeFailure : std::int32_t {
    None = 0,
    Truncated = 1,     // the data ends before a required part
    BadSignature = 2,  // the leading bytes name no kind we read
    Unsupported = 3,   // a valid file in a variant we do not read (RLE BMP, 16-bit BMP, ...)
    TooLarge = 4,      // the sizes exceed our pixel cap or do not fit in memory
    Corrupt = 5,       // inconsistent header or data
    Unreadable = 6,    // the file could not be opened or read
};

const char* decodeFailureName(DecodeFailure failure);

// An icon or cursor entry made drawable: top-down rows of blue, green, red, alpha (straight alpha).
// The entry's AND mask is folded into alpha (mask bit set -> alpha 0), so drawing needs nothing else.
struct IconImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bgra;
};

// One decoded picture. The pixel layout depends on the kind:
//  Jpeg, Bmp: 3 bytes a pixel (blue, green, red), rows bottom-up, packed (3 * width a row).
//  Png: 4 bytes a pixel (blue, green, red, straight alpha), rows top-down.
//  Gif: 40-byte bitmap info header (height negative: top-down), 256 colour entries (b, g, r, 0),
//       8-bit rows padded to 4 bytes, then the 24,576-byte LZW code table. width/height are
//       the logical screen, the header's are the first image's.
//  Pcx8: 40-byte header, 256 colour entries, 8-bit rows (stride = bytes-per-line * planes, padded to 4).
//  Pcx1: 1-bit rows top-down, most significant bit leftmost, stride ceil(width / 8) rounded to even.
//  Icon, Cursor: no pixel block; `icon` holds the drawable entry.
struct DecodedImage {
    ImageKind kind = ImageKind::Unknown;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::optional<IconImage> icon;
    ByteBuffer pixels;

    std::int32_t pixelBytes() const { return static_cast<std::int32_t>(pixels.size()); }
};

// Sizes a pixel block to `size` bytes (zeroed); false when memory is short. Big blocks ask the
// system for huge pages first: faulting in a large picture 4 KiB at a time costs more than decoding it.
bool resizePixelBlock(ByteBuffer& block, std::size_t size) noexcept;

// Handle of a registered picture; 0 is no picture.
using ImageHandle = std::uint32_t;

}  // namespace tavrel
