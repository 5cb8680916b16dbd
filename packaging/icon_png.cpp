// Writes the window's own icon as a PNG with alpha, so the installed icon is the very picture the
// window shows rather than a copy that can drift from it.

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/window_icon.h"

namespace {

// Where the icon's one image lies in the bytes windowIconBytes() makes.
constexpr std::size_t kSide = 64;
constexpr std::size_t kPixelsOffset = 6 + 16 + 40;  // header, directory entry, bitmap header
constexpr std::size_t kPixelBytes = kSide * kSide * 4;

int fail(const char* message) {
    (void)std::fprintf(stderr, "tavrel_icon_png: %s\n", message);  // the exit status says it failed
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return fail("usage: tavrel_icon_png OUT.png");
    const tavrel::forms::Bytes ico = tavrel::windowIconBytes();
    if (ico.size() < kPixelsOffset + kPixelBytes) return fail("the icon is shorter than its pixels");

    // The icon stores BGRA rows bottom first; PNG wants RGBA rows top first.
    std::vector<std::uint8_t> rgba(kPixelBytes);
    for (std::size_t row = 0; row < kSide; ++row) {
        const std::size_t from = kPixelsOffset + (kSide - 1 - row) * kSide * 4;
        for (std::size_t column = 0; column < kSide; ++column) {
            const std::uint8_t* bgra = &ico[from + column * 4];
            std::uint8_t* out = &rgba[(row * kSide + column) * 4];
            out[0] = bgra[2];
            out[1] = bgra[1];
            out[2] = bgra[0];
            out[3] = bgra[3];
        }
    }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(kSide);
    image.height = static_cast<png_uint_32>(kSide);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, argv[1], 0, rgba.data(), static_cast<png_int_32>(kSide * 4), nullptr)) {
        return fail(image.message);
    }
    return 0;
}
