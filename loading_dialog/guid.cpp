#include "loading_dialog/guid.h"

#include <algorithm>
#include <array>

namespace tavrel {
namespace {

// "{" 8 "-" 4 "-" 4 "-" 4 "-" 12 "}"
constexpr std::size_t kGuidTextLength = 38;
constexpr std::array<std::size_t, 4> kDashPositions = {9, 14, 19, 24};

int hexValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return -1;
}

bool isDashPosition(std::size_t position) {
    return std::find(kDashPositions.begin(), kDashPositions.end(), position) != kDashPositions.end();
}

}  // namespace

bool parseGuid(std::string_view text, std::span<std::uint8_t, kGuidSize> bytes) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}') return false;

    // The digits in text order first; a number parser would also take signs and spaces.
    std::array<std::uint8_t, kGuidSize> written{};
    std::size_t digitCount = 0;
    for (std::size_t position = 1; position + 1 < text.size(); ++position) {
        if (isDashPosition(position)) {
            if (text[position] != '-') return false;
            continue;
        }
        const int value = hexValue(text[position]);
        if (value < 0) return false;
        written[digitCount / 2] = static_cast<std::uint8_t>((written[digitCount / 2] << 4) | value);
        ++digitCount;
    }

    // Data1, Data2 and Data3 are numbers stored little-endian; Data4 is a plain byte array.
    std::reverse(written.begin(), written.begin() + 4);
    std::reverse(written.begin() + 4, written.begin() + 6);
    std::reverse(written.begin() + 6, written.begin() + 8);
    std::copy(written.begin(), written.end(), bytes.begin());
    return true;
}

}  // namespace tavrel
