#pragma once
// Small pictures built in the tests, in the decoded layouts the drawing layer reads.

#include <cstdint>
#include <random>
#include <vector>

#include "image/bitmap.h"
#include "image/image_types.h"

namespace tavrel::testing {

inline Bitmap filledBitmap(std::int32_t width, std::int32_t height, Pixel fill) {
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
    return bitmap;
}

// Noise from a linear congruential step seeded by `random`: cheap enough for pictures of millions of pixels.
inline Bitmap randomBitmap(std::int32_t width, std::int32_t height, std::mt19937& random) {
    Bitmap bitmap = filledBitmap(width, height, 0);
    std::uint64_t state = random();
    for (Pixel& p : bitmap.pixels) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        p = static_cast<Pixel>(state >> 40) & 0x00FFFFFFu;
    }
    return bitmap;
}

// A Jpeg/Bmp picture: blue, green, red, rows bottom-up, packed. `colorAt(x, y)` is 0x00RRGGBB with
// y counted from the top.
template <typename ColorAt>
DecodedImage bgrPicture(ImageKind kind, std::int32_t width, std::int32_t height, ColorAt colorAt) {
    DecodedImage image;
    image.kind = kind;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(height - 1 - y) * width * 3;
        for (std::int32_t x = 0; x < width; ++x) {
            const Pixel p = colorAt(x, y);
            row[3 * x] = pixelBlue(p);
            row[3 * x + 1] = pixelGreen(p);
            row[3 * x + 2] = pixelRed(p);
        }
    }
    return image;
}

inline DecodedImage solidPicture(std::int32_t width, std::int32_t height, Pixel color) {
    return bgrPicture(ImageKind::Jpeg, width, height, [color](std::int32_t, std::int32_t) { return color; });
}

// A Png picture: blue, green, red, straight alpha, rows top-down.
inline DecodedImage pngPicture(std::int32_t width, std::int32_t height, Pixel color, std::uint8_t alpha) {
    DecodedImage image;
    image.kind = ImageKind::Png;
    image.width = width;
    image.height = height;
    for (std::int32_t k = 0; k < width * height; ++k) {
        image.pixels.insert(image.pixels.end(), {pixelBlue(color), pixelGreen(color), pixelRed(color), alpha});
    }
    return image;
}

}  // namespace tavrel::testing
