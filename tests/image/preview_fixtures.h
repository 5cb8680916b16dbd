#pragma once
// GIF files assembled byte by byte for the preview tests.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavrel::testing {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

class GifBuilder {
public:
    // Logical screen of width x height with a global table of 4 colours (minimum code size 2).
    GifBuilder(std::uint16_t width, std::uint16_t height, const std::vector<Rgb>& colours)
        : bytes_{'G', 'I', 'F', '8', '9', 'a'} {
        putU16(width);
        putU16(height);
        bytes_.push_back(0x80 | 0x01);  // global table of 2^(1+1) = 4 entries
        bytes_.push_back(0);            // background index: not used
        bytes_.push_back(0);            // aspect ratio: not used
        for (std::size_t i = 0; i < 4; ++i) {
            const Rgb c = i < colours.size() ? colours[i] : Rgb{};
            bytes_.insert(bytes_.end(), {c.red, c.green, c.blue});
        }
    }

    // A graphic control extension: disposal method, delay in hundredths, transparent index if any.
    GifBuilder& control(std::uint8_t disposal, std::uint16_t delay, std::optional<std::uint8_t> transparent) {
        bytes_.insert(bytes_.end(), {0x21, 0xF9, 0x04});
        bytes_.push_back(static_cast<std::uint8_t>((disposal << 2) | (transparent ? 1 : 0)));
        putU16(delay);
        bytes_.push_back(transparent.value_or(0));
        bytes_.push_back(0);  // block terminator
        return *this;
    }

    // An image descriptor without a local table, then its indices coded with a clear code before
    // every literal, which keeps every code 3 bits wide. `minCodeSize` 0 makes undecodable data.
    GifBuilder& image(std::uint16_t left, std::uint16_t top, std::uint16_t width, std::uint16_t height,
                      const std::vector<std::uint8_t>& indices, std::uint8_t minCodeSize = 2) {
        bytes_.push_back(0x2C);
        putU16(left);
        putU16(top);
        putU16(width);
        putU16(height);
        bytes_.push_back(0);  // no local table, not interlaced
        bytes_.push_back(minCodeSize);
        std::vector<std::uint8_t> packed;
        std::uint32_t bits = 0;
        int count = 0;
        auto put = [&](std::uint32_t code) {
            bits |= code << count;
            count += 3;
            while (count >= 8) {
                packed.push_back(static_cast<std::uint8_t>(bits));
                bits >>= 8;
                count -= 8;
            }
        };
        for (std::uint8_t index : indices) {
            put(4);  // clear
            put(index);
        }
        put(5);  // end
        if (count > 0) packed.push_back(static_cast<std::uint8_t>(bits));
        for (std::size_t i = 0; i < packed.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
            bytes_.push_back(static_cast<std::uint8_t>(n));
            bytes_.insert(bytes_.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
                          packed.begin() + static_cast<std::ptrdiff_t>(i + n));
        }
        bytes_.push_back(0);  // sub-block terminator
        return *this;
    }

    std::vector<std::uint8_t> finish() {
        bytes_.push_back(0x3B);  // trailer
        return bytes_;
    }

private:
    void putU16(std::uint16_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    }

    std::vector<std::uint8_t> bytes_;
};

}  // namespace tavrel::testing
