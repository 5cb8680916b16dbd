#include "image/encode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jpeglib.h>
#include <png.h>

#include "image/bmp_export.h"
#include "image/jpeg_errors.h"

namespace tavrel {

namespace {

// libjpeg reports fatal errors through a callback that must not return: jump back to the encoder.
// Everything the setjmp-guarded part touches lives outside it, so nothing with a destructor is
// skipped by the jump.
void encodeJpegRows(jpeg_compress_struct& info, const Bitmap& bitmap, unsigned char*& memory,
                    unsigned long& memorySize) {
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &memory, &memorySize);
    info.image_width = static_cast<JDIMENSION>(bitmap.width);
    info.image_height = static_cast<JDIMENSION>(bitmap.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;  // our pixels as they lie in memory
    jpeg_set_defaults(&info);             // baseline, 2x2 chroma sampling
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW line = reinterpret_cast<JSAMPROW>(const_cast<Pixel*>(bitmap.row(static_cast<std::int32_t>(info.next_scanline))));
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
}

struct PngWriteState {
    ByteBuffer* out;
    bool failed;
};

void pngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    try {
        state->out->insert(state->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        state->failed = true;
    }
    if (state->failed) png_error(png, "out of memory");
}

void pngFlush(png_structp) {}
void pngQuietWarning(png_structp, png_const_charp) {}
[[noreturn]] void pngFatalError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool endsWith(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    for (std::size_t k = 0; k < suffix.size(); ++k) {
        char c = name[name.size() - suffix.size() + k];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[k]) return false;
    }
    return true;
}

}  // namespace

ByteBuffer encodeJpeg(const Bitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > JPEG_MAX_DIMENSION || bitmap.height > JPEG_MAX_DIMENSION ||
        bitmap.pixels.size() < static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height)) {
        return {};
    }
    jpeg_compress_struct info{};
    JumpingErrorManager errors{};
    info.err = quietJumpingErrors(errors);
    unsigned char* memory = nullptr;
    ByteBuffer out;
    if (setjmp(errors.jump) == 0) {
        unsigned long memorySize = 0;
        encodeJpegRows(info, bitmap, memory, memorySize);
        try {
            out.assign(memory, memory + memorySize);
        } catch (const std::bad_alloc&) {
            out = {};
        }
    } else {
        out = {};
    }
    jpeg_destroy_compress(&info);
    std::free(memory);
    return out;
}

ByteBuffer encodePng(const Bitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() < static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height)) {
        return {};
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFatalError, pngQuietWarning);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    ByteBuffer out;
    PngWriteState state{&out, false};
    volatile bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &state, pngWrite, pngFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.width), static_cast<png_uint_32>(bitmap.height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);                               // blue comes first in memory
        png_set_filler(png, 0, PNG_FILLER_AFTER);       // and the fourth byte is dropped
        for (std::int32_t y = 0; y < bitmap.height; ++y) {
            png_write_row(png, reinterpret_cast<png_const_bytep>(bitmap.row(y)));
        }
        png_write_end(png, nullptr);
        ok = !state.failed;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok) return {};
    return out;
}

EncodedFormat formatForName(std::string_view fileName, EncodedFormat fallback) {
    for (std::string_view jpeg : {".jpg", ".jpeg", ".jpe", ".jfif"}) {
        if (endsWith(fileName, jpeg)) return EncodedFormat::Jpeg;
    }
    if (endsWith(fileName, ".png")) return EncodedFormat::Png;
    if (endsWith(fileName, ".bmp")) return EncodedFormat::Bmp;
    return fallback;
}

ByteBuffer encodeForName(std::span<const std::uint8_t> bmpBytes, std::string_view fileName, EncodedFormat fallback) {
    const EncodedFormat format = formatForName(fileName, fallback);
    if (format == EncodedFormat::Bmp) {
        try {
            return ByteBuffer(bmpBytes.begin(), bmpBytes.end());
        } catch (const std::bad_alloc&) {
            return {};
        }
    }
    const std::optional<Bitmap> bitmap = bitmapFromBmp(bmpBytes);
    if (!bitmap) return {};
    return format == EncodedFormat::Jpeg ? encodeJpeg(*bitmap) : encodePng(*bitmap);
}

}  // namespace tavrel
