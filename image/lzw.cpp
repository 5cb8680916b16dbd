#include "image/lzw.h"

#include <array>

#include "image/byte_reader.h"

namespace tavrel {
namespace {

constexpr int kMaxCodeWidth = 12;
constexpr std::uint16_t kNoPrefix = 0xFFFF;

// Bytes of the sub-blocks, read only as codes need them; past the terminator or the end of the
// data every byte is 0xFF, and the reader remembers how many of the buffered bits are real.
class CodeReader {
public:
    explicit CodeReader(std::span<const std::uint8_t> subBlocks) : in_(subBlocks) {}

    // The next code of `width` bits; `*pastData` tells whether any of its bits were filler.
    std::uint32_t read(int width, bool* pastData) {
        while (bufferedBits_ < width) {
            bool real = false;
            const std::uint32_t byte = nextByte(&real);
            bits_ |= byte << bufferedBits_;
            bufferedBits_ += 8;
            if (real) realBits_ = bufferedBits_;
        }
        const std::uint32_t code = bits_ & ((1u << width) - 1u);
        bits_ >>= width;
        bufferedBits_ -= width;
        *pastData = realBits_ < width;
        realBits_ = realBits_ > width ? realBits_ - width : 0;
        return code;
    }

private:
    std::uint32_t nextByte(bool* real) {
        if (!ended_ && blockLeft_ == 0) {
            blockLeft_ = in_.readU8();
            if (in_.failed() || blockLeft_ == 0) ended_ = true;
        }
        if (ended_) return 0xFF;
        const std::uint8_t byte = in_.readU8();
        if (in_.failed()) {
            ended_ = true;
            return 0xFF;
        }
        --blockLeft_;
        *real = true;
        return byte;
    }

    ByteReader in_;
    std::size_t blockLeft_ = 0;
    bool ended_ = false;
    std::uint32_t bits_ = 0;
    int bufferedBits_ = 0;
    int realBits_ = 0;
};

// The code table lives in caller-provided bytes; entries are read and written field by field.
class CodeTable {
public:
    explicit CodeTable(std::span<std::uint8_t> bytes) : bytes_(bytes) {}

    void set(std::uint32_t code, std::uint16_t prefix, std::uint8_t last, std::uint8_t first, std::uint16_t length) {
        std::uint8_t* e = entry(code);
        e[0] = static_cast<std::uint8_t>(prefix);
        e[1] = static_cast<std::uint8_t>(prefix >> 8);
        e[2] = last;
        e[3] = first;
        e[4] = static_cast<std::uint8_t>(length);
        e[5] = static_cast<std::uint8_t>(length >> 8);
    }
    std::uint16_t prefix(std::uint32_t code) const { return readU16(entry(code)); }
    std::uint8_t last(std::uint32_t code) const { return entry(code)[2]; }
    std::uint8_t first(std::uint32_t code) const { return entry(code)[3]; }
    std::uint16_t length(std::uint32_t code) const { return readU16(entry(code) + 4); }

private:
    static std::uint16_t readU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
    std::uint8_t* entry(std::uint32_t code) const { return bytes_.data() + std::size_t{code} * kLzwEntryBytes; }

    std::span<std::uint8_t> bytes_;
};

// Collects decoded strings and hands them to the sink in large pieces, so the sink is called once
// per few thousand indices rather than once per code.
class PendingOutput {
public:
    explicit PendingOutput(LzwSink& sink) : sink_(sink) {}
    ~PendingOutput() { flush(); }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Room for `count` more indices (count is at most kLzwMaxCodes).
    std::uint8_t* reserve(std::size_t count) {
        if (used_ + count > buffer_.size()) flush();
        std::uint8_t* out = buffer_.data() + used_;
        used_ += count;
        return out;
    }

private:
    void flush() {
        if (used_ > 0) sink_.write(buffer_.data(), used_);
        used_ = 0;
    }

    LzwSink& sink_;
    std::array<std::uint8_t, 4 * kLzwMaxCodes> buffer_;
    std::size_t used_ = 0;
};

}  // namespace

const char* lzwResultName(LzwResult result) {
    switch (result) {
        case LzwResult::EndCode: return "end code";
        case LzwResult::DataEnded: return "data ended";
        case LzwResult::BadCodeSize: return "bad code size";
        case LzwResult::IllegalCode: return "illegal code";
        case LzwResult::TableTooSmall: return "table too small";
    }
    return "unknown";
}

LzwResult decodeLzw(std::span<const std::uint8_t> subBlocks, int minCodeSize, std::span<std::uint8_t> tableBytes,
                    LzwSink& sink) {
    if (minCodeSize < kLzwMinCodeSizeLow || minCodeSize > kLzwMinCodeSizeHigh) return LzwResult::BadCodeSize;
    if (tableBytes.size() < kLzwTableBytes) return LzwResult::TableTooSmall;

    CodeTable table(tableBytes);
    const std::uint32_t clearCode = 1u << minCodeSize;
    const std::uint32_t endCode = clearCode + 1;
    for (std::uint32_t code = 0; code < clearCode; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        table.set(code, kNoPrefix, byte, byte, 1);
    }
    table.set(clearCode, kNoPrefix, 0, 0, 0);
    table.set(endCode, kNoPrefix, 0, 0, 0);

    CodeReader reader(subBlocks);
    int width = minCodeSize + 1;
    std::uint32_t nextFree = endCode + 1;
    std::uint32_t previous = kNoPrefix;
    PendingOutput output(sink);

    for (;;) {
        bool pastData = false;
        const std::uint32_t code = reader.read(width, &pastData);
        if (code == endCode) return LzwResult::EndCode;
        if (pastData) return LzwResult::DataEnded;
        if (code == clearCode) {
            width = minCodeSize + 1;
            nextFree = endCode + 1;
            previous = kNoPrefix;
            continue;
        }

        const bool known = code < clearCode || (code > endCode && code < nextFree);
        if (known) {
            // A new string: the previous one plus the first byte of this one.
            if (previous != kNoPrefix && nextFree < kLzwMaxCodes) {
                table.set(nextFree, static_cast<std::uint16_t>(previous), table.first(code), table.first(previous),
                          static_cast<std::uint16_t>(table.length(previous) + 1));
                ++nextFree;
            }
        } else if (code == nextFree && previous != kNoPrefix && nextFree < kLzwMaxCodes) {
            // The code being defined right now: previous string plus its own first byte.
            table.set(nextFree, static_cast<std::uint16_t>(previous), table.first(previous), table.first(previous),
                      static_cast<std::uint16_t>(table.length(previous) + 1));
            ++nextFree;
        } else {
            return LzwResult::IllegalCode;
        }

        // Every entry's prefix is a smaller code, so the walk always steps down to a literal.
        // Strings are spelled back to front; the longest is one byte per table entry.
        std::size_t at = table.length(code);
        std::uint8_t* spelled = output.reserve(at);
        for (std::uint32_t c = code; at > 0; c = table.prefix(c)) spelled[--at] = table.last(c);

        previous = code;
        if (nextFree == (1u << width) && width < kMaxCodeWidth) ++width;
    }
}

}  // namespace tavrel
