// Whole-file reading and writing: what counts as nothing to read, and that a write either puts
// the whole new contents in place or leaves the old file exactly as it was.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_access_support.h"
#include "forms/file_access.h"

namespace tavrel::forms {
namespace {

using test_support::Unwritable;

class FileAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::filesystem::path put(const char* name, const Bytes& bytes) {
        const auto path = folder_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    static Bytes contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Nothing of a write may be left beside its target.
    void expectNoLeftovers() {
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            EXPECT_EQ(entry.path().filename().string().find(".tavrel-save-"), std::string::npos) << entry.path();
        }
    }

    std::filesystem::path folder_;
};

TEST_F(FileAccessTest, ReadingGivesTheWholeFileOrNothing) {
    const Bytes picture = {0x89, 'P', 'N', 'G', 0, 1, 2, 3};
    put("picture.png", picture);
    put("empty", {});
    std::filesystem::create_directory(folder_ / "folder");
    ASSERT_EQ(::mkfifo((folder_ / "pipe").c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string path;
        Bytes expected;
    };
    const Case cases[] = {
        {"a file", (folder_ / "picture.png").string(), picture},
        {"empty path", "", {}},
        {"missing file", (folder_ / "missing").string(), {}},
        {"empty file", (folder_ / "empty").string(), {}},
        {"folder", (folder_ / "folder").string(), {}},
        {"named pipe (must not wait for a writer)", (folder_ / "pipe").string(), {}},
        {"two paths joined as a drop gives them", (folder_ / "picture.png").string() + "\r\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readFile(c.path), c.expected);
    }
}

TEST_F(FileAccessTest, WritingPutsEveryBufferInOrderAndKeepsPermissions) {
    const Bytes head = {'B', 'M'};
    const Bytes rest = {1, 2, 3};
    const auto made = folder_ / "made.bmp";
    EXPECT_TRUE(writeFile(made.string(), {head, Bytes{}, rest}));
    EXPECT_EQ(contents(made), (Bytes{'B', 'M', 1, 2, 3}));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(std::filesystem::status(made).permissions(),
              static_cast<std::filesystem::perms>(0666 & ~mask));  // as a new file gets them

    const auto replaced = put("replaced.bmp", {9, 9, 9, 9, 9, 9, 9, 9});
    ::chmod(replaced.c_str(), 0640);
    EXPECT_TRUE(writeFile(replaced.string(), {rest}));
    EXPECT_EQ(contents(replaced), rest);  // nothing of the longer old contents is left
    EXPECT_EQ(std::filesystem::status(replaced).permissions(), static_cast<std::filesystem::perms>(0640));

    EXPECT_TRUE(writeFile(replaced.string(), {}));  // nothing to write still gives the file
    EXPECT_TRUE(std::filesystem::exists(replaced));
    EXPECT_EQ(std::filesystem::file_size(replaced), 0u);
    expectNoLeftovers();
}

TEST_F(FileAccessTest, WritingThroughALinkReplacesTheFileItNames) {
    const auto real = put("real.bmp", {1});
    const auto link = folder_ / "link.bmp";
    std::filesystem::create_symlink(real, link);
    EXPECT_TRUE(writeFile(link.string(), {Bytes{2, 2}}));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(contents(real), (Bytes{2, 2}));
}

TEST_F(FileAccessTest, WritesThatCannotHappenLeaveEverythingAsItWas) {
    const Bytes old = {'o', 'l', 'd'};
    put("plain", old);
    std::filesystem::create_directory(folder_ / "folder");
    struct Case {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {"empty path", ""},
        {"missing folder", (folder_ / "missing" / "x.bmp").string()},
        {"folder is a file", (folder_ / "plain" / "x.bmp").string()},
        {"target is a folder", (folder_ / "folder").string()},
        {"name ends in a slash", (folder_ / "folder").string() + "/"},
        {"target is a device", "/dev/null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(writeFile(c.path, {Bytes{1, 2, 3}}));
    }
    EXPECT_EQ(contents(folder_ / "plain"), old);
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "folder"));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    expectNoLeftovers();
}

TEST_F(FileAccessTest, AReadOnlyFileIsKept) {
    const Bytes old = {'o', 'l', 'd'};
    const auto target = put("kept.bmp", old);
    const Unwritable readOnly(target);
    if (!readOnly.made()) GTEST_SKIP() << Unwritable::why();
    EXPECT_FALSE(writeFile(target.string(), {Bytes{1, 2, 3}}));
    EXPECT_EQ(contents(target), old);
    expectNoLeftovers();
}

TEST_F(FileAccessTest, AFolderThatTakesNoNewFileKeepsTheOldOne) {
    const Bytes old = {'o', 'l', 'd'};
    const auto target = put("kept.bmp", old);
    const Unwritable closed(folder_);
    if (!closed.made()) GTEST_SKIP() << Unwritable::why();
    EXPECT_FALSE(writeFile(target.string(), {Bytes{1, 2, 3}}));
    EXPECT_EQ(contents(target), old);
}

TEST_F(FileAccessTest, AWriteThatFailsHalfwayKeepsTheOldFile) {
    const Bytes old = {'o', 'l', 'd'};
    const auto target = put("kept.bmp", old);
    // A file size limit makes the write stop short, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeFile(target.string(), {Bytes(4096, 7)});
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_NE(std::signal(SIGXFSZ, previousHandler), SIG_ERR);
    EXPECT_FALSE(written);
    EXPECT_EQ(contents(target), old);
    expectNoLeftovers();
}

}  // namespace
}  // namespace tavrel::forms
