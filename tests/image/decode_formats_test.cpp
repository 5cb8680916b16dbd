// The main path of each decoder on tiny pictures built here.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <functional>

#include "decode_fixtures.h"
#include "image/decode.h"
#include "image/jpeg.h"

namespace tavrel {
namespace {

using namespace test;

// ---- JPEG ----------------------------------------------------------------------------------

// Quadrant colours of the JPEG fixtures, as 0xRRGGBB: top-left, top-right, bottom-left, bottom-right.
constexpr std::uint32_t kQuadrants[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

int quadrantOf(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    return (y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1);
}

// Samples of a picture in four flat quadrants. CMYK samples are ink amounts, stored inverted when
// `inverted` (as Adobe's writers do).
JpegFixture quadrantJpeg(std::int32_t width, std::int32_t height, int components, bool inverted = false) {
    JpegFixture fixture;
    fixture.width = width;
    fixture.height = height;
    fixture.components = components;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t rgb = kQuadrants[quadrantOf(x, y, width, height)];
            const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
            if (components == 3) {
                fixture.samples.insert(
                    fixture.samples.end(),
                    {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)});
            } else if (components == 1) {
                fixture.samples.push_back(static_cast<std::uint8_t>(r));
            } else {
                for (int ink : {255 - r, 255 - g, 255 - b, 0})
                    fixture.samples.push_back(static_cast<std::uint8_t>(inverted ? 255 - ink : ink));
            }
        }
    }
    return fixture;
}

// A JPEG is lossy: a few levels either way is the same colour.
bool nearColour(std::uint32_t a, std::uint32_t b) {
    constexpr int tolerance = 6;
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    }
    return true;
}

struct JpegCase {
    const char* name;
    JpegFixture fixture;
    bool grey;
};

std::vector<JpegCase> jpegCases() {
    std::vector<JpegCase> cases;
    cases.push_back({"baseline, no subsampling", quadrantJpeg(16, 16, 3), false});
    JpegFixture subsampled = quadrantJpeg(32, 32, 3);
    subsampled.subsample = true;
    cases.push_back({"baseline, 2x2 subsampling", subsampled, false});
    JpegFixture progressive = quadrantJpeg(32, 16, 3);
    progressive.progressive = true;
    cases.push_back({"progressive", progressive, false});
    JpegFixture arithmetic = quadrantJpeg(16, 16, 3);
    arithmetic.arithmetic = true;  // Debian's libjpeg-turbo decodes these
    cases.push_back({"arithmetic coded", arithmetic, false});
    cases.push_back({"odd size", quadrantJpeg(14, 10, 3), false});
    cases.push_back({"greyscale", quadrantJpeg(16, 8, 1), true});
    JpegFixture adobe = quadrantJpeg(16, 16, 4, true);
    cases.push_back({"CMYK, Adobe inverted", adobe, false});
    JpegFixture plainCmyk = quadrantJpeg(16, 16, 4, false);
    plainCmyk.adobeMarker = false;
    cases.push_back({"CMYK without Adobe marker", plainCmyk, false});
    JpegFixture ycck = quadrantJpeg(32, 32, 4, true);
    ycck.ycck = true;
    cases.push_back({"YCCK", ycck, false});
    return cases;
}

TEST(DecodeJpeg, DecodesEveryVariantIntoBottomUpBgr) {
    for (const JpegCase& c : jpegCases()) {
        SCOPED_TRACE(c.name);
        DecodeFailure why = DecodeFailure::Corrupt;
        const auto image = decodeImage(makeJpeg(c.fixture), &why);
        ASSERT_TRUE(image.has_value()) << decodeFailureName(why);
        EXPECT_EQ(image->kind, ImageKind::Jpeg);
        ASSERT_EQ(image->width, c.fixture.width);
        ASSERT_EQ(image->height, c.fixture.height);
        ASSERT_EQ(image->pixelBytes(), c.fixture.width * c.fixture.height * 3);
        const std::int32_t w = c.fixture.width, h = c.fixture.height;
        for (auto [x, y] : {std::pair{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}}) {
            std::uint32_t expected = kQuadrants[quadrantOf(x, y, w, h)];
            if (c.grey) expected = ((expected >> 16) & 0xFF) * 0x010101;
            EXPECT_PRED2(nearColour, storedBgrAt(*image, x, y), expected) << "at " << x << "," << y;
        }
    }
}

