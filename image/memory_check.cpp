#include "image/memory_check.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

namespace tavrel {

namespace {

// Limits at or above this mean "no limit": cgroup v1 reports the unlimited case as the largest
// page-aligned 63-bit number.
constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 62;

std::optional<std::string> readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::optional<std::uint64_t> parseNumber(std::string_view text) {
    text = trimmed(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> readNumber(const std::string& path) {
    const std::optional<std::string> text = readText(path);
    return text ? parseNumber(*text) : std::nullopt;
}

// The number after `key` in a file of "key value [unit]" lines (/proc/meminfo, memory.stat).
std::optional<std::uint64_t> keyedNumber(const std::string& text, std::string_view key) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::string_view view(line);
        if (view.size() <= key.size() || view.substr(0, key.size()) != key || (view[key.size()] != ' ' && view[key.size()] != '\t')) {
            continue;
        }
        view = trimmed(view.substr(key.size()));
        return parseNumber(view.substr(0, view.find_first_of(" \t")));
    }
    return std::nullopt;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const auto start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        line.remove_prefix(start);
        const auto end = line.find(' ');
        fields.push_back(line.substr(0, end));
        if (end == std::string_view::npos) break;
        line.remove_prefix(end);
    }
    return fields;
}

bool listHas(std::string_view list, std::string_view item) {
    while (true) {
        const auto comma = list.find(',');
        if (list.substr(0, comma) == item) return true;
        if (comma == std::string_view::npos) return false;
        list.remove_prefix(comma + 1);
    }
}

// Paths in mountinfo write space, tab, newline and backslash as three octal digits after "\".
std::string unescapeMountPath(std::string_view path) {
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\' && i + 3 < path.size() &&
            std::all_of(path.begin() + i + 1, path.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; })) {
            out.push_back(static_cast<char>((path[i + 1] - '0') * 64 + (path[i + 2] - '0') * 8 + (path[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(path[i]);
        }
    }
    return out;
}

struct Mount {
    std::string root;   // the folder of the hierarchy shown at the mount point
    std::string point;  // where it is mounted
};

// The first mount of the v2 hierarchy (version 2) or of the v1 hierarchy holding the memory
// controller (version 1).
std::optional<Mount> findMount(const std::string& mountinfo, int version) {
    std::istringstream lines(mountinfo);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string_view> fields = splitFields(line);
        const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
        if (dash - fields.begin() < 6 || fields.end() - dash < 4) continue;
        const std::string_view type = dash[1];
        const std::string_view superOptions = dash[3];
        const bool wanted = version == 2 ? type == "cgroup2" : type == "cgroup" && listHas(superOptions, "memory");
        if (wanted) return Mount{unescapeMountPath(fields[3]), unescapeMountPath(fields[4])};
    }
    return std::nullopt;
}

// The folder of the mount's top group, without a closing "/".
std::string mountTop(const std::string& root, const Mount& mount) {
    std::string top = root + mount.point;
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    return top;
}

// The process's path in the v2 hierarchy (version 2) or the one holding the memory controller.
std::optional<std::string> ownGroupPath(const std::string& cgroups, int version) {
    std::istringstream lines(cgroups);
    for (std::string line; std::getline(lines, line);) {
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? std::string::npos : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string_view id = std::string_view(line).substr(0, first);
        const std::string_view controllers = std::string_view(line).substr(first + 1, second - first - 1);
        const bool wanted = version == 2 ? id == "0" && controllers.empty() : listHas(controllers, "memory");
        if (wanted) return line.substr(second + 1);
    }
    return std::nullopt;
}

// Where the group at `path` lies under the mount, or nothing when the mount does not show it
// (a group outside a container's view of the hierarchy).
std::optional<std::string> groupFolder(const std::string& root, const Mount& mount, const std::string& path) {
    if (path.empty() || path.front() != '/' || path.find("/..") != std::string::npos) return std::nullopt;
    std::string relative;
    if (mount.root == "/") {
        relative = path == "/" ? std::string() : path;
    } else if (path == mount.root) {
        relative.clear();
    } else if (path.size() > mount.root.size() && path.compare(0, mount.root.size(), mount.root) == 0 &&
               path[mount.root.size()] == '/') {
        relative = path.substr(mount.root.size());
    } else {
        return std::nullopt;
    }
    return mountTop(root, mount) + relative;
}

// Limit less use for one group, or nothing when it has no limit or it cannot be read.
std::optional<std::uint64_t> groupHeadroom(const std::string& folder, int version) {
    // v2 writes "max" for no limit, which reads as no number here.
    const std::optional<std::uint64_t> limit =
        readNumber(folder + (version == 2 ? "/memory.max" : "/memory.limit_in_bytes"));
    if (!limit || *limit >= kNoLimit) return std::nullopt;
    const std::optional<std::uint64_t> usage =
        readNumber(folder + (version == 2 ? "/memory.current" : "/memory.usage_in_bytes"));
    if (!usage) return std::nullopt;
    // Both usages count the whole subtree; so do v2's statistics, and v1's "total_" ones.
    const std::optional<std::string> stat = readText(folder + "/memory.stat");
    const std::optional<std::uint64_t> droppable =
        stat ? keyedNumber(*stat, version == 2 ? "inactive_file" : "total_inactive_file") : std::nullopt;
    const std::uint64_t used = *usage - std::min(*usage, droppable.value_or(0));
    return *limit > used ? *limit - used : 0;
}

// The tightest headroom from the group's folder up to the top of its mount.
std::optional<std::uint64_t> tightestHeadroom(const std::string& root, const MemoryGroup& group, const Mount& mount) {
    const std::string top = mountTop(root, mount);
    std::optional<std::uint64_t> tightest;
    std::string folder = group.folder;
    while (true) {
        if (const auto headroom = groupHeadroom(folder, group.version)) {
            tightest = std::min(tightest.value_or(*headroom), *headroom);
        }
        if (folder.size() <= top.size()) break;
        folder.erase(folder.rfind('/'));
    }
    return tightest;
}

struct MountedGroup {
    MemoryGroup group;
    Mount mount;
};

std::vector<MountedGroup> mountedGroups(const std::string& root) {
    std::vector<MountedGroup> groups;
    const std::optional<std::string> cgroups = readText(root + "/proc/self/cgroup");
    const std::optional<std::string> mountinfo = readText(root + "/proc/self/mountinfo");
    if (!cgroups || !mountinfo) return groups;
    for (int version : {1, 2}) {
        const std::optional<std::string> path = ownGroupPath(*cgroups, version);
        std::optional<Mount> mount = findMount(*mountinfo, version);
        if (!path || !mount) continue;
        if (std::optional<std::string> folder = groupFolder(root, *mount, *path)) {
            groups.push_back({{std::move(*folder), version}, std::move(*mount)});
        }
    }
    return groups;
}

}  // namespace

