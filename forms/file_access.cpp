#include "forms/file_access.h"

#include <cerrno>
#include <cstdlib>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::forms {
namespace {

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now and tells whether the close went through; a late write error shows up here.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Flushes the folder's entry for a renamed file; the file itself is already in place, so a
// folder that cannot be opened or flushed changes nothing about the outcome.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

Bytes readFile(const std::string& path) {
    if (path.empty()) return {};
    // Non-blocking, so a named pipe under a picture's name cannot hang the program.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) return {};
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    if (info.st_size <= 0 || info.st_size >= kMaxReadableFileBytes) return {};

    Bytes bytes;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t read = ::read(file.get(), bytes.data() + got, bytes.size() - got);
        if (read < 0) {
            if (errno == EINTR) continue;
            return {};
        }
        if (read == 0) break;  // the file shrank meanwhile: keep what arrived
        got += static_cast<std::size_t>(read);
    }
    bytes.resize(got);
    return bytes;
}

bool writeFile(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> buffers) {
    if (path.empty()) return false;

    // A link is written through, as opening it would: the file it names is replaced, not the link.
    std::string target = path;
    struct stat existing {};
    bool exists = false;
    if (::lstat(path.c_str(), &existing) == 0) {
        if (S_ISLNK(existing.st_mode)) {
            char* resolved = ::realpath(path.c_str(), nullptr);
            if (!resolved) return false;
            target = resolved;
            std::free(resolved);
            if (::stat(target.c_str(), &existing) != 0) return false;
        }
        exists = true;
        // Renaming over a folder, a device or a pipe would not write a file; a read-only file
        // stays as it is.
        if (!S_ISREG(existing.st_mode) || ::access(target.c_str(), W_OK) != 0) return false;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : target.substr(0, slash);
    if (slash != std::string::npos && slash + 1 == target.size()) return false;  // names a folder

    // The new contents go to a file of their own in the same folder first, so the rename that
    // puts them in place cannot cross file systems and the old file survives any failure.
    std::string temporary = folder + "/.tavrel-save-XXXXXX";
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) return false;
    bool ok = true;
    if (exists) {
        // Best effort: a file owned by someone else keeps its owner only when we may give it.
        [[maybe_unused]] const int owned = ::fchown(file.get(), existing.st_uid, existing.st_gid);
        ok = ::fchmod(file.get(), existing.st_mode & 07777) == 0;
    } else {
        ok = ::fchmod(file.get(), 0666 & ~currentUmask()) == 0;
    }
    for (std::span<const std::uint8_t> buffer : buffers) {
        if (ok) ok = writeAll(file.get(), buffer);
    }
    if (ok) ok = ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

}  // namespace tavrel::forms