// Textured samples, so upsampling and rounding differences would show.
JpegFixture texturedJpeg(std::int32_t width, std::int32_t height, int components) {
    JpegFixture fixture;
    fixture.width = width;
    fixture.height = height;
    fixture.components = components;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                fixture.samples.push_back(static_cast<std::uint8_t>((x * 37 + y * 11 + c * 85 + x * y) & 0xFF));
    return fixture;
}

TEST(DecodeJpeg, BytesEqualThePlainLibjpegSequence) {
    JpegFixture subsampled = texturedJpeg(37, 23, 3);
    subsampled.subsample = true;
    JpegFixture progressive = texturedJpeg(40, 17, 3);
    progressive.progressive = true;
    progressive.subsample = true;
    const std::pair<const char*, JpegFixture> cases[] = {
        {"2x2 subsampled, odd size", subsampled},
        {"progressive", progressive},
        {"no subsampling", texturedJpeg(9, 31, 3)},
        {"greyscale", texturedJpeg(21, 5, 1)},
    };
    for (const auto& [name, fixture] : cases) {
        SCOPED_TRACE(name);
        const ByteBuffer jpeg = makeJpeg(fixture);
        const auto image = decodeJpeg(jpeg, nullptr);
        ASSERT_TRUE(image.has_value());
        EXPECT_TRUE(image->pixels == referenceJpegDecode(jpeg));
    }
}

TEST(DecodeJpeg, AStreamCutShortDecodesAtFullSize) {
    // Quadrants with a texture on top, so most of the file is scan data and the cut falls in it.
    JpegFixture fixture = quadrantJpeg(64, 64, 3);
    for (std::size_t i = 0; i < fixture.samples.size(); ++i) fixture.samples[i] ^= static_cast<std::uint8_t>(i * 7 % 5);
    ByteBuffer jpeg = makeJpeg(fixture);
    jpeg.resize(jpeg.size() * 3 / 5);
    DecodeFailure why = DecodeFailure::Corrupt;
    const auto image = decodeImage(jpeg, &why);
    ASSERT_TRUE(image.has_value()) << decodeFailureName(why);
    EXPECT_EQ(why, DecodeFailure::None);
    EXPECT_EQ(image->width, 64);
    EXPECT_EQ(image->height, 64);
    EXPECT_PRED2(nearColour, storedBgrAt(*image, 8, 8), kQuadrants[0]);
}

// Records what the decoder hands over; can refuse at a chosen point.
class RecordingSink final : public JpegRowSink {
public:
    bool acceptSize = true;
    std::int32_t refuseRow = -1;
    std::int32_t width = 0, height = 0;
    std::vector<std::int32_t> rowsDone;
    ByteBuffer rows;

    bool begin(std::int32_t w, std::int32_t h) noexcept override {
        width = w;
        height = h;
        rows.assign(static_cast<std::size_t>(w) * 3 * static_cast<std::size_t>(h), 0);
        return acceptSize;
    }
    std::uint8_t* rowBuffer(std::int32_t y) noexcept override {
        if (y == refuseRow) return nullptr;
        return rows.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
    }
    void rowDone(std::int32_t y) noexcept override { rowsDone.push_back(y); }
};

TEST(DecodeJpegRows, HandsOverEveryRowTopFirst) {
    JpegFixture fixture = texturedJpeg(24, 13, 3);
    fixture.subsample = true;
    const ByteBuffer jpeg = makeJpeg(fixture);
    RecordingSink sink;
    ASSERT_TRUE(decodeJpegRows(jpeg, sink, nullptr));
    EXPECT_EQ(sink.width, 24);
    EXPECT_EQ(sink.height, 13);
    std::vector<std::int32_t> expected(13);
    for (std::int32_t y = 0; y < 13; ++y) expected[static_cast<std::size_t>(y)] = y;
    EXPECT_EQ(sink.rowsDone, expected);
    // Top-down rows here, bottom-up in the picture: the same bytes.
    const ByteBuffer stored = referenceJpegDecode(jpeg);
    for (std::size_t y = 0; y < 13; ++y) {
        EXPECT_TRUE(std::equal(sink.rows.begin() + static_cast<std::ptrdiff_t>(y * 72),
                               sink.rows.begin() + static_cast<std::ptrdiff_t>(y * 72 + 72),
                               stored.begin() + static_cast<std::ptrdiff_t>((12 - y) * 72)));
    }
}

