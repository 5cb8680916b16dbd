// The memory figures read before big blocks, from small folders laid out like /proc and the
// cgroup mounts of a machine, a service, a container and the two cgroup versions.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/memory_check.h"

namespace tavrel {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;  // path under the root, contents
using Figure = std::optional<std::uint64_t>;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// 8 GiB available to the whole machine.
const std::pair<std::string, std::string> kMeminfo{"proc/meminfo",
                                                   "MemTotal:       24576000 kB\n"
                                                   "MemFree:        20000000 kB\n"
                                                   "MemAvailable:    8388608 kB\n"
                                                   "Buffers:          123456 kB\n"};

// Mount lines: id, parent, device, root of the mount, mount point, options, optional fields, "-",
// type, source, super options.
const std::string kPureV2Mount =
    "30 23 0:26 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:4 - cgroup2 cgroup2 rw,nsdelegate\n";
const std::string kHybridMounts =
    "31 22 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
    "32 31 0:29 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
    "35 31 0:32 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n"
    "41 31 0:38 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";
const std::string kHybridGroups =
    "8:pids:/\n"
    "4:memory:/jobs/build\n"
    "1:cpu:/\n"
    "0::/\n";
const std::string kV1Unlimited = "9223372036854771712\n";

class MemoryCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-memory-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // A fresh root holding `files`.
    std::string layOut(const Files& files) {
        std::error_code ignored;
        std::filesystem::remove_all(root_ / "case", ignored);
        const std::filesystem::path top = root_ / "case";
        std::filesystem::create_directories(top);
        for (const auto& [path, contents] : files) {
            const std::filesystem::path file = top / path;
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << contents;
        }
        return top.string();
    }

    std::filesystem::path root_;
};

