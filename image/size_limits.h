#pragma once
// Size arithmetic done before any allocation that a file's header drives.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>

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

// Whether a block of `bytes` may be allocated. Linux hands out large blocks lazily and kills the
// process when they cannot be backed on first touch (and the sanitizer runtime aborts on a failed
// `new` instead of throwing), so blocks above a few megabytes are checked first against the memory
// the kernel reports as available; callers still catch std::bad_alloc for what this cannot foresee.
inline bool memoryAvailableFor(std::uint64_t bytes) {
    constexpr std::uint64_t kAlwaysTried = std::uint64_t{64} << 20;
    if (bytes <= kAlwaysTried) return true;
    if (bytes >= (std::uint64_t{1} << 48)) return false;  // beyond any address space we run in
    std::FILE* file = std::fopen("/proc/meminfo", "r");
    if (!file) return true;  // nothing to ask: rely on the allocator's own refusal
    char line[256];
    std::uint64_t availableKiB = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, file)) {
        unsigned long long value = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &value) == 1) {
            availableKiB = value;
            found = true;
        }
    }
    std::fclose(file);
    return !found || bytes / 1024 < availableKiB;
}

}  // namespace tavrel
