// The drawing surface, its BMP export and the resize routine built on them.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "draw_fixtures.h"
#include "image/bmp_export.h"
#include "image/decode.h"
#include "image/encode.h"
#include "image/drawing_surface.h"
#include "image/registry.h"
#include "image/resize.h"

namespace tavrel {
namespace {

constexpr Pixel kFace = 0x00EFEFEF;

std::uint32_t u32At(const ByteBuffer& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t(bytes[at + 3]) << 24);
}
std::uint32_t u16At(const ByteBuffer& bytes, std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); }

struct BmpSize {
    std::int32_t width, height;
};
BmpSize sizeOf(const ByteBuffer& bmp) {
    return {std::int32_t(u32At(bmp, 18)), std::int32_t(u32At(bmp, 22))};
}

// Pixel (x, y), y from the top, of one of our bottom-up 24-bit BMPs.
Pixel bmpPixel(const ByteBuffer& bmp, std::int32_t x, std::int32_t y) {
    const auto [width, height] = sizeOf(bmp);
    const std::size_t at = 54 + bmpStride(width) * std::size_t(height - 1 - y) + 3 * std::size_t(x);
    return makePixel(bmp[at + 2], bmp[at + 1], bmp[at]);
}

class SurfaceTest : public ::testing::Test {
protected:
    ImageHandle add(DecodedImage image) { return registry.add(std::move(image)); }

    ImageRegistry registry;
    DrawingSurface surface{48, 32, kFace, StretchMode::Halftone};
};

TEST_F(SurfaceTest, StartsAsADrawableAreaOfButtonFaceInsideTheEdge) {
    EXPECT_EQ(surface.store().width, 46);
    EXPECT_EQ(surface.store().height, 30);
    EXPECT_EQ(surface.store().pixels, testing::filledBitmap(46, 30, kFace).pixels);
}

TEST_F(SurfaceTest, SizesClampAndTheDrawableAreaNeverDropsBelowOnePixel) {
    struct Case {
        std::int32_t set, outer, drawable;
    };
    const Case cases[] = {{40000, 32627, 32625}, {-5, 0, 1}, {2, 2, 1}, {3, 3, 1}, {295, 295, 293}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        surface.setWidth(c.set);
        EXPECT_EQ(surface.width(), c.outer);
        EXPECT_EQ(surface.store().width, c.drawable);
        EXPECT_EQ(surface.height(), 32);  // the other direction keeps its size
    }
}

TEST_F(SurfaceTest, RebuildsKeepTheTopLeftPixelsAndFillTheRestWithButtonFace) {
    const ImageHandle red = add(testing::solidPicture(4, 4, makePixel(255, 0, 0)));
    surface.drawImage(registry, red, 0, 0, 46, 30);
    surface.setWidth(12);  // store 10 x 30
    surface.setHeight(62);  // store 10 x 60
    surface.setWidth(22);   // store 20 x 60
    const Bitmap& store = surface.store();
    ASSERT_EQ(store.width, 20);
    ASSERT_EQ(store.height, 60);
    for (std::int32_t y = 0; y < 60; ++y) {
        for (std::int32_t x = 0; x < 20; ++x) {
            const bool survived = x < 10 && y < 30;
            ASSERT_EQ(store.at(x, y), survived ? makePixel(255, 0, 0) : kFace) << x << "," << y;
        }
    }
}

