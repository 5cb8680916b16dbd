#pragma once
// GUIDs from their braced text form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", into the 16 bytes
// the platform keeps them in.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tavrel {

inline constexpr std::size_t kGuidSize = 16;

// Data1 (32 bits) and Data2, Data3 (16 bits each) land little-endian, the last 8 bytes as written.
// Hex digits may be of either case; nothing may surround the braces. A malformed text leaves all
// 16 bytes zero and returns false.
bool parseGuid(std::string_view text, std::span<std::uint8_t, kGuidSize> bytes);

}  // namespace tavrel
