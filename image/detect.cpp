#include <algorithm>
#include <array>

#include "image/decode.h"

namespace tavrel {

namespace {

using LeadBytes = std::array<std::uint8_t, 8>;

std::uint16_t u16At(const LeadBytes& b, std::size_t offset) {
    return static_cast<std::uint16_t>(b[offset] | (b[offset + 1] << 8));
}

struct KindTest {
    ImageKind kind;
    bool (*matches)(const LeadBytes& b);
};

// Tried in order; the first match decides. The icon, cursor and PCX tests look at a few small
// values that many files could hold by chance, so they come after every test on a real signature.
constexpr KindTest kKindTests[] = {
    {ImageKind::Bmp, [](const LeadBytes& b) { return b[0] == 0x42 && b[1] == 0x4D; }},
    {ImageKind::Jpeg, [](const LeadBytes& b) { return b[0] == 0xFF && b[1] == 0xD8; }},
    {ImageKind::Png, [](const LeadBytes& b) { return b[0] == 0x89 && b[1] == 0x50 && b[2] == 0x4E && b[3] == 0x47; }},
    {ImageKind::Icon, [](const LeadBytes& b) { return u16At(b, 0) == 0 && u16At(b, 2) == 1 && u16At(b, 4) > 0; }},
    {ImageKind::Cursor, [](const LeadBytes& b) { return u16At(b, 0) == 0 && u16At(b, 2) == 2 && u16At(b, 4) > 0; }},
    {ImageKind::Gif,
     [](const LeadBytes& b) {
         return b[0] == 0x47 && b[1] == 0x49 && b[2] == 0x46 && b[3] == 0x38 && (b[4] == 0x37 || b[4] == 0x39) &&
                b[5] == 0x61;
     }},
    {ImageKind::Pcx8, [](const LeadBytes& b) { return b[0] == 0x0A && b[1] <= 5 && b[2] == 1 && b[3] == 8; }},
    {ImageKind::Pcx1, [](const LeadBytes& b) { return b[0] == 0x0A && b[1] == 3 && b[2] == 1 && b[3] == 1; }},
};

}  // namespace

ImageKind detectImageKind(std::span<const std::uint8_t> firstBytes) {
    LeadBytes lead{};
    if (firstBytes.size() < lead.size()) return ImageKind::Unknown;
    std::copy_n(firstBytes.begin(), lead.size(), lead.begin());
    for (const KindTest& test : kKindTests) {
        if (test.matches(lead)) return test.kind;
    }
    return ImageKind::Unknown;
}

}  // namespace tavrel
