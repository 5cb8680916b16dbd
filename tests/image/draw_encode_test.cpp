// Encoders and the BMP read-back, checked by decoding with the libraries themselves.

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>

#include <jpeglib.h>
#include <png.h>

#include "draw_fixtures.h"
#include "image/bmp_export.h"
#include "image/encode.h"

namespace tavrel {
namespace {

// A smooth picture: JPEG keeps it within a few levels.
Bitmap gradient(std::int32_t width, std::int32_t height) {
    Bitmap bitmap = testing::filledBitmap(width, height, 0);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            bitmap.row(y)[x] = makePixel(std::uint8_t(x * 255 / width), std::uint8_t(y * 255 / height), 90);
        }
    }
    return bitmap;
}

struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

std::optional<Bitmap> decodeJpegBytes(const ByteBuffer& bytes) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->escape, 1); };
    Bitmap out;
    if (setjmp(error.escape)) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    out = testing::filledBitmap(std::int32_t(info.output_width), std::int32_t(info.output_height), 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW line = reinterpret_cast<JSAMPROW>(out.row(std::int32_t(info.output_scanline)));
        jpeg_read_scanlines(&info, &line, 1);
    }
    EXPECT_EQ(info.comp_info[0].h_samp_factor, 2);  // chroma halved both ways
    EXPECT_EQ(info.comp_info[0].v_samp_factor, 2);
    EXPECT_FALSE(info.progressive_mode);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    for (Pixel& p : out.pixels) p &= 0x00FFFFFF;
    return out;
}

std::optional<Bitmap> decodePngBytes(const ByteBuffer& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
    image.format = PNG_FORMAT_BGRA;
    Bitmap out = testing::filledBitmap(std::int32_t(image.width), std::int32_t(image.height), 0);
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) return std::nullopt;
    for (Pixel& p : out.pixels) p &= 0x00FFFFFF;  // the alpha byte (opaque) is not ours
    return out;
}

TEST(Encode, JpegRoundTripKeepsSizeAndColours) {
    const Bitmap original = gradient(37, 23);
    const ByteBuffer jpeg = encodeJpeg(original);
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    const std::optional<Bitmap> back = decodeJpegBytes(jpeg);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->width, 37);
    ASSERT_EQ(back->height, 23);
    int worst = 0;
    for (std::size_t k = 0; k < original.pixels.size(); ++k) {
        for (int shift : {0, 8, 16}) {
            worst = std::max(worst, std::abs(int((original.pixels[k] >> shift) & 0xFF) - int((back->pixels[k] >> shift) & 0xFF)));
        }
    }
    EXPECT_LE(worst, 8);
}

TEST(Encode, PngRoundTripIsExact) {
    std::mt19937 random(2);
    const Bitmap original = testing::randomBitmap(19, 7, random);
    const ByteBuffer png = encodePng(original);
    const std::optional<Bitmap> back = decodePngBytes(png);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 19);
    EXPECT_EQ(back->height, 7);
    EXPECT_EQ(back->pixels, original.pixels);
}

TEST(Encode, EmptyBitmapsGiveNothing) {
    EXPECT_TRUE(encodeJpeg(Bitmap{}).empty());
    EXPECT_TRUE(encodePng(Bitmap{}).empty());
    EXPECT_TRUE(exportBmp(Bitmap{}).empty());
}

TEST(BmpExport, ReadsBackBothRowOrders) {
    std::mt19937 random(4);
    const Bitmap original = testing::randomBitmap(5, 3, random);  // 15-byte rows padded to 16
    ByteBuffer bmp = exportBmp(original);
    std::optional<Bitmap> back = bitmapFromBmp(bmp);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, original.pixels);

    // The same rows stored top-down: negative height, rows reversed.
    ByteBuffer topDown(bmp.begin(), bmp.begin() + 54);
    const std::int32_t negative = -3;
    std::memcpy(topDown.data() + 22, &negative, 4);
    for (int row = 2; row >= 0; --row) topDown.insert(topDown.end(), bmp.begin() + 54 + 16 * row, bmp.begin() + 54 + 16 * (row + 1));
    back = bitmapFromBmp(topDown);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, original.pixels);
}

TEST(BmpExport, RefusesWhatIsNotOurBmp) {
    const ByteBuffer bmp = exportBmp(testing::filledBitmap(4, 4, 0));
    struct Case {
        const char* name;
        std::size_t offset;  // byte to change, or the cut when value < 0
        int value;
    };
    const Case cases[] = {
        {"cut inside the header", 30, -1}, {"cut inside the rows", bmp.size() - 1, -1}, {"no signature", 0, 'X'},
        {"32 bits a pixel", 28, 32},       {"compressed", 30, 1},                      {"offset past the end", 13, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteBuffer broken = bmp;
        if (c.value < 0) {
            broken.resize(c.offset);
        } else {
            broken[c.offset] = std::uint8_t(c.value);
        }
        EXPECT_FALSE(bitmapFromBmp(broken));
    }
}

TEST(Encode, ForNameChoosesByExtension) {
    const ByteBuffer bmp = exportBmp(gradient(9, 9));
    struct Case {
        const char* name;
        EncodedFormat fallback;
        EncodedFormat expected;
    };
    const Case cases[] = {
        {"photo.jpg", EncodedFormat::Png, EncodedFormat::Jpeg},  {"PHOTO.JPEG", EncodedFormat::Png, EncodedFormat::Jpeg},
        {"a.jpe", EncodedFormat::Png, EncodedFormat::Jpeg},      {"b.JFIF", EncodedFormat::Png, EncodedFormat::Jpeg},
        {"c.png", EncodedFormat::Jpeg, EncodedFormat::Png},      {"d.Bmp", EncodedFormat::Jpeg, EncodedFormat::Bmp},
        {"图片文件", EncodedFormat::Jpeg, EncodedFormat::Jpeg},  {"e.txt", EncodedFormat::Png, EncodedFormat::Png},
        {"f.png.bak", EncodedFormat::Bmp, EncodedFormat::Bmp},   {"jpg", EncodedFormat::Png, EncodedFormat::Png},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatForName(c.name, c.fallback), c.expected);
        const ByteBuffer out = encodeForName(bmp, c.name, c.fallback);
        switch (c.expected) {
            case EncodedFormat::Bmp: EXPECT_EQ(out, bmp); break;
            case EncodedFormat::Jpeg: EXPECT_TRUE(decodeJpegBytes(out)); break;
            case EncodedFormat::Png: EXPECT_EQ(decodePngBytes(out)->pixels, bitmapFromBmp(bmp)->pixels); break;
        }
    }
    EXPECT_TRUE(encodeForName(ByteBuffer{'B', 'M'}, "x.png", EncodedFormat::Png).empty());
}

}  // namespace
}  // namespace tavrel