TEST(DecodeJpegRows, ASinkThatRefusesStopsTheDecode) {
    const ByteBuffer jpeg = makeJpeg(texturedJpeg(16, 16, 3));
    RecordingSink noRoom;
    noRoom.acceptSize = false;
    DecodeFailure why = DecodeFailure::None;
    EXPECT_FALSE(decodeJpegRows(jpeg, noRoom, &why));
    EXPECT_EQ(why, DecodeFailure::TooLarge);
    EXPECT_TRUE(noRoom.rowsDone.empty());

    RecordingSink stopsAtFive;
    stopsAtFive.refuseRow = 5;
    EXPECT_FALSE(decodeJpegRows(jpeg, stopsAtFive, nullptr));
    EXPECT_EQ(stopsAtFive.rowsDone.size(), 5u);
}

// ---- PNG -----------------------------------------------------------------------------------

struct PngCase {
    const char* name;
    std::uint32_t format;
    std::vector<std::uint8_t> samples;  // 3 x 1 pixels in `format`
    std::vector<std::uint8_t> bgra;     // what we expect back
};

TEST(DecodePng, EveryFormatArrivesAsStraightBgra) {
    const PngCase cases[] = {
        {"RGBA with three alphas",
         PNG_FORMAT_RGBA,
         {10, 20, 30, 0, 200, 100, 50, 128, 1, 2, 3, 255},
         {30, 20, 10, 0, 50, 100, 200, 128, 3, 2, 1, 255}},
        {"RGB",
         PNG_FORMAT_RGB,
         {10, 20, 30, 200, 100, 50, 1, 2, 3},
         {30, 20, 10, 255, 50, 100, 200, 255, 3, 2, 1, 255}},
        {"grey", PNG_FORMAT_GRAY, {0, 128, 255}, {0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}},
        {"grey with alpha",
         PNG_FORMAT_GA,
         {90, 0, 128, 77, 255, 255},
         {90, 90, 90, 0, 128, 128, 128, 77, 255, 255, 255, 255}},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto image = decodeImage(makePng(3, 1, c.format, c.samples));
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->kind, ImageKind::Png);
        EXPECT_EQ(image->width, 3);
        EXPECT_EQ(image->height, 1);
        EXPECT_EQ(image->pixels, c.bgra);
    }
}

TEST(DecodePng, RowsAreTopDown) {
    // 1 x 2: a red row above a blue one.
    const auto image = decodeImage(makePng(1, 2, PNG_FORMAT_RGB, {255, 0, 0, 0, 0, 255}));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->pixels, (ByteBuffer{0, 0, 255, 255, 255, 0, 0, 255}));
}

// ---- BMP -----------------------------------------------------------------------------------

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

struct BmpCase {
    const char* name;
    BmpFixture fixture;
    std::vector<std::uint32_t> expected;  // 0xRRGGBB, top row first
};

std::vector<BmpCase> bmpCases() {
    std::vector<BmpCase> cases;
    // 10 x 2 at 1 bit: the rows need 2 bytes and 2 of padding; leftmost pixel in the top bit.
    BmpFixture oneBit{{10, 2, 1, {1, 0, 0, 1, 1, 1, 0, 0, 0, 1, /**/ 0, 1, 1, 1, 1, 1, 1, 1, 1, 0}}};
    oneBit.colours = {kRed, kBlue};
    std::vector<std::uint32_t> oneBitColours;
    for (std::uint32_t v : oneBit.pixels.values) oneBitColours.push_back(v ? kBlue : kRed);
    cases.push_back({"1-bit", oneBit, oneBitColours});

    // 3 x 2 at 4 bits, colours-used 0: a table of 16 entries.
    BmpFixture fourBit{{3, 2, 4, {15, 0, 7, 1, 2, 15}}};
    for (std::uint32_t i = 0; i < 16; ++i) fourBit.colours.push_back(i * 0x111111);
    cases.push_back({"4-bit", fourBit, {0xFFFFFF, 0, 0x777777, 0x111111, 0x222222, 0xFFFFFF}});

    // 3 x 1 at 8 bits with 3 colours: index 200 lies beyond the table and shows black.
    BmpFixture eightBit{{3, 1, 8, {2, 200, 1}}};
    eightBit.colours = {kRed, kGreen, kBlue};
    eightBit.coloursUsed = 3;
    cases.push_back({"8-bit, index beyond the table", eightBit, {kBlue, 0, kGreen}});

    // 3 x 2 at 24 bits: 9 bytes a row, 3 of padding.
    BmpFixture rgb{{3, 2, 24, {kRed, kGreen, kBlue, kWhite, 0x123456, 0}}};
    cases.push_back({"24-bit", rgb, rgb.pixels.values});

    // 2 x 2 at 32 bits: the fourth byte (0x7F, 0x00) means nothing.
    BmpFixture rgbx{{2, 2, 32, {0x7FFF0000, 0x0000FF00, 0x7F0000FF, 0x00ABCDEF}}};
    cases.push_back({"32-bit, fourth byte ignored", rgbx, {kRed, kGreen, kBlue, 0xABCDEF}});

    BmpFixture topDown = rgb;
    topDown.topDown = true;
    cases.push_back({"top-down (negative height)", topDown, rgb.pixels.values});

    // A 124-byte header puts the table further on.
    BmpFixture v5 = eightBit;
    v5.headerSize = 124;
    cases.push_back({"8-bit with a 124-byte header", v5, {kBlue, 0, kGreen}});

    BmpFixture gap = rgb;
    gap.pixelOffset = 14 + 40 + 10;  // 10 bytes between header and pixels
    cases.push_back({"pixels after a gap", gap, rgb.pixels.values});
    return cases;
}

