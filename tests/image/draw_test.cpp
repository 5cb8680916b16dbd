// The scaler, PNG compositing and drawPicture for every decoded layout.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "draw_fixtures.h"
#include "image/draw_picture.h"
#include "image/stretch.h"

namespace tavrel {
namespace {

using testing::filledBitmap;
using testing::randomBitmap;

constexpr Pixel kUntouched = 0x00123456;

std::uint8_t channelOf(Pixel p, int channel) { return static_cast<std::uint8_t>(p >> (8 * channel)); }

// Coverage-weighted means (blue, green, red) of the source pixels target pixel (i, j) covers, in
// plain doubles.
std::array<double, 3> areaMeans(const Bitmap& source, std::int32_t targetWidth, std::int32_t targetHeight, std::int32_t i,
                                std::int32_t j) {
    const double x0 = double(i) * source.width / targetWidth, x1 = double(i + 1) * source.width / targetWidth;
    const double y0 = double(j) * source.height / targetHeight, y1 = double(j + 1) * source.height / targetHeight;
    std::array<double, 3> sums{};
    for (int sy = int(std::floor(y0)); sy < std::ceil(y1) && sy < source.height; ++sy) {
        const double wy = std::min(sy + 1.0, y1) - std::max(double(sy), y0);
        const Pixel* row = source.row(sy);
        for (int sx = int(std::floor(x0)); sx < std::ceil(x1) && sx < source.width; ++sx) {
            const double w = (std::min(sx + 1.0, x1) - std::max(double(sx), x0)) * wy;
            for (int channel = 0; channel < 3; ++channel) sums[channel] += w * channelOf(row[sx], channel);
        }
    }
    for (double& sum : sums) sum /= (x1 - x0) * (y1 - y0);
    return sums;
}

// Every target pixel is the nearest integer to the area mean.
void expectAreaMeans(const Bitmap& source, const Bitmap& target) {
    for (std::int32_t j = 0; j < target.height; ++j) {
        for (std::int32_t i = 0; i < target.width; ++i) {
            const std::array<double, 3> means = areaMeans(source, target.width, target.height, i, j);
            for (int channel = 0; channel < 3; ++channel) {
                ASSERT_LE(std::abs(channelOf(target.at(i, j), channel) - means[channel]), 0.5 + 1e-9)
                    << "pixel " << i << "," << j << " channel " << channel;
            }
            ASSERT_EQ(target.at(i, j) >> 24, 0u);
        }
    }
}

Bitmap stretched(const Bitmap& source, std::int32_t width, std::int32_t height, StretchMode mode) {
    Bitmap target = filledBitmap(width, height, kUntouched);
    EXPECT_TRUE(stretchPicture(target, BitmapSource(source), 0, 0, width, height, mode));
    return target;
}

TEST(Stretch, HalftoneIsTheAreaMeanRoundedToNearest) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        const std::int32_t sw = 1 + random() % 13, sh = 1 + random() % 13;
        const std::int32_t dw = 1 + random() % 31, dh = 1 + random() % 31;  // shrinking and enlarging
        SCOPED_TRACE(std::to_string(sw) + "x" + std::to_string(sh) + " -> " + std::to_string(dw) + "x" + std::to_string(dh));
        const Bitmap source = randomBitmap(sw, sh, random);
        expectAreaMeans(source, stretched(source, dw, dh, StretchMode::Halftone));
    }
}

