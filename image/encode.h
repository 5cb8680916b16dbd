#pragma once
// Writing a result in the format its file name asks for.

#include <cstdint>
#include <span>
#include <string_view>

#include "image/bitmap.h"
#include "image/image_types.h"

namespace tavrel {

// Stored with settings and compared with them: the values are fixed.
enum class EncodedFormat : std::int32_t { Bmp = 0, Jpeg = 1, Png = 2 };

inline constexpr int kJpegQuality = 92;

// Baseline JPEG, quality 92, chroma halved both ways (4:2:0). Empty on failure.
ByteBuffer encodeJpeg(const Bitmap& bitmap);
// 8-bit RGB PNG. Empty on failure.
ByteBuffer encodePng(const Bitmap& bitmap);

// The format a file name's extension names (ASCII case ignored): .jpg .jpeg .jpe .jfif -> Jpeg,
// .png -> Png, .bmp -> Bmp, anything else (no extension included) -> `fallback`.
EncodedFormat formatForName(std::string_view fileName, EncodedFormat fallback);

// Our BMP result bytes re-encoded for `fileName`: Bmp gives the bytes unchanged; JPEG and PNG are
// empty when the bytes are not a 24-bit BMP or the encoder fails.
ByteBuffer encodeForName(std::span<const std::uint8_t> bmpBytes, std::string_view fileName, EncodedFormat fallback);

}  // namespace tavrel