TEST(DecodeBmp, EveryDepthDecodesToTheSamePicture) {
    for (const BmpCase& c : bmpCases()) {
        SCOPED_TRACE(c.name);
        DecodeFailure why = DecodeFailure::Corrupt;
        const auto image = decodeImage(makeBmp(c.fixture), &why);
        ASSERT_TRUE(image.has_value()) << decodeFailureName(why);
        EXPECT_EQ(image->kind, ImageKind::Bmp);
        const std::int32_t w = c.fixture.pixels.width, h = c.fixture.pixels.rows;
        ASSERT_EQ(image->width, w);
        ASSERT_EQ(image->height, h);
        ASSERT_EQ(image->pixelBytes(), w * h * 3);
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x)
                EXPECT_EQ(storedBgrAt(*image, x, y), c.expected[static_cast<std::size_t>(y * w + x)])
                    << "at " << x << "," << y;
    }
}

// ---- Icons and cursors ---------------------------------------------------------------------

// The icon pixel at (x, y) as 0xAARRGGBB.
std::uint32_t iconPixel(const DecodedImage& image, std::int32_t x, std::int32_t y) {
    const IconImage& icon = *image.icon;
    const std::uint8_t* p = icon.bgra.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(icon.width) +
                                                static_cast<std::size_t>(x)) * 4;
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

// A true-colour entry of `width` x `rows` in one colour.
IconEntryFixture plainEntry(std::uint8_t width, std::int32_t rows, std::uint32_t colour, std::uint16_t bits = 24) {
    IconBitmapFixture bitmap{
        {width, rows, bits, std::vector<std::uint32_t>(static_cast<std::size_t>(width * rows), colour)}};
    return {width, static_cast<std::uint8_t>(rows), 0, makeIconBitmap(bitmap)};
}

struct IconCase {
    const char* name;
    std::uint16_t type;
    std::vector<IconEntryFixture> entries;
    ImageKind kind;
    std::int32_t width, height;
    std::vector<std::uint32_t> expected;  // 0xAARRGGBB, top row first
};