TEST(Stretch, EveryLayoutAndSumWidthGivesTheAreaMean) {
    struct Case {
        const char* name;
        std::int32_t sourceWidth, sourceHeight, targetWidth, targetHeight;
        bool packedSource;  // 3-byte rows, bottom-up (Jpeg layout) instead of a Bitmap
        bool bmpTarget;     // 3-byte rows, bottom-up (our BMP rows) instead of a Bitmap
    };
    const Case cases[] = {
        {"packed rows onto a bitmap", 37, 23, 11, 29, true, false},
        {"bitmap onto BMP rows", 23, 37, 29, 11, false, true},
        {"packed rows onto BMP rows, shared among threads", 1500, 700, 333, 101, true, true},
        // A source taller than 2^31 / 255 rows in lowest terms: 64-bit vertical sums.
        {"vertical sums past 31 bits", 1, 8500007, 2, 3, true, true},
    };
    std::mt19937 random(13);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap source = randomBitmap(c.sourceWidth, c.sourceHeight, random);
        std::vector<std::uint8_t> packed(source.pixels.size() * 3);
        for (std::int32_t y = 0; y < c.sourceHeight; ++y) {
            std::uint8_t* line = packed.data() + std::size_t(c.sourceHeight - 1 - y) * c.sourceWidth * 3;
            for (std::int32_t x = 0; x < c.sourceWidth; ++x) {
                line[3 * x] = pixelBlue(source.at(x, y));
                line[3 * x + 1] = pixelGreen(source.at(x, y));
                line[3 * x + 2] = pixelRed(source.at(x, y));
            }
        }
        const BgrRowsSource packedSource(packed.data(), c.sourceWidth, c.sourceHeight, std::size_t(c.sourceWidth) * 3, true);
        const BitmapSource bitmapSource(source);
        const StretchSource& from = c.packedSource ? static_cast<const StretchSource&>(packedSource) : bitmapSource;

        Bitmap target = filledBitmap(c.targetWidth, c.targetHeight, kUntouched);
        const std::size_t stride = (std::size_t(c.targetWidth) * 3 + 3) / 4 * 4;
        std::vector<std::uint8_t> rows(stride * c.targetHeight + 1, 0xAA);  // one guard byte after the rows
        PixelRows bmpRows{rows.data() + stride * (c.targetHeight - 1), -std::ptrdiff_t(stride), c.targetWidth, c.targetHeight, 3};
        if (c.bmpTarget) {
            ASSERT_TRUE(stretchPicture(bmpRows, from, 0, 0, c.targetWidth, c.targetHeight, StretchMode::Halftone));
            EXPECT_EQ(rows.back(), 0xAA);
            for (std::int32_t y = 0; y < c.targetHeight; ++y) {
                const std::uint8_t* line = rows.data() + stride * (c.targetHeight - 1 - y);
                for (std::int32_t x = 0; x < c.targetWidth; ++x) target.row(y)[x] = makePixel(line[3 * x + 2], line[3 * x + 1], line[3 * x]);
            }
        } else {
            ASSERT_TRUE(stretchPicture(target, from, 0, 0, c.targetWidth, c.targetHeight, StretchMode::Halftone));
        }
        expectAreaMeans(source, target);
    }
}

TEST(Stretch, IntegerRatiosGiveTheExactBoxMean) {
    struct Case {
        std::int32_t sourceWidth, sourceHeight, targetWidth, targetHeight;
    };
    // 6 and 12 do not divide the fixed-point units of power-of-two scalers: their means hit .5 exactly.
    const Case cases[] = {{12, 12, 2, 2}, {12, 6, 4, 1}, {18, 7, 3, 7}, {5, 10, 1, 5}, {9, 9, 9, 9}};
    std::mt19937 random(11);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sourceWidth) + "x" + std::to_string(c.sourceHeight));
        for (int trial = 0; trial < 20; ++trial) {
            Bitmap source = randomBitmap(c.sourceWidth, c.sourceHeight, random);
            if (trial % 2 == 0) {
                for (Pixel& p : source.pixels) p &= 0x00010101;  // 0s and 1s: many means of exactly .5
            }
            const Bitmap target = stretched(source, c.targetWidth, c.targetHeight, StretchMode::Halftone);
            const std::int32_t kx = c.sourceWidth / c.targetWidth, ky = c.sourceHeight / c.targetHeight;
            for (std::int32_t j = 0; j < c.targetHeight; ++j) {
                for (std::int32_t i = 0; i < c.targetWidth; ++i) {
                    for (int channel = 0; channel < 3; ++channel) {
                        int sum = 0;
                        for (std::int32_t y = j * ky; y < (j + 1) * ky; ++y) {
                            for (std::int32_t x = i * kx; x < (i + 1) * kx; ++x) sum += channelOf(source.at(x, y), channel);
                        }
                        const int count = kx * ky;
                        ASSERT_EQ(channelOf(target.at(i, j), channel), (2 * sum + count) / (2 * count));
                    }
                }
            }
        }
    }
}

