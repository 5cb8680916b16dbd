#pragma once
// The benchmarks' 24-megapixel input, made in memory so every run works on the same picture.

#include <algorithm>
#include <cstdint>

#include "image/bitmap.h"

namespace tavrel {

inline constexpr std::int32_t kPhotoWidth = 6000;
inline constexpr std::int32_t kPhotoHeight = 4000;

// Photo-like: smooth gradients, sensor-like noise, and hard-edged shapes, so the JPEG carries
// detail at every frequency as a camera picture does.
inline Bitmap syntheticPhoto() {
    Bitmap photo;
    if (!allocateBitmap(photo, kPhotoWidth, kPhotoHeight, 0)) return photo;
    std::uint32_t noise = 12345;
    for (std::int32_t y = 0; y < kPhotoHeight; ++y) {
        Pixel* row = photo.row(y);
        for (std::int32_t x = 0; x < kPhotoWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int jitter = static_cast<int>((noise >> 24) % 17) - 8;
            int r = x * 200 / kPhotoWidth + 30;
            int g = y * 180 / kPhotoHeight + 40;
            int b = ((x / 7 + y / 5) % 256) / 2 + 60;
            const int dx = x - 3600, dy = y - 1800;
            if (dx * dx + dy * dy < 900 * 900) {  // a disc
                r = 230 - g / 3;
                b = 40;
            }
            if ((x / 500 + y / 500) % 7 == 0) {  // a few squares
                g = 250 - g / 2;
            }
            const auto clamp = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
            row[x] = makePixel(clamp(r + jitter), clamp(g + jitter), clamp(b + jitter));
        }
    }
    return photo;
}

}  // namespace tavrel
