#include <png.h>

#include <cstring>
#include <new>

#include "image/decode.h"
#include "image/size_limits.h"

namespace tavrel {

namespace {

// Frees libpng's control block however we leave.
struct PngImageGuard {
    png_image* image;
    ~PngImageGuard() { png_image_free(image); }
};

// libpng reports every failure alike; its memory reader's message tells a cut-short file apart.
DecodeFailure failureOf(const png_image& image) {
    return std::strstr(image.message, "beyond end of data") != nullptr ? DecodeFailure::Truncated
                                                                       : DecodeFailure::Corrupt;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Walks the chunk headers before the image data: libpng allocates such a chunk's stated length
// before it finds the data missing, so a few lying bytes could claim gigabytes. A chunk that
// cannot be in the data fails here, as it would in libpng; from the first IDAT on (read piece by
// piece) and for a file that stops between chunks, libpng judges alone.
DecodeFailure checkChunkLengths(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kSignature = 8, kChunkOverhead = 12;  // length, type, CRC
    constexpr std::uint32_t kMaxChunkLength = 0x7fffffffu;
    std::size_t at = kSignature;
    while (bytes.size() - at >= kChunkOverhead) {
        if (std::memcmp(bytes.data() + at + 4, "IDAT", 4) == 0) break;
        const std::uint32_t length = bigEndian32(bytes.data() + at);
        if (length > kMaxChunkLength) return DecodeFailure::Corrupt;
        if (length > bytes.size() - at - kChunkOverhead) return DecodeFailure::Truncated;
        at += kChunkOverhead + length;
    }
    return DecodeFailure::None;
}

}  // namespace

std::optional<DecodedImage> decodePng(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    // Eight bytes of signature come before anything else.
    if (bytes.size() <= 7) return decodeFailed(why, DecodeFailure::Truncated);
    if (png_sig_cmp(bytes.data(), 0, 8) != 0) return decodeFailed(why, DecodeFailure::BadSignature);

    if (const DecodeFailure lengths = checkChunkLengths(bytes); lengths != DecodeFailure::None)
        return decodeFailed(why, lengths);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    PngImageGuard guard{&image};
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return decodeFailed(why, failureOf(image));
    // The header alone decides the size: refuse what we would never hold before allocating.
    const auto blockSize = checkedBlockSize(image.width, image.height, std::int64_t{image.width} * 4);
    if (!blockSize) return decodeFailed(why, DecodeFailure::TooLarge);

    image.format = PNG_FORMAT_BGRA;
    DecodedImage decoded;
    decoded.kind = ImageKind::Png;
    decoded.width = static_cast<std::int32_t>(image.width);
    decoded.height = static_cast<std::int32_t>(image.height);
    if (!resizePixelBlock(decoded.pixels, *blockSize)) return decodeFailed(why, DecodeFailure::TooLarge);
    // No background: alpha stays as stored, colours straight. Stride 0 means packed rows, top-down.
    if (!png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr))
        return decodeFailed(why, failureOf(image));
    if (why) *why = DecodeFailure::None;
    return decoded;
}

}  // namespace tavrel