TEST(Stretch, NearestTakesThePixelUnderTheCentre) {
    std::mt19937 random(3);
    for (int trial = 0; trial < 100; ++trial) {
        const std::int32_t sw = 1 + random() % 17, sh = 1 + random() % 17;
        const std::int32_t dw = 1 + random() % 29, dh = 1 + random() % 29;
        SCOPED_TRACE(std::to_string(sw) + "x" + std::to_string(sh) + " -> " + std::to_string(dw) + "x" + std::to_string(dh));
        const Bitmap source = randomBitmap(sw, sh, random);
        const Bitmap target = stretched(source, dw, dh, StretchMode::Nearest);
        for (std::int32_t j = 0; j < dh; ++j) {
            for (std::int32_t i = 0; i < dw; ++i) {
                const auto sx = std::int32_t((i + 0.5) * sw / dw), sy = std::int32_t((j + 0.5) * sh / dh);
                ASSERT_EQ(target.at(i, j), source.at(sx, sy)) << "pixel " << i << "," << j;
            }
        }
    }
}

TEST(Stretch, MirroredAndClippedPixelsEqualTheFullStretch) {
    struct Case {
        const char* name;
        std::int32_t x, y, width, height;  // the rectangle as drawn; negative sizes mirror
        std::int32_t targetWidth, targetHeight;
    };
    const Case cases[] = {
        {"inside", 3, 2, 23, 17, 30, 25},
        {"cut on the right and bottom", 0, 0, 23, 17, 20, 8},
        {"cut on the left and top", -7, -5, 23, 17, 30, 25},
        {"mirrored across", 23, 0, -23, 17, 23, 17},
        {"mirrored both ways and cut", 20, 15, -23, -17, 18, 12},
        {"wholly outside", 40, 0, 23, 17, 30, 25},
        {"mirrored wholly outside", 0, 0, -23, 17, 30, 25},
    };
    std::mt19937 random(5);
    const Bitmap source = randomBitmap(9, 7, random);
    for (const StretchMode mode : {StretchMode::Halftone, StretchMode::Nearest}) {
        const Bitmap full = stretched(source, 23, 17, mode);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (mode == StretchMode::Halftone ? " halftone" : " nearest"));
            Bitmap target = filledBitmap(c.targetWidth, c.targetHeight, kUntouched);
            ASSERT_TRUE(stretchPicture(target, BitmapSource(source), c.x, c.y, c.width, c.height, mode));
            const std::int32_t left = c.width < 0 ? c.x + c.width : c.x;
            const std::int32_t top = c.height < 0 ? c.y + c.height : c.y;
            for (std::int32_t ty = 0; ty < c.targetHeight; ++ty) {
                for (std::int32_t tx = 0; tx < c.targetWidth; ++tx) {
                    std::int32_t fx = tx - left, fy = ty - top;
                    const bool inside = fx >= 0 && fx < 23 && fy >= 0 && fy < 17;
                    if (c.width < 0) fx = 22 - fx;
                    if (c.height < 0) fy = 16 - fy;
                    ASSERT_EQ(target.at(tx, ty), inside ? full.at(fx, fy) : kUntouched) << "pixel " << tx << "," << ty;
                }
            }
        }
    }
}

// The program's own rule, evaluated as written: k a float, the rest in extended precision.
std::uint8_t compositeInLongDouble(int color, int alpha, int background) {
    const float k = 1.0f / 255.0f;
    const long double t = alpha * static_cast<long double>(k);
    const long double u = 1.0L - t;
    const long double value = std::trunc(color * t + background * u);
    return static_cast<std::uint8_t>(std::clamp(value, 0.0L, 255.0L));
}

