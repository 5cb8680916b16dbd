#pragma once
// Making a file or folder unwritable in a way that stops root too (the tests run as root in CI):
// the immutable flag where the file system has it, plain permissions otherwise.

#include <filesystem>
#include <string>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::test_support {

// Sets or clears the immutable flag; false when the file system or our rights do not allow it.
inline bool setImmutable(const std::filesystem::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// Makes a path unwritable for as long as it lives. Check made() first: when it is false, nothing
// stops the current user (root on a file system without the immutable flag) and why() says so.
class Unwritable {
public:
    explicit Unwritable(std::filesystem::path path) : path_(std::move(path)) {
        struct stat info {};
        if (::stat(path_.c_str(), &info) != 0) return;
        if (::geteuid() == 0) {
            immutable_ = setImmutable(path_, true);
            made_ = immutable_;
        } else {
            mode_ = info.st_mode & 07777;
            made_ = ::chmod(path_.c_str(), S_ISDIR(info.st_mode) ? 0555 : 0444) == 0;
        }
    }
    ~Unwritable() {
        if (immutable_) setImmutable(path_, false);
        if (!immutable_ && made_) ::chmod(path_.c_str(), mode_);
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;

    bool made() const { return made_; }
    static std::string why() {
        return "running as root and this file system refuses the immutable flag, so nothing here "
               "can make a file unwritable for us";
    }

private:
    std::filesystem::path path_;
    bool made_ = false;
    bool immutable_ = false;
    mode_t mode_ = 0;
};

}  // namespace tavrel::test_support