TEST_F(SurfaceTest, ExportHeaderOf295By413) {
    surface.setWidth(295);
    surface.setHeight(413);
    surface.drawImage(registry, add(testing::solidPicture(7, 3, 0x00808080)), 0, 0, 295, 413);
    const ByteBuffer bmp = surface.grabImage(295, 413);
    ASSERT_EQ(bmp.size(), 366798u);
    struct Field {
        const char* name;
        std::size_t offset, size;
        std::uint32_t value;
    };
    const Field fields[] = {
        {"file type", 0, 2, 0x4D42},   {"file size", 2, 4, 366798}, {"reserved 1", 6, 2, 0},
        {"reserved 2", 8, 2, 0},       {"pixel offset", 10, 4, 54}, {"header size", 14, 4, 40},
        {"width", 18, 4, 295},         {"height", 22, 4, 413},      {"planes", 26, 2, 1},
        {"bits per pixel", 28, 2, 24}, {"compression", 30, 4, 0},   {"image size", 34, 4, 366744},
        {"x resolution", 38, 4, 0},    {"y resolution", 42, 4, 0},  {"colours used", 46, 4, 0},
        {"important colours", 50, 4, 0},
    };
    for (const Field& f : fields) {
        EXPECT_EQ(f.size == 2 ? u16At(bmp, f.offset) : u32At(bmp, f.offset), f.value) << f.name;
    }
    // Each 885-byte row is padded with three zeros to its 888-byte stride.
    for (std::size_t row = 0; row < 413; ++row) {
        const std::size_t padding = 54 + row * 888 + 885;
        ASSERT_EQ(bmp[padding] | bmp[padding + 1] | bmp[padding + 2], 0) << row;
    }
}

TEST_F(SurfaceTest, ZeroByZeroGrabsTheOneStorePixel) {
    const ImageHandle blue = add(testing::solidPicture(3, 3, makePixel(0, 0, 255)));
    surface.setWidth(0);
    surface.setHeight(0);
    ByteBuffer bmp = surface.grabImage(0, 0);
    ASSERT_EQ(bmp.size(), 58u);
    EXPECT_EQ(u32At(bmp, 18), 1u);
    EXPECT_EQ(u32At(bmp, 22), 1u);
    EXPECT_EQ(bmpPixel(bmp, 0, 0), kFace);  // nothing was ever drawn there

    surface.drawImage(registry, blue, 0, 0, 0, 0);  // a 0 size draws nothing
    EXPECT_EQ(bmpPixel(surface.grabImage(0, 0), 0, 0), kFace);
    surface.drawImage(registry, blue, 0, 0, 5, 5);
    bmp = surface.grabImage(0, 0);
    ASSERT_EQ(bmp.size(), 58u);
    EXPECT_EQ(bmpPixel(bmp, 0, 0), makePixel(0, 0, 255));
}