TEST(Composite, KnownValues) {
    struct Case {
        int color, alpha, background, expected;
    };
    const Case cases[] = {
        {0, 128, 255, 126}, {0, 254, 255, 0}, {0, 1, 255, 253},  // black over white: k is a hair above 1/255
        {255, 1, 255, 255}, {255, 128, 255, 255}, {255, 254, 255, 255},
        {37, 0, 200, 200}, {0, 0, 0, 0},  // fully transparent: exactly the background
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.color) + " alpha " + std::to_string(c.alpha) + " over " + std::to_string(c.background));
        EXPECT_EQ(compositeOver(std::uint8_t(c.color), std::uint8_t(c.alpha), std::uint8_t(c.background)), c.expected);
    }
    for (int alpha = 0; alpha < 255; ++alpha) EXPECT_EQ(compositeOver(255, std::uint8_t(alpha), 255), 255) << alpha;
}

TEST(Composite, IntegerFormMatchesExtendedPrecisionForEveryTriple) {
    for (int alpha = 0; alpha < 255; ++alpha) {
        for (int color = 0; color < 256; ++color) {
            for (int background = 0; background < 256; ++background) {
                ASSERT_EQ(compositeOver(std::uint8_t(color), std::uint8_t(alpha), std::uint8_t(background)),
                          compositeInLongDouble(color, alpha, background))
                    << color << " alpha " << alpha << " over " << background;
            }
        }
    }
}

// ---- drawPicture, one layout at a time ----

const DrawState kBlackOnWhite{StretchMode::Halftone, 0x000000, 0xFFFFFF};

Bitmap drawn(const DecodedImage& image, std::int32_t targetWidth, std::int32_t targetHeight, std::int32_t width = -1,
             std::int32_t height = -1, ColorRef alphaBackground = 0xFFFFFF, const DrawState& state = kBlackOnWhite,
             bool* ok = nullptr) {
    Bitmap target = filledBitmap(targetWidth, targetHeight, kUntouched);
    const bool drew = drawPicture(target, image, 0, 0, width, height, RasterOp::SourceCopy, alphaBackground, state);
    if (ok) *ok = drew;
    return target;
}

void putU32(ByteBuffer& block, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) block[at + k] = std::uint8_t(value >> (8 * k));
}

// The packed 8-bit bitmap Gif and Pcx8 pictures carry: 40-byte header, 256 palette entries
// (entry n is blue n, green 2n, red 3n), then the rows.
ByteBuffer packedBitmap(std::int32_t width, std::int32_t height, const std::vector<std::uint8_t>& rows,
                        std::size_t trailing) {
    ByteBuffer block(1064 + rows.size() + trailing, 0);
    putU32(block, 0, 40);                              // header size
    putU32(block, 4, std::uint32_t(width));            // width
    putU32(block, 8, std::uint32_t(height));           // height (negative: top-down)
    block[12] = 1;                                     // planes
    block[14] = 8;                                     // bits per pixel
    for (int n = 0; n < 256; ++n) {
        block[40 + 4 * n] = std::uint8_t(n);           // blue
        block[41 + 4 * n] = std::uint8_t(2 * n);       // green
        block[42 + 4 * n] = std::uint8_t(3 * n);       // red
    }
    std::copy(rows.begin(), rows.end(), block.begin() + 1064);
    return block;
}

Pixel paletteColor(int n) { return makePixel(std::uint8_t(3 * n), std::uint8_t(2 * n), std::uint8_t(n)); }

TEST(DrawPicture, JpegRowsAreBottomUpAtTheirOwnSize) {
    const DecodedImage image = testing::bgrPicture(ImageKind::Jpeg, 2, 2, [](std::int32_t x, std::int32_t y) {
        return makePixel(std::uint8_t(10 + x), std::uint8_t(20 + y), 30);
    });
    const Bitmap target = drawn(image, 3, 3);
    EXPECT_EQ(target.at(0, 0), makePixel(10, 20, 30));
    EXPECT_EQ(target.at(1, 0), makePixel(11, 20, 30));
    EXPECT_EQ(target.at(0, 1), makePixel(10, 21, 30));
    EXPECT_EQ(target.at(2, 2), kUntouched);
}