std::vector<IconCase> iconCases() {
    std::vector<IconCase> cases;
    // 4 x 2 at 24 bits; the mask clears the top-left and bottom-right pixels.
    IconBitmapFixture masked{{4, 2, 24, {kRed, kGreen, kBlue, kWhite, 0x010203, 0x040506, 0x070809, 0x0A0B0C}}};
    masked.transparent = {true, false, false, false, false, false, false, true};
    const std::vector<std::uint32_t> maskedExpected = {0x00FF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                                       0xFF010203, 0xFF040506, 0xFF070809, 0x000A0B0C};
    cases.push_back(
        {"24-bit with mask", 1, {{4, 2, 0, makeIconBitmap(masked)}}, ImageKind::Icon, 4, 2, maskedExpected});
    cases.push_back({"cursor", 2, {{4, 2, 0, makeIconBitmap(masked)}}, ImageKind::Cursor, 4, 2, maskedExpected});

    // 32 bits with alpha: alpha decides, a fully set mask is ignored.
    IconBitmapFixture alpha{{2, 1, 32, {0x80FF0000, 0xFF00FF00}}};
    alpha.transparent = {true, true};
    cases.push_back({"32-bit with alpha", 1, {{2, 1, 0, makeIconBitmap(alpha)}}, ImageKind::Icon, 2, 1,
                     {0x80FF0000, 0xFF00FF00}});
    // 32 bits, alpha all zero: the mask decides.
    IconBitmapFixture zeroAlpha{{2, 1, 32, {0x00FF0000, 0x0000FF00}}};
    zeroAlpha.transparent = {false, true};
    cases.push_back({"32-bit without alpha", 1, {{2, 1, 0, makeIconBitmap(zeroAlpha)}}, ImageKind::Icon, 2, 1,
                     {0xFFFF0000, 0x0000FF00}});
    IconBitmapFixture noMask = alpha;
    noMask.withMask = false;
    cases.push_back({"32-bit with alpha and no mask", 1, {{2, 1, 0, makeIconBitmap(noMask)}}, ImageKind::Icon, 2, 1,
                     {0x80FF0000, 0xFF00FF00}});

    // 2 x 2 at 4 bits with 16 colours.
    IconBitmapFixture sixteen{{2, 2, 4, {1, 2, 3, 15}}};
    for (std::uint32_t i = 0; i < 16; ++i) sixteen.colours.push_back(i * 0x111111);
    const std::vector<std::uint32_t> sixteenExpected = {0xFF111111, 0xFF222222, 0xFF333333, 0xFFFFFFFF};
    // The entry's own bytes say 32 pixels and 16 colours; the image inside decides the size.
    IconEntryFixture qualifying{32, 32, 16, makeIconBitmap(sixteen)};
    cases.push_back({"first 32-pixel entry of 16 colours wins", 1,
                     {plainEntry(16, 16, kRed), qualifying, plainEntry(32, 32, kBlue)}, ImageKind::Icon, 2, 2,
                     sixteenExpected});
    IconEntryFixture eightColours = qualifying;
    eightColours.colourCount = 8;
    cases.push_back({"fewer than 16 colours: the last entry", 1, {eightColours, plainEntry(3, 1, kGreen)},
                     ImageKind::Icon, 3, 1, {0xFF00FF00, 0xFF00FF00, 0xFF00FF00}});
    cases.push_back({"all colour counts 0: the last entry", 1,
                     {plainEntry(32, 32, kRed), plainEntry(32, 32, kRed, 32), plainEntry(2, 3, kBlue)}, ImageKind::Icon,
                     2, 3, std::vector<std::uint32_t>(6, 0xFF0000FF)});

    // A PNG entry: its own header gives the size.
    const ByteBuffer png = makePng(3, 1, PNG_FORMAT_RGBA, {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 99});
    cases.push_back({"PNG entry", 1, {{0, 0, 0, png}}, ImageKind::Icon, 3, 1, {0xFFFF0000, 0x0000FF00, 0x630000FF}});
    return cases;
}

TEST(DecodeIcon, ChoosesAnEntryAndFoldsTheMaskIntoAlpha) {
    for (const IconCase& c : iconCases()) {
        SCOPED_TRACE(c.name);
        DecodeFailure why = DecodeFailure::Corrupt;
        const auto image = decodeImage(makeIconFile(c.type, c.entries), &why);
        ASSERT_TRUE(image.has_value()) << decodeFailureName(why);
        EXPECT_EQ(image->kind, c.kind);
        EXPECT_TRUE(image->pixels.empty());
        ASSERT_TRUE(image->icon.has_value());
        ASSERT_EQ(image->width, c.width);
        ASSERT_EQ(image->height, c.height);
        ASSERT_EQ(image->icon->width, c.width);
        ASSERT_EQ(image->icon->height, c.height);
        ASSERT_EQ(image->icon->bgra.size(), static_cast<std::size_t>(c.width * c.height * 4));
        for (std::int32_t y = 0; y < c.height; ++y)
            for (std::int32_t x = 0; x < c.width; ++x)
                EXPECT_EQ(iconPixel(*image, x, y), c.expected[static_cast<std::size_t>(y * c.width + x)])
                    << "at " << x << "," << y;
    }
}

TEST(DecodeIcon, AnOddHeaderHeightRoundsTowardZero) {
    IconBitmapFixture bitmap{{2, 2, 24, {kRed, kRed, kBlue, kBlue}}};
    ByteBuffer image = makeIconBitmap(bitmap);
    image[8] = 5;  // header height: 2 rows, their mask and one row more
    const auto decoded = decodeImage(makeIconFile(1, {{2, 2, 0, image}}));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->height, 2);
    EXPECT_EQ(iconPixel(*decoded, 0, 0), 0xFFFF0000u);
}

}  // namespace
}  // namespace tavrel
