#include "image/decode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace tavrel {

namespace {

// Larger files are no picture we could hold: every pixel block is counted in 32 bits.
constexpr std::uint64_t kMaxFileBytes = 0x7fffffffu;

std::optional<DecodedImage> decodeKind(ImageKind kind, std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    switch (kind) {
        case ImageKind::Jpeg: return decodeJpeg(bytes, why);
        case ImageKind::Bmp: return decodeBmp(bytes, why);
        case ImageKind::Icon:
        case ImageKind::Cursor: return decodeIcon(bytes, why);
        case ImageKind::Gif: return decodeGif(bytes, why);
        case ImageKind::Pcx8:
        case ImageKind::Pcx1: return decodePcx(bytes, why);
        case ImageKind::Png: return decodePng(bytes, why);
        case ImageKind::Unknown: break;
    }
    return decodeFailed(why, DecodeFailure::BadSignature);
}

// Closes the descriptor however we leave.
struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
};

}  // namespace

std::optional<PictureFile> readPictureFile(const std::string& path, DecodeFailure* why) {
    // Non-blocking so that a pipe or device never stalls us before the plain-file check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return decodeFailed(why, DecodeFailure::Unreadable);
    FileCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return decodeFailed(why, DecodeFailure::Unreadable);
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) return decodeFailed(why, DecodeFailure::TooLarge);

    PictureFile file;
    // Same huge-page hint as pixel blocks: a big file would otherwise fault in 4 KiB at a time.
    if (!resizePixelBlock(file.bytes, static_cast<std::size_t>(info.st_size)))
        return decodeFailed(why, DecodeFailure::TooLarge);
    std::size_t filled = 0;
    while (filled < file.bytes.size()) {
        const ssize_t got = ::read(fd, file.bytes.data() + filled, file.bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    file.complete = filled == file.bytes.size();
    file.bytes.resize(filled);
    return file;
}

std::optional<DecodedImage> decodeImage(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    try {
        if (bytes.size() < 8) return decodeFailed(why, DecodeFailure::Truncated);
        const ImageKind kind = detectImageKind(bytes);
        if (kind == ImageKind::Unknown) return decodeFailed(why, DecodeFailure::BadSignature);
        return decodeKind(kind, bytes, why);
    } catch (const std::bad_alloc&) {
        return decodeFailed(why, DecodeFailure::TooLarge);
    } catch (...) {
        return decodeFailed(why, DecodeFailure::Corrupt);
    }
}

std::optional<DecodedImage> decodePictureFile(const PictureFile& file, DecodeFailure* why) {
    if (!file.complete) {
        // GIF and PCX need every byte; the other kinds decode what could be read.
        const ImageKind kind = detectImageKind(file.bytes);
        if (kind == ImageKind::Gif || kind == ImageKind::Pcx8 || kind == ImageKind::Pcx1)
            return decodeFailed(why, DecodeFailure::Unreadable);
    }
    return decodeImage(file.bytes, why);
}

std::optional<DecodedImage> decodeImageFile(const std::string& path, DecodeFailure* why) {
    try {
        if (path.empty()) return decodeFailed(why, DecodeFailure::Unreadable);
        const std::optional<PictureFile> file = readPictureFile(path, why);
        if (!file) return std::nullopt;
        return decodePictureFile(*file, why);
    } catch (const std::bad_alloc&) {
        return decodeFailed(why, DecodeFailure::TooLarge);
    } catch (...) {
        return decodeFailed(why, DecodeFailure::Corrupt);
    }
}

}  // namespace tavrel