TEST(DrawPicture, ZeroSizeDrawsNothing) {
    const DecodedImage image = testing::solidPicture(4, 4, 0x00ABCDEF);
    for (const auto& [width, height] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{0, 0}}) {
        const Bitmap target = drawn(image, 4, 4, width, height);
        EXPECT_EQ(target.pixels, filledBitmap(4, 4, kUntouched).pixels) << width << "x" << height;
    }
}

TEST(DrawPicture, PngTransparencyIsCompositedOntoTheGivenColour) {
    struct Case {
        const char* name;
        std::uint8_t alpha;
        ColorRef background;
        Pixel expected;
    };
    const Case cases[] = {
        {"opaque pixel untouched", 255, 0x0000FF00, makePixel(0, 0, 0)},
        {"transparent pixel is the background exactly", 0, 0x00102030, makePixel(0x30, 0x20, 0x10)},
        {"half black over white", 128, 0xFFFFFF, makePixel(126, 126, 126)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap target = drawn(testing::pngPicture(2, 2, makePixel(0, 0, 0), c.alpha), 2, 2, -1, -1, c.background);
        EXPECT_EQ(target.at(1, 1), c.expected);
    }
}

TEST(DrawPicture, GifFirstImageSitsTopLeftOfItsLogicalScreen) {
    DecodedImage image;
    image.kind = ImageKind::Gif;
    image.width = 4;  // logical screen 4 x 3
    image.height = 3;
    // First image 2 x 2, top-down, rows padded to 4; the decoder's code table follows the rows.
    image.pixels = packedBitmap(2, -2, {1, 2, 0, 0, 3, 4, 0, 0}, 24576);
    const Bitmap target = drawn(image, 4, 3, -1, -1, 0x00336699);
    const Pixel uncovered = pixelFromColorRef(0x00336699);
    EXPECT_EQ(target.at(0, 0), paletteColor(1));
    EXPECT_EQ(target.at(1, 0), paletteColor(2));
    EXPECT_EQ(target.at(0, 1), paletteColor(3));
    EXPECT_EQ(target.at(1, 1), paletteColor(4));
    EXPECT_EQ(target.at(2, 0), uncovered);
    EXPECT_EQ(target.at(3, 2), uncovered);
    EXPECT_EQ(target.at(0, 2), uncovered);
}

TEST(DrawPicture, Pcx8RowsUseTheStrideOfTheirBlock) {
    DecodedImage image;
    image.kind = ImageKind::Pcx8;
    image.width = 3;
    image.height = 2;
    // Bytes-per-line 6 gives a stride of 8, wider than the width's own padding of 4.
    image.pixels = packedBitmap(3, -2, {5, 6, 7, 9, 9, 9, 0, 0, 8, 9, 10, 9, 9, 9, 0, 0}, 0);
    const Bitmap target = drawn(image, 3, 2);
    EXPECT_EQ(target.at(0, 0), paletteColor(5));
    EXPECT_EQ(target.at(2, 0), paletteColor(7));
    EXPECT_EQ(target.at(0, 1), paletteColor(8));
    EXPECT_EQ(target.at(2, 1), paletteColor(10));
}

TEST(DrawPicture, Pcx1BitsTakeTheTextAndBackgroundColours) {
    DecodedImage image;
    image.kind = ImageKind::Pcx1;
    image.width = 10;  // stride: 2 bytes (10 bits rounded to an even byte count)
    image.height = 2;
    image.pixels = {0b10100000, 0b01000000,   // row 0: 1 0 1 0 0 0 0 0 | 0 1
                    0b00000000, 0b11000000};  // row 1: all 0 ... | 1 1
    const DrawState state{StretchMode::Halftone, 0x000000FF, 0x0000FF00};  // text red, background green
    const Bitmap target = drawn(image, 10, 2, -1, -1, 0xFFFFFF, state);
    const Pixel zero = makePixel(255, 0, 0), one = makePixel(0, 255, 0);
    const Pixel expectedRow0[10] = {one, zero, one, zero, zero, zero, zero, zero, zero, one};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(target.at(x, 0), expectedRow0[x]) << x;
    EXPECT_EQ(target.at(7, 1), zero);
    EXPECT_EQ(target.at(8, 1), one);
}

TEST(DrawPicture, IconsBlendByTheirAlphaAtTheirOwnSizeForZero) {
    DecodedImage image;
    image.kind = ImageKind::Icon;
    image.width = 3;
    image.height = 1;
    IconImage icon;
    icon.width = 3;
    icon.height = 1;
    icon.bgra = {0, 0, 255, 0,      // red, transparent: the target shows through
                 0, 0, 255, 255,    // red, opaque
                 0, 0, 255, 128};   // red, half
    image.icon = icon;
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{-1, -1}}) {
        SCOPED_TRACE(std::to_string(width));
        const Bitmap target = drawn(image, 4, 1, width, height);
        EXPECT_EQ(target.at(0, 0), kUntouched);
        EXPECT_EQ(target.at(1, 0), makePixel(255, 0, 0));
        EXPECT_EQ(target.at(2, 0), makePixel(128 + (0x12 * 127 + 127) / 255, (0x34 * 127 + 127) / 255, (0x56 * 127 + 127) / 255));
        EXPECT_EQ(target.at(3, 0), kUntouched);
    }
}

