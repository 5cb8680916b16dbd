#pragma once
// The one reader over untrusted bytes. A read past the end returns 0 and sets the sticky `failed`
// flag; decoders check it after each stage instead of after every byte.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrel {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return pos_ <= data_.size() ? data_.size() - pos_ : 0; }
    bool failed() const { return failed_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    std::uint8_t readU8() {
        if (pos_ >= data_.size()) {
            failed_ = true;
            return 0;
        }
        return data_[pos_++];
    }
    std::uint16_t readU16le() {
        if (!has(2)) return fail<std::uint16_t>();
        std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t readU32le() {
        if (!has(4)) return fail<std::uint32_t>();
        std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) | (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
                          (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
                          (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    std::int16_t readI16le() { return static_cast<std::int16_t>(readU16le()); }
    std::int32_t readI32le() { return static_cast<std::int32_t>(readU32le()); }

    // Moves forward; skipping past the end fails and leaves the reader at the end.
    void skip(std::size_t count) {
        if (!has(count)) {
            pos_ = data_.size();
            failed_ = true;
            return;
        }
        pos_ += count;
    }
    // Jumps to an absolute offset; an offset past the end fails.
    void seek(std::size_t offset) {
        if (offset > data_.size()) {
            pos_ = data_.size();
            failed_ = true;
            return;
        }
        pos_ = offset;
    }
    // The next `count` bytes, or an empty span (and failure) when fewer are left.
    std::span<const std::uint8_t> readBytes(std::size_t count) {
        if (!has(count)) {
            pos_ = data_.size();
            failed_ = true;
            return {};
        }
        auto out = data_.subspan(pos_, count);
        pos_ += count;
        return out;
    }

private:
    bool has(std::size_t count) const { return pos_ <= data_.size() && count <= data_.size() - pos_; }
    template <typename T>
    T fail() {
        pos_ = data_.size();
        failed_ = true;
        return 0;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace tavrel