std::vector<MemoryGroup> ownMemoryGroups(const std::string& root) {
    std::vector<MemoryGroup> groups;
    for (MountedGroup& mounted : mountedGroups(root)) groups.push_back(std::move(mounted.group));
    return groups;
}

std::optional<std::uint64_t> MemoryFigures::smallest() const {
    if (systemAvailable && groupHeadroom) return std::min(*systemAvailable, *groupHeadroom);
    return systemAvailable ? systemAvailable : groupHeadroom;
}

MemoryFigures readMemoryFigures(const std::string& root) {
    MemoryFigures figures;
    if (const std::optional<std::string> meminfo = readText(root + "/proc/meminfo")) {
        if (const auto kib = keyedNumber(*meminfo, "MemAvailable:"); kib && *kib < (std::uint64_t{1} << 53)) {
            figures.systemAvailable = *kib * 1024;
        }
    }
    for (const MountedGroup& mounted : mountedGroups(root)) {
        if (const auto headroom = tightestHeadroom(root, mounted.group, mounted.mount)) {
            figures.groupHeadroom = std::min(figures.groupHeadroom.value_or(*headroom), *headroom);
        }
    }
    return figures;
}

bool memoryAvailableFor(std::uint64_t bytes, const std::string& root) {
    if (bytes <= kUncheckedBlockBytes) return true;
    if (bytes >= (std::uint64_t{1} << 48)) return false;  // beyond any address space we run in
    const std::optional<std::uint64_t> available = readMemoryFigures(root).smallest();
    if (!available) return true;  // nothing to ask: rely on the allocator's own refusal
    return *available >= bytes && *available - bytes >= kUncheckedBlockBytes;
}

}  // namespace tavrel