TEST(DrawPicture, PixelBlocksThatDoNotFitTheirLayoutDrawNothing) {
    struct Case {
        const char* name;
        DecodedImage image;
    };
    std::vector<Case> cases;
    DecodedImage shortJpeg = testing::solidPicture(4, 4, 0);
    shortJpeg.pixels.resize(47);
    cases.push_back({"Jpeg one byte short", shortJpeg});
    DecodedImage shortPng = testing::pngPicture(4, 4, 0, 255);
    shortPng.pixels.resize(63);
    cases.push_back({"Png one byte short", shortPng});
    DecodedImage gif;
    gif.kind = ImageKind::Gif;
    gif.width = gif.height = 4;
    gif.pixels = packedBitmap(4, -4, std::vector<std::uint8_t>(15, 0), 0);
    cases.push_back({"Gif rows cut short", gif});
    DecodedImage gifHeader = gif;
    gifHeader.pixels = packedBitmap(4, -4, std::vector<std::uint8_t>(16, 0), 0);
    gifHeader.pixels[14] = 4;  // 4 bits a pixel
    cases.push_back({"Gif header not 8-bit", gifHeader});
    DecodedImage pcx1;
    pcx1.kind = ImageKind::Pcx1;
    pcx1.width = 16;
    pcx1.height = 2;
    pcx1.pixels.assign(3, 0);
    cases.push_back({"Pcx1 rows cut short", pcx1});
    DecodedImage icon;
    icon.kind = ImageKind::Icon;
    icon.width = icon.height = 2;
    cases.push_back({"Icon without its image", icon});
    DecodedImage unknown = testing::solidPicture(4, 4, 0);
    unknown.kind = ImageKind::Unknown;
    cases.push_back({"Unknown kind", unknown});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = true;
        const Bitmap target = drawn(c.image, 4, 4, -1, -1, 0xFFFFFF, kBlackOnWhite, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(target.pixels, filledBitmap(4, 4, kUntouched).pixels);
    }
}

TEST(Stretch, LargeStretchesSplitAcrossThreadsGiveTheSameRows) {
    // Big enough to be shared among threads; every row must equal the same stretch done in pieces.
    std::mt19937 random(9);
    const Bitmap source = randomBitmap(700, 500, random);
    const Bitmap whole = stretched(source, 301, 199, StretchMode::Halftone);
    Bitmap pieces = filledBitmap(301, 199, kUntouched);
    for (std::int32_t top = 0; top < 199; top += 50) {
        Bitmap band = filledBitmap(301, 50, kUntouched);
        ASSERT_TRUE(stretchPicture(band, BitmapSource(source), 0, -top, 301, 199, StretchMode::Halftone));
        for (std::int32_t y = 0; y < 50 && top + y < 199; ++y) {
            std::memcpy(pieces.row(top + y), band.row(y), 301 * sizeof(Pixel));
        }
    }
    EXPECT_EQ(whole.pixels, pieces.pixels);
}

