#pragma once
// GIF's variant of LZW: variable-width codes taken least significant bit first from length-prefixed
// sub-blocks. Shared by the still GIF decoder and the preview box's animation.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrel {

// Codes are at most 12 bits wide, so the table never holds more than 4,096 strings.
inline constexpr std::size_t kLzwMaxCodes = 4096;
// An entry is prefix code (u16), last byte, first byte, string length (u16).
inline constexpr std::size_t kLzwEntryBytes = 6;
inline constexpr std::size_t kLzwTableBytes = kLzwMaxCodes * kLzwEntryBytes;  // 24,576

// Minimum code sizes we decode. GIF writers use 2..8, and a few write 1 for two-colour images (the
// width then grows to 3 bits right after the first code). Up to 11 still fits 12-bit codes, so those
// are read too (literals above 255 keep their low 8 bits). 0 leaves no room for the end code.
inline constexpr int kLzwMinCodeSizeLow = 1;
inline constexpr int kLzwMinCodeSizeHigh = 11;

// How a decode ended. The values are fixed so a fuzzer or a log can name them.
enum class LzwResult : std::int32_t {
    EndCode = 0,       // the end code was read
    DataEnded = 1,     // the sub-blocks ran out first; everything decoded until then stands
    BadCodeSize = 2,   // minimum code size outside kLzwMinCodeSizeLow..kLzwMinCodeSizeHigh
    IllegalCode = 3,   // a code the table cannot resolve
    TableTooSmall = 4  // the caller's table span is shorter than kLzwTableBytes
};

// "end code", "data ended", "bad code size", "illegal code", "table too small".
const char* lzwResultName(LzwResult result);

inline constexpr bool lzwSucceeded(LzwResult result) {
    return result == LzwResult::EndCode || result == LzwResult::DataEnded;
}

// Receives the decoded indices in order, one string at a time; it drops what does not fit.
class LzwSink {
public:
    virtual void write(const std::uint8_t* indices, std::size_t count) = 0;

protected:
    ~LzwSink() = default;
};

// Decodes one image's code stream. `subBlocks` starts at the first sub-block's length byte (just
// after the minimum code size byte); reading stops at the zero-length terminator or the end of the
// span, after which every byte reads as 0xFF. `table` is the caller's storage for the code table
// (kLzwTableBytes), so an image's rows and its table can share one allocation.
//
// A code that reaches into those 0xFF bytes ends the image as DataEnded unless it is the end code:
// a cut-off file keeps the pixels it has. Once the table holds 4,096 strings, codes go on being
// read against the full table without adding to it (a deferred clear), which is what encoders that
// skip the clear code expect.
LzwResult decodeLzw(std::span<const std::uint8_t> subBlocks, int minCodeSize, std::span<std::uint8_t> table,
                    LzwSink& sink);

}  // namespace tavrel
