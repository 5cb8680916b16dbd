#pragma once
// Little-endian stores into headers we build ourselves (bitmap headers, exported files).

#include <cstdint>

namespace tavrel {

inline void putU16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putU32(std::uint8_t* at, std::uint32_t value) {
    putU16(at, value);
    putU16(at + 2, value >> 16);
}

}  // namespace tavrel
