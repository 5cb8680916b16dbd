#include "image/image_types.h"

#include "image/size_limits.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace tavrel {

const char* imageKindName(ImageKind kind) {
    switch (kind) {
        case ImageKind::Jpeg: return "Jpeg";
        case ImageKind::Bmp: return "Bmp";
        case ImageKind::Icon: return "Icon";
        case ImageKind::Cursor: return "Cursor";
        case ImageKind::Gif: return "Gif";
        case ImageKind::Pcx8: return "Pcx8";
        case ImageKind::Pcx1: return "Pcx1";
        case ImageKind::Png: return "Png";
        case ImageKind::Unknown: break;
    }
    return "Unknown";
}

bool resizePixelBlock(ByteBuffer& block, std::size_t size) noexcept {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (!memoryAvailableFor(size)) return false;
    try {
        block.clear();
        block.reserve(size);
#ifdef MADV_HUGEPAGE
        if (size >= 2 * kHugePage) {
            // Only whole huge pages inside the block can be backed by one; the hint is advisory.
            const auto start = reinterpret_cast<std::uintptr_t>(block.data());
            const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
            const std::uintptr_t last = (start + size) & ~(kHugePage - 1);
            if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
        }
#endif
        block.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

const char* decodeFailureName(DecodeFailure failure) {
    switch (failure) {
        case DecodeFailure::None: return "None";
        case DecodeFailure::Truncated: return "Truncated";
        case DecodeFailure::BadSignature: return "BadSignature";
        case DecodeFailure::Unsupported: return "Unsupported";
        case DecodeFailure::TooLarge: return "TooLarge";
        case DecodeFailure::Corrupt: return "Corrupt";
        case DecodeFailure::Unreadable: return "Unreadable";
    }
    return "Unknown";
}

}  // namespace tavrel