TEST_F(MemoryCheckTest, FiguresComeFromMeminfoAndTheTightestCgroupOnTheWayUp) {
    struct Case {
        const char* name;
        Files files;
        Figure system;
        Figure group;
        std::vector<std::pair<std::string, int>> groups;  // folders under the root, versions
    };
    const Case cases[] = {
        {"nothing to read", {}, std::nullopt, std::nullopt, {}},
        {"meminfo only", {kMeminfo}, 8 * kGiB, std::nullopt, {}},
        {"v2 service: limit less use, the inactive page cache not counted",
         {kMeminfo,
          {"proc/self/cgroup", "0::/system.slice/tavrel.service\n"},
          {"proc/self/mountinfo", kPureV2Mount},
          {"sys/fs/cgroup/system.slice/memory.max", "max\n"},
          {"sys/fs/cgroup/system.slice/memory.current", "900000000\n"},
          {"sys/fs/cgroup/system.slice/tavrel.service/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/system.slice/tavrel.service/memory.current", "268435456\n"},
          {"sys/fs/cgroup/system.slice/tavrel.service/memory.stat",
           "anon 1\nfile 999\nactive_file 5\ninactive_file 67108864\n"}},
         8 * kGiB,
         kGiB - (256 - 64) * kMiB,
         {{"sys/fs/cgroup/system.slice/tavrel.service", 2}}},
        {"v2: a parent tighter than the group",
         {{"proc/self/cgroup", "0::/user.slice/session/app\n"},
          {"proc/self/mountinfo", kPureV2Mount},
          {"sys/fs/cgroup/user.slice/memory.max", "536870912\n"},
          {"sys/fs/cgroup/user.slice/memory.current", "314572800\n"},
          {"sys/fs/cgroup/user.slice/session/memory.max", "2147483648\n"},
          {"sys/fs/cgroup/user.slice/session/memory.current", "314572800\n"},
          {"sys/fs/cgroup/user.slice/session/app/memory.max", "max\n"},
          {"sys/fs/cgroup/user.slice/session/app/memory.current", "104857600\n"}},
         std::nullopt,
         512 * kMiB - 300 * kMiB,
         {{"sys/fs/cgroup/user.slice/session/app", 2}}},
        {"v1 memory controller beside a v2 mount without it",
         {kMeminfo,
          {"proc/self/cgroup", kHybridGroups},
          {"proc/self/mountinfo", kHybridMounts},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", kV1Unlimited},
          {"sys/fs/cgroup/memory/memory.usage_in_bytes", "5000000000\n"},
          {"sys/fs/cgroup/memory/jobs/memory.limit_in_bytes", kV1Unlimited},
          {"sys/fs/cgroup/memory/jobs/memory.usage_in_bytes", "3000000000\n"},
          {"sys/fs/cgroup/memory/jobs/build/memory.limit_in_bytes", "1610612736\n"},
          {"sys/fs/cgroup/memory/jobs/build/memory.usage_in_bytes", "104857600\n"},
          {"sys/fs/cgroup/memory/jobs/build/memory.stat",
           "cache 8388608\ninactive_file 1\ntotal_cache 8388608\ntotal_inactive_file 4194304\n"}},
         8 * kGiB,
         1536 * kMiB - (100 - 4) * kMiB,
         {{"sys/fs/cgroup/memory/jobs/build", 1}, {"sys/fs/cgroup/unified", 2}}},
        {"v1: every limit unlimited",
         {{"proc/self/cgroup", kHybridGroups},
          {"proc/self/mountinfo", kHybridMounts},
          {"sys/fs/cgroup/memory/jobs/build/memory.limit_in_bytes", kV1Unlimited},
          {"sys/fs/cgroup/memory/jobs/build/memory.usage_in_bytes", "104857600\n"}},
         std::nullopt,
         std::nullopt,
         {{"sys/fs/cgroup/memory/jobs/build", 1}, {"sys/fs/cgroup/unified", 2}}},
        {"v1 controllers mounted together",
         {{"proc/self/cgroup", "5:cpu,memory:/batch\n"},
          {"proc/self/mountinfo", "40 31 0:40 / /sys/fs/cgroup/cpu,memory rw - cgroup cgroup rw,cpu,memory\n"},
          {"sys/fs/cgroup/cpu,memory/batch/memory.limit_in_bytes", "209715200\n"},
          {"sys/fs/cgroup/cpu,memory/batch/memory.usage_in_bytes", "104857600\n"}},
         std::nullopt,
         100 * kMiB,
         {{"sys/fs/cgroup/cpu,memory/batch", 1}}},
        {"container: its own group mounted as the top",
         {{"proc/self/cgroup", "4:memory:/docker/0123abcd\n"},
          {"proc/self/mountinfo", "35 31 0:32 /docker/0123abcd /sys/fs/cgroup/memory ro - cgroup cgroup rw,memory\n"},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", "2147483648\n"},
          {"sys/fs/cgroup/memory/memory.usage_in_bytes", "1073741824\n"}},
         std::nullopt,
         kGiB,
         {{"sys/fs/cgroup/memory", 1}}},
        {"container: a group the mount does not show",
         {{"proc/self/cgroup", "4:memory:/docker/other\n"},
          {"proc/self/mountinfo", "35 31 0:32 /docker/0123abcd /sys/fs/cgroup/memory ro - cgroup cgroup rw,memory\n"},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", "2147483648\n"},
          {"sys/fs/cgroup/memory/memory.usage_in_bytes", "1073741824\n"}},
         std::nullopt,
         std::nullopt,
         {}},
        {"a path climbing out of the mount",
         {{"proc/self/cgroup", "0::/../escaped\n"},
          {"proc/self/mountinfo", kPureV2Mount},
          {"sys/escaped/memory.max", "1048576\n"},
          {"sys/escaped/memory.current", "0\n"}},
         std::nullopt,
         std::nullopt,
         {}},
        {"both versions limited: the smaller headroom",
         {{"proc/self/cgroup", "4:memory:/a\n0::/b\n"},
          {"proc/self/mountinfo", kHybridMounts},
          {"sys/fs/cgroup/memory/a/memory.limit_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/a/memory.usage_in_bytes", "0\n"},
          {"sys/fs/cgroup/unified/b/memory.max", "734003200\n"},
          {"sys/fs/cgroup/unified/b/memory.current", "209715200\n"}},
         std::nullopt,
         500 * kMiB,
         {{"sys/fs/cgroup/memory/a", 1}, {"sys/fs/cgroup/unified/b", 2}}},
        {"use above the limit leaves nothing",
         {{"proc/self/cgroup", "0::/full\n"},
          {"proc/self/mountinfo", kPureV2Mount},
          {"sys/fs/cgroup/full/memory.max", "104857600\n"},
          {"sys/fs/cgroup/full/memory.current", "104861696\n"}},
         std::nullopt,
         0,
         {{"sys/fs/cgroup/full", 2}}},
        {"figures that do not read as numbers are left out",
         {{"proc/self/cgroup", "0::/odd/leaf\n"},
          {"proc/self/mountinfo", kPureV2Mount},
          {"sys/fs/cgroup/odd/memory.max", "lots\n"},
          {"sys/fs/cgroup/odd/memory.current", "0\n"},
          {"sys/fs/cgroup/odd/leaf/memory.max", "104857600\n"}},  // no memory.current
         std::nullopt,
         std::nullopt,
         {{"sys/fs/cgroup/odd/leaf", 2}}},
        {"an escaped space in the mount point",
         {{"proc/self/cgroup", "0::/g\n"},
          {"proc/self/mountinfo", "30 23 0:26 / /mnt/cgroup\\040two rw - cgroup2 none rw\n"},
          {"mnt/cgroup two/g/memory.max", "314572800\n"},
          {"mnt/cgroup two/g/memory.current", "104857600\n"}},
         std::nullopt,
         200 * kMiB,
         {{"mnt/cgroup two/g", 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = layOut(c.files);
        const MemoryFigures figures = readMemoryFigures(root);
        EXPECT_EQ(figures.systemAvailable, c.system);
        EXPECT_EQ(figures.groupHeadroom, c.group);
        std::vector<std::pair<std::string, int>> groups;
        for (const MemoryGroup& group : ownMemoryGroups(root)) {
            groups.emplace_back(std::filesystem::path(group.folder).lexically_relative(root).string(), group.version);
        }
        EXPECT_EQ(groups, c.groups);
    }
}

TEST_F(MemoryCheckTest, BigBlocksMustFitTheSmallestFigureAndLeaveRoomForSmallOnes) {
    // MemAvailable 1 GiB; the group, where there is one, 256 MiB of headroom.
    const Files machine{{"proc/meminfo", "MemAvailable:    1048576 kB\n"}};
    Files service = machine;
    service.insert(service.end(), {{"proc/self/cgroup", "0::/svc\n"},
                                   {"proc/self/mountinfo", kPureV2Mount},
                                   {"sys/fs/cgroup/svc/memory.max", "536870912\n"},
                                   {"sys/fs/cgroup/svc/memory.current", "268435456\n"}});
    struct Case {
        const char* name;
        const Files* files;
        std::uint64_t bytes;
        bool expected;
    };
    const Files nothing;
    const Case cases[] = {
        {"small blocks are always tried", &nothing, kUncheckedBlockBytes, true},
        {"no figures: the allocator decides", &nothing, 8 * kGiB, true},
        {"beyond any address space", &nothing, std::uint64_t{1} << 48, false},
        {"well within", &machine, 512 * kMiB, true},
        {"leaving exactly the spare", &machine, kGiB - kUncheckedBlockBytes, true},
        {"leaving less than the spare", &machine, kGiB - kUncheckedBlockBytes + 1, false},
        {"more than there is", &machine, 2 * kGiB, false},
        {"small blocks even in a full group", &service, kUncheckedBlockBytes, true},
        {"the group is tighter than the machine", &service, 512 * kMiB, false},
        {"within the group", &service, 192 * kMiB, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(memoryAvailableFor(c.bytes, layOut(*c.files)), c.expected);
    }
}

}  // namespace
}  // namespace tavrel
