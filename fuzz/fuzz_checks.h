#pragma once
// What every decoded picture must satisfy, whatever the input: a broken promise stops the run.

#include <cstdlib>
#include <optional>

#include "image/image_types.h"

namespace tavrel::fuzz {

inline void checkPicture(const std::optional<DecodedImage>& image) {
    if (!image) return;
    const auto pixels = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height);
    if (image->width <= 0 || image->height <= 0) std::abort();
    switch (image->kind) {
        case ImageKind::Jpeg:
        case ImageKind::Bmp:
            if (image->pixels.size() != pixels * 3) std::abort();
            break;
        case ImageKind::Png:
            if (image->pixels.size() != pixels * 4) std::abort();
            break;
        case ImageKind::Icon:
        case ImageKind::Cursor:
            if (!image->icon || !image->pixels.empty()) std::abort();
            if (image->icon->width != image->width || image->icon->height != image->height) std::abort();
            if (image->icon->bgra.size() != pixels * 4) std::abort();
            break;
        default: break;
    }
}

}  // namespace tavrel::fuzz
