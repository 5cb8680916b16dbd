#pragma once
// Size arithmetic done before any allocation that a file's header drives.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "image/memory_check.h"  // memoryAvailableFor, for every caller of these limits

namespace tavrel {

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing hunts faults, not big pictures: a tiny file claiming a huge size would only make runs
// slow and memory-bound. 2^23 pixels still takes every file of the test corpus.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 23;
#else
// No picture of more pixels than this is decoded: 2^28 pixels is far beyond any camera
// and keeps every per-picture buffer below 2 GiB at 4 bytes a pixel.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;
#endif

// Byte size of a width x height block at `bytesPerRow` for the given stride rule, or nullopt when the
// sizes are not positive, the pixel count exceeds kMaxPixels, or the total does not fit in an int32
// (every pixel block is counted in a signed 32-bit field).
inline std::optional<std::size_t> checkedBlockSize(std::int64_t width, std::int64_t height, std::int64_t bytesPerRow,
                                                   std::int64_t extra = 0) {
    if (width <= 0 || height <= 0 || bytesPerRow <= 0 || extra < 0) return std::nullopt;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPixels) return std::nullopt;
    const std::uint64_t total = static_cast<std::uint64_t>(bytesPerRow) * static_cast<std::uint64_t>(height) +
                                static_cast<std::uint64_t>(extra);
    if (total > 0x7fffffffu) return std::nullopt;
    return static_cast<std::size_t>(total);
}

}  // namespace tavrel