TEST(Stretch, StreamedRowsGiveTheWholeStretch) {
    // Rows handed over one at a time, top first, as a decoder gives them, land exactly where the
    // stretch of the whole picture puts them: shrinking, enlarging, clipped, mirrored across.
    struct Case {
        const char* name;
        std::int32_t sourceWidth, sourceHeight;
        std::int32_t x, y, width, height;
        std::int32_t targetWidth, targetHeight;
    };
    const Case cases[] = {
        {"shrunk by a ratio that is no integer", 97, 131, 0, 0, 29, 41, 29, 41},
        {"shrunk a lot", 600, 400, 0, 0, 7, 5, 7, 5},
        {"enlarged", 9, 7, 0, 0, 40, 33, 40, 33},
        {"one source row", 50, 1, 0, 0, 13, 9, 13, 9},
        {"cut on every side", 97, 131, -5, -7, 29, 41, 20, 30},
        {"mirrored across", 97, 131, 29, 0, -29, 41, 29, 41},
        {"wholly outside", 97, 131, 0, 50, 29, 41, 29, 41},
        {"a tall thin one", 3, 1000, 0, 0, 2, 17, 2, 17},
    };
    std::mt19937 random(11);
    for (const StretchMode mode : {StretchMode::Halftone, StretchMode::Nearest}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (mode == StretchMode::Halftone ? " halftone" : " nearest"));
            const Bitmap noise = randomBitmap(c.sourceWidth, c.sourceHeight, random);
            std::vector<std::uint8_t> rows(static_cast<std::size_t>(c.sourceWidth) * c.sourceHeight * 3);
            for (std::int32_t y = 0; y < c.sourceHeight; ++y) {
                for (std::int32_t x = 0; x < c.sourceWidth; ++x) std::memcpy(&rows[(std::size_t(y) * c.sourceWidth + x) * 3], &noise.row(y)[x], 3);
            }
            Bitmap whole = filledBitmap(c.targetWidth, c.targetHeight, kUntouched);
            ASSERT_TRUE(stretchPicture(whole, BgrRowsSource(rows.data(), c.sourceWidth, c.sourceHeight, c.sourceWidth * 3u, false),
                                       c.x, c.y, c.width, c.height, mode));

            Bitmap streamed = filledBitmap(c.targetWidth, c.targetHeight, kUntouched);
            StreamedStretch stretch;
            ASSERT_TRUE(stretch.begin(pixelRowsOf(streamed), c.sourceWidth, c.sourceHeight, 3, c.x, c.y, c.width, c.height, mode));
            for (std::int32_t y = 0; y < c.sourceHeight; ++y) {
                std::uint8_t* row = stretch.rowBuffer(y);
                ASSERT_NE(row, nullptr);
                std::memcpy(row, &rows[std::size_t(y) * c.sourceWidth * 3], std::size_t(c.sourceWidth) * 3);
                stretch.rowDone(y);
            }
            EXPECT_TRUE(stretch.finished());
            EXPECT_EQ(streamed.pixels, whole.pixels);
        }
    }
}

TEST(Stretch, StreamsRefuseMirroredRowsAndRowsPastTheEnd) {
    Bitmap target = filledBitmap(10, 10, kUntouched);
    StreamedStretch stretch;
    EXPECT_FALSE(stretch.begin(pixelRowsOf(target), 20, 20, 3, 0, 10, 10, -10, StretchMode::Halftone));
    EXPECT_EQ(stretch.rowBuffer(0), nullptr);
    ASSERT_TRUE(stretch.begin(pixelRowsOf(target), 20, 20, 3, 0, 0, 10, 10, StretchMode::Halftone));
    EXPECT_EQ(stretch.rowBuffer(-1), nullptr);
    EXPECT_EQ(stretch.rowBuffer(20), nullptr);
    EXPECT_FALSE(stretch.finished());
}

}  // namespace
}  // namespace tavrel