TEST_F(SurfaceTest, GrabSizesResolveAgainstTheStore) {
    surface.setWidth(102);  // store 100 x 33
    surface.setHeight(35);
    struct Case {
        std::int32_t width, height;
        std::int32_t expectedWidth, expectedHeight;  // 0: empty result
    };
    const Case cases[] = {
        {0, 0, 100, 33},     // the store's own size
        {-50, -50, 50, 17},  // 16.5 rounds up
        {-5, -1, 10, 3},     // below 10 per cent counts as 10: 3.3 rounds down
        {-200, 0, 200, 33},
        {7, -100, 7, 33},
        {-100000, -100000, 0, 0},          // 100,000 x 33,000 pixels: more memory than there is
        {-2000000000, -2000000000, 0, 0},  // beyond 32-bit sizes
        {INT32_MIN, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const ByteBuffer bmp = surface.grabImage(c.width, c.height);
        if (c.expectedWidth == 0) {
            EXPECT_TRUE(bmp.empty());
            continue;
        }
        ASSERT_FALSE(bmp.empty());
        EXPECT_EQ(sizeOf(bmp).width, c.expectedWidth);
        EXPECT_EQ(sizeOf(bmp).height, c.expectedHeight);
        EXPECT_EQ(bmp.size(), 54 + bmpStride(c.expectedWidth) * c.expectedHeight);
    }
    surface.setWidth(1);  // store 1 x 33: a tenth of a pixel rounds to nothing
    EXPECT_TRUE(surface.grabImage(-10, 0).empty());
}

TEST_F(SurfaceTest, InvalidHandlesDrawNothingAndMeasureZero) {
    const ImageHandle picture = add(testing::solidPicture(463, 684, 0));
    EXPECT_EQ(surface.imageWidth(registry, picture), 463);
    EXPECT_EQ(surface.imageHeight(registry, picture), 684);
    for (const ImageHandle invalid : {ImageHandle{0}, picture + 1}) {
        EXPECT_EQ(surface.imageWidth(registry, invalid), 0);
        EXPECT_EQ(surface.imageHeight(registry, invalid), 0);
        surface.drawImage(registry, invalid, 0, 0, 46, 30);
        EXPECT_EQ(surface.store().pixels, testing::filledBitmap(46, 30, kFace).pixels);
    }
}

TEST_F(SurfaceTest, TransparentPngComesOutWhiteAndOneBitPcxBlackOnWhite) {
    const ImageHandle clear = add(testing::pngPicture(5, 5, makePixel(255, 0, 0), 0));
    surface.drawImage(registry, clear, 0, 0, 46, 30);
    EXPECT_EQ(surface.store().at(20, 20), makePixel(255, 255, 255));

    DecodedImage pcx;
    pcx.kind = ImageKind::Pcx1;
    pcx.width = 2;  // stride 2 bytes
    pcx.height = 1;
    pcx.pixels = {0b01000000, 0};  // a 0 bit, then a 1 bit
    surface.drawImage(registry, add(pcx), 0, 0, -1, -1);
    EXPECT_EQ(surface.store().at(0, 0), makePixel(0, 0, 0));
    EXPECT_EQ(surface.store().at(1, 0), makePixel(255, 255, 255));
}

TEST_F(SurfaceTest, ResizeSettlesSquaresFromOneSide) {
    const ImageHandle source = add(testing::solidPicture(640, 480, makePixel(10, 200, 30)));
    struct Case {
        std::int32_t width, height, expectedWidth, expectedHeight;
        std::size_t expectedBytes;
    };
    const Case cases[] = {
        {300, 0, 300, 300, 270054}, {0, 300, 300, 300, 270054}, {295, 413, 295, 413, 366798}, {0, 0, 1, 1, 58},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const ByteBuffer result = resizeImage(surface, registry, source, c.width, c.height);
        ASSERT_EQ(result.size(), c.expectedBytes);
        EXPECT_EQ(sizeOf(result).width, c.expectedWidth);
        EXPECT_EQ(sizeOf(result).height, c.expectedHeight);
        EXPECT_EQ(bmpPixel(result, c.expectedWidth / 2, c.expectedHeight / 2), makePixel(10, 200, 30));
    }
    // (0, 0) drew nothing onto the 1 x 1 store: its pixel is what the 295 x 413 result left there.
    EXPECT_EQ(surface.width(), 0);
    EXPECT_EQ(surface.store().width, 1);
}

TEST_F(SurfaceTest, TheTwoRightColumnsAndBottomRowsNeverReachTheResult) {
    // 10 x 10: grey where the 8 x 8 store reaches, red in the two last columns and rows.
    const ImageHandle source = add(testing::bgrPicture(ImageKind::Bmp, 10, 10, [](std::int32_t x, std::int32_t y) {
        return x >= 8 || y >= 8 ? makePixel(255, 0, 0) : makePixel(128, 128, 128);
    }));
    const ByteBuffer result = resizeImage(surface, registry, source, 10, 10);
    ASSERT_EQ(sizeOf(result).width, 10);
    for (std::int32_t y = 0; y < 10; ++y) {
        for (std::int32_t x = 0; x < 10; ++x) ASSERT_EQ(bmpPixel(result, x, y), makePixel(128, 128, 128)) << x << "," << y;
    }
}

TEST_F(SurfaceTest, NearestModeOnlyEverCopiesPixels) {
    const Pixel colours[2][2] = {{makePixel(255, 0, 0), makePixel(0, 255, 0)}, {makePixel(0, 0, 255), makePixel(9, 9, 9)}};
    const ImageHandle source = add(testing::bgrPicture(ImageKind::Bmp, 2, 2, [&](std::int32_t x, std::int32_t y) {
        return colours[y][x];
    }));
    surface.setStretchMode(StretchMode::Nearest);
    const ByteBuffer result = resizeImage(surface, registry, source, 21, 20);
    ASSERT_EQ(sizeOf(result).width, 21);
    for (std::int32_t y = 0; y < 20; ++y) {
        for (std::int32_t x = 0; x < 21; ++x) {
            // Result pixel -> store pixel under its centre -> picture pixel under that one's centre.
            const std::int32_t storeX = (2 * x + 1) * 19 / 42, storeY = (2 * y + 1) * 18 / 40;
            ASSERT_EQ(bmpPixel(result, x, y), colours[(2 * storeY + 1) * 2 / 40][(2 * storeX + 1) * 2 / 42]) << x << "," << y;
        }
    }
}

TEST_F(SurfaceTest, EachResizeStartsAgainFromTheSource) {
    std::mt19937 random(1);
    const Bitmap noise = testing::randomBitmap(50, 40, random);
    const ImageHandle source = add(testing::bgrPicture(ImageKind::Jpeg, 50, 40, [&](std::int32_t x, std::int32_t y) {
        return noise.at(x, y);
    }));
    resizeImage(surface, registry, source, 120, 90);
    const ByteBuffer second = resizeImage(surface, registry, source, 33, 21);
    DrawingSurface fresh(48, 32, kFace, StretchMode::Halftone);
    EXPECT_EQ(second, resizeImage(fresh, registry, source, 33, 21));
}

TEST_F(SurfaceTest, WithoutASourceTheResultIsTheSurfaceAsItWas) {
    surface.drawImage(registry, add(testing::solidPicture(2, 2, makePixel(0, 0, 255))), 0, 0, 10, 10);
    const ByteBuffer result = resizeImage(surface, registry, 0, 20, 20);  // store 18 x 18, nothing drawn
    ASSERT_EQ(sizeOf(result).width, 20);
    EXPECT_EQ(bmpPixel(result, 0, 0), makePixel(0, 0, 255));  // survived the rebuild
    EXPECT_EQ(bmpPixel(result, 19, 19), kFace);               // made by it
}

TEST_F(SurfaceTest, JpegBytesResizeExactlyLikeTheDecodedPicture) {
    std::mt19937 random(3);
    const ByteBuffer jpeg = encodeJpeg(testing::randomBitmap(333, 251, random));
    ASSERT_FALSE(jpeg.empty());
    const ImageHandle decoded = add(*decodeJpeg(jpeg, nullptr));
    struct Size {
        std::int32_t width, height;
    };
    for (const Size size : {Size{295, 413}, Size{120, 0}, Size{1, 1}, Size{700, 19}}) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        DrawingSurface streamed(48, 32, kFace, StretchMode::Halftone);
        DecodeFailure why = DecodeFailure::Corrupt;
        const ByteBuffer result = resizeJpegBytes(streamed, jpeg, size.width, size.height, &why);
        EXPECT_EQ(why, DecodeFailure::None);
        ASSERT_FALSE(result.empty());
        EXPECT_EQ(result, resizeImage(surface, registry, decoded, size.width, size.height));
    }
    // A stream cut short decodes as far as it goes, as a dropped file does.
    const ByteBuffer cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2));
    DrawingSurface streamed(48, 32, kFace, StretchMode::Halftone);
    EXPECT_EQ(resizeJpegBytes(streamed, cut, 64, 48), resizeImage(surface, registry, add(*decodeJpeg(cut, nullptr)), 64, 48));
}

TEST_F(SurfaceTest, JpegBytesThatDoNotDecodeGiveNoResultAndTheReason) {
    const ByteBuffer junk = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 3, 4, 5};
    DecodeFailure why = DecodeFailure::None;
    EXPECT_TRUE(resizeJpegBytes(surface, junk, 30, 30, &why).empty());
    EXPECT_NE(why, DecodeFailure::None);
}

}  // namespace
}  // namespace tavrel
