#pragma once
// JPEG decoding row by row, so a consumer can work on each row while the next is decoded.

#include <cstdint>
#include <span>

#include "image/image_types.h"

namespace tavrel {

// Receives a JPEG's rows as they are decoded, top row first, each 3 * width bytes of blue, green,
// red. The decoder runs inside libjpeg's error handling, so none of these may throw.
class JpegRowSink {
public:
    // The output size, known before any row; false stops the decode (reported as TooLarge).
    virtual bool begin(std::int32_t width, std::int32_t height) noexcept = 0;
    // Where row y (0 = top) is to be written: at least 3 * width bytes; nullptr stops the decode.
    virtual std::uint8_t* rowBuffer(std::int32_t y) noexcept = 0;
    // Row y now holds its final pixels.
    virtual void rowDone(std::int32_t y) noexcept = 0;

protected:
    ~JpegRowSink() = default;
};

// Decodes the whole stream into `sink`; false on failure with the reason in *why when given.
// The sink may have received rows before a failure (a fatal error in the last scan).
bool decodeJpegRows(std::span<const std::uint8_t> bytes, JpegRowSink& sink, DecodeFailure* why);

}  // namespace tavrel
