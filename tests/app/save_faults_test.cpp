// Saves that meet a full disk or a target another process holds open, through the real dialog.

#include <QMessageBox>
#include <QPushButton>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/operations.h"
#include "operations_fixture.h"
#include "qt_test_support.h"

namespace tavrel::test_support {
namespace {

// A 64 KiB tmpfs on a fresh folder, unmounted (lazily, should a file still be open) when done.
class SmallDisk {
public:
    explicit SmallDisk(const std::filesystem::path& at) : at_(at) {
        std::filesystem::create_directories(at_);
        if (::geteuid() != 0) {
            why_ = "not running as root";
            return;
        }
        if (::mount("tmpfs", at_.c_str(), "tmpfs", 0, "size=64k") != 0) {
            why_ = std::string("mount failed: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
    std::string why_;
};

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
}

void answerReplaceWithYes(std::vector<QPointer<QTimer>>& answering) {
    answering.push_back(answerNextMessageBox([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }));
}

TEST_F(OperationsTest, AFullDiskSaysSoAndKeepsTheOldFile) {
    const auto diskFolder = folder_ / "disk";
    const SmallDisk disk(diskFolder);
    if (!disk.mounted()) GTEST_SKIP() << "no small tmpfs for a full disk: " << disk.why();
    const auto target = diskFolder / "old.bmp";
    const ByteBuffer old{'o', 'l', 'd'};
    writeBytes(target, old);

    resizeImage(1000, 1000);  // a BMP of about 3 MB, far beyond the 64 KiB disk
    ASSERT_GT(appState().resultBytes.size(), 64u * 1024);
    forms::writeProperty(kMainWindowId, ids::提示_标签, 8, std::string());
    answerReplaceWithYes(answering_);
    saveThroughDialog([] { saveResult(); }, target);

    EXPECT_EQ(text(ids::提示_标签), "保存失败...");
    EXPECT_EQ(readBytes(target), old);
    EXPECT_EQ(namesIn(diskFolder), std::vector<std::string>{"old.bmp"});  // no partial file left behind
}

// Another process that opened the target for writing before the save, and reports afterwards
// what its open file holds.
class HeldFile {
public:
    explicit HeldFile(const std::filesystem::path& path) {
        if (::pipe(ready_) != 0 || ::pipe(go_) != 0 || ::pipe(report_) != 0) return;
        child_ = ::fork();
        if (child_ == 0) {
            const int fd = ::open(path.c_str(), O_RDWR);
            const char opened = fd >= 0 ? 'y' : 'n';
            (void)!::write(ready_[1], &opened, 1);
            char go = 0;
            (void)!::read(go_[0], &go, 1);
            char held[4096];
            const ssize_t got = fd >= 0 ? ::pread(fd, held, sizeof held, 0) : 0;
            if (got > 0) (void)!::write(report_[1], held, static_cast<std::size_t>(got));
            ::_exit(0);
        }
        ::close(ready_[1]);
        ::close(go_[0]);
        ::close(report_[1]);
        char opened = 0;
        holding_ = child_ > 0 && ::read(ready_[0], &opened, 1) == 1 && opened == 'y';
    }
    ~HeldFile() {
        if (child_ > 0 && !reported_) reportedBytes();
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool holding() const { return holding_; }

    // Lets the other process read its open file from the start and end; gives what it read.
    ByteBuffer reportedBytes() {
        reported_ = true;
        const char go = 'g';
        (void)!::write(go_[1], &go, 1);
        ByteBuffer bytes;
        std::uint8_t chunk[4096];
        for (ssize_t got; (got = ::read(report_[0], chunk, sizeof chunk)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
        int status = 0;
        ::waitpid(child_, &status, 0);
        for (int fd : {ready_[0], go_[1], report_[0]}) ::close(fd);
        return bytes;
    }

private:
    int ready_[2] = {-1, -1};
    int go_[2] = {-1, -1};
    int report_[2] = {-1, -1};
    pid_t child_ = -1;
    bool holding_ = false;
    bool reported_ = false;
};

// Linux lets a file be replaced while another process has it open: the new file takes the name
// and the other process keeps the old file it opened, unchanged. So the save succeeds here.
TEST_F(OperationsTest, ATargetHeldOpenByAnotherProcessIsReplacedAndTheirFileIsUntouched) {
    const auto target = folder_ / "held.bmp";
    const ByteBuffer old{'h', 'e', 'l', 'd'};
    writeBytes(target, old);
    HeldFile other(target);
    ASSERT_TRUE(other.holding());

    resizeImage(300, 200);
    forms::writeProperty(kMainWindowId, ids::提示_标签, 8, std::string());
    answerReplaceWithYes(answering_);
    saveThroughDialog([] { saveResult(); }, target);

    EXPECT_EQ(text(ids::提示_标签), "保存成功！");
    EXPECT_EQ(readBytes(target), appState().resultBytes);
    EXPECT_EQ(other.reportedBytes(), old);
}

}  // namespace
}  // namespace tavrel::test_support
