#pragma once
// How much memory a big block may still take before the kernel would have to refuse it or kill
// the process for touching it.
//
// Linux hands out large blocks lazily and kills the process when they cannot be backed on first
// touch (and the sanitizer runtime aborts on a failed `new` instead of throwing), so blocks above
// kUncheckedBlockBytes are checked first against the smallest of two figures:
// - MemAvailable of /proc/meminfo, what the whole machine can give without swapping;
// - the headroom of the process's memory cgroup (v2, and the v1 "memory" controller): its limit
//   less what it uses, for the group and each parent up to the top of the mounted hierarchy, the
//   tightest of them. Containers and services are limited there, and MemAvailable knows nothing
//   of it. Page cache the group could drop (inactive_file) is not counted as used.
// A figure that cannot be read is left out; with none, the allocator's own refusal decides
// (callers catch std::bad_alloc for what this cannot foresee).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

// Blocks up to this size are always tried. Every checked block must also leave this much spare,
// so the unchecked ones that follow it still have room.
inline constexpr std::uint64_t kUncheckedBlockBytes = std::uint64_t{64} << 20;

// A memory cgroup of the process, as a folder of its mounted hierarchy.
struct MemoryGroup {
    std::string folder;
    int version = 0;  // 1 or 2
};

// The memory cgroups the process is in: at most one per hierarchy (v1 memory controller, v2),
// only those whose hierarchy is mounted where the process can see them.
// Everything is read under `root`: empty for the live system, a folder laid out like one in tests.
std::vector<MemoryGroup> ownMemoryGroups(const std::string& root = {});

struct MemoryFigures {
    std::optional<std::uint64_t> systemAvailable;  // bytes; MemAvailable
    std::optional<std::uint64_t> groupHeadroom;    // bytes; the tightest cgroup on the way up

    std::optional<std::uint64_t> smallest() const;
};

MemoryFigures readMemoryFigures(const std::string& root = {});

// Whether a block of `bytes` may be allocated now.
bool memoryAvailableFor(std::uint64_t bytes, const std::string& root = {});

}  // namespace tavrel
