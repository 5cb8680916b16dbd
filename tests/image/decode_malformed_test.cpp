// Refusals and hostile input: every case must fail cleanly, for the reason given.

#include <gtest/gtest.h>
#include <png.h>

#include <functional>
#include <tuple>

#include "decode_fixtures.h"
#include "image/decode.h"

namespace tavrel {
namespace {

using namespace test;

struct BadCase {
    std::string name;
    ByteBuffer bytes;
    DecodeFailure failure;
};

void expectAllRefused(const std::vector<BadCase>& cases) {
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeFailure why = DecodeFailure::None;
        EXPECT_FALSE(decodeImage(c.bytes, &why).has_value());
        EXPECT_EQ(decodeFailureName(why), std::string(decodeFailureName(c.failure)));
    }
}

// Little-endian field writes into a finished fixture.
ByteBuffer patched(ByteBuffer bytes, std::size_t offset, std::uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i)
        bytes.at(offset + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}
ByteBuffer cut(ByteBuffer bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// 4 x 2 at 8 bits, 4 colours: file header 14, info header 40, table 16, rows 2 x 4 bytes.
ByteBuffer eightBitBmp() {
    BmpFixture fixture{{4, 2, 8, {0, 1, 2, 3, 3, 2, 1, 0}}};
    fixture.colours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    fixture.coloursUsed = 4;
    return makeBmp(fixture);
}
// 3 x 2 at 24 bits: rows of 9 bytes and 3 of padding.
ByteBuffer rgbBmp() { return makeBmp({{3, 2, 24, {1, 2, 3, 4, 5, 6}}}); }

TEST(DecodeBmpRefusals, VariantsWeDoNotRead) {
    BmpFixture rle{{4, 2, 8, {0, 1, 2, 3, 3, 2, 1, 0}}};
    rle.colours = {0, 0xFFFFFF};
    rle.compression = 1;  // RLE8
    BmpFixture bitFields{{2, 1, 32, {1, 2}}};
    bitFields.compression = 3;
    BmpFixture sixteen{{2, 1, 16, {0, 0}}};
    BmpFixture twoBit{{4, 1, 2, {0, 1, 2, 3}}};
    twoBit.colours = {0, 1, 2, 3};
    BmpFixture core{{2, 1, 24, {1, 2}}};
    core.headerSize = 12;  // OS/2 1.x: the fields we read are not there
    expectAllRefused({
        {"run-length compressed", makeBmp(rle), DecodeFailure::Unsupported},
        {"bit fields", makeBmp(bitFields), DecodeFailure::Unsupported},
        {"16-bit", makeBmp(sixteen), DecodeFailure::Unsupported},
        {"2-bit", makeBmp(twoBit), DecodeFailure::Unsupported},
        {"12-byte header", makeBmp(core), DecodeFailure::Unsupported},
    });
}

TEST(DecodeBmpRefusals, CutAtEveryBoundary) {
    const ByteBuffer bmp = eightBitBmp();
    ASSERT_EQ(bmp.size(), 14u + 40 + 16 + 8);
    std::vector<BadCase> cases;
    for (std::size_t size : {8, 13, 14, 30, 53})
        cases.push_back({"headers cut at " + std::to_string(size), cut(bmp, size), DecodeFailure::Truncated});
    cases.push_back({"table cut", cut(bmp, 54 + 10), DecodeFailure::Truncated});
    cases.push_back({"no rows", cut(bmp, 70), DecodeFailure::Truncated});
    cases.push_back({"first row only", cut(bmp, 74), DecodeFailure::Truncated});
    cases.push_back({"last row short of a pixel", cut(bmp, 77), DecodeFailure::Truncated});
    const ByteBuffer rgb = rgbBmp();
    cases.push_back({"24-bit, last row short of a byte", cut(rgb, 54 + 12 + 8), DecodeFailure::Truncated});
    expectAllRefused(cases);

    // The last row's padding is not needed.
    EXPECT_TRUE(decodeImage(cut(rgb, 54 + 12 + 9)).has_value());
}

TEST(DecodeBmpRefusals, LyingOffsetsAndSizes) {
    const ByteBuffer bmp = eightBitBmp();
    const ByteBuffer rgb = rgbBmp();
    expectAllRefused({
        // pixel-data offset (u32 at 10)
        {"pixels inside the headers", patched(bmp, 10, 54), DecodeFailure::Corrupt},
        {"pixels inside the table", patched(bmp, 10, 60), DecodeFailure::Corrupt},
        {"pixels at 0", patched(rgb, 10, 0), DecodeFailure::Corrupt},
        {"pixels past the end", patched(bmp, 10, 0xFFFFFFF0), DecodeFailure::Truncated},
        // colours used (u32 at 46)
        {"4 billion colours", patched(bmp, 46, 0xFFFFFFFF), DecodeFailure::Truncated},
        {"more colours than bytes", patched(bmp, 46, 300), DecodeFailure::Truncated},
        // header size (u32 at 14)
        {"header size past the end", patched(bmp, 14, 0xFFFFFFF0), DecodeFailure::Truncated},
        // width (i32 at 18), height (i32 at 22)
        {"100000 x 100000", patched(patched(rgb, 18, 100000), 22, 100000), DecodeFailure::TooLarge},
        {"width of -2^31", patched(rgb, 18, 0x80000000), DecodeFailure::TooLarge},
        {"height of -2^31", patched(rgb, 22, 0x80000000), DecodeFailure::TooLarge},
        {"a row of 2^29 pixels", patched(patched(rgb, 18, 0x20000000), 22, 1), DecodeFailure::TooLarge},
        {"width 0", patched(rgb, 18, 0), DecodeFailure::Corrupt},
        {"height 0", patched(rgb, 22, 0), DecodeFailure::Corrupt},
        {"more rows than the file holds", patched(rgb, 22, 1000), DecodeFailure::Truncated},
    });
}

// An icon of one 2 x 2 24-bit entry: directory 6, entry 16, image header 40, rows 2 x 8, mask 2 x 4.
ByteBuffer smallIcon() {
    IconBitmapFixture bitmap{{2, 2, 24, {1, 2, 3, 4}}};
    return makeIconFile(1, {{2, 2, 0, makeIconBitmap(bitmap)}});
}

TEST(DecodeIconRefusals, CutAtEveryBoundary) {
    const ByteBuffer icon = smallIcon();
    ASSERT_EQ(icon.size(), 6u + 16 + 40 + 16 + 8);
    std::vector<BadCase> cases;
    for (std::size_t size : {8, 12, 21, 22, 40, 61, 62, 70, 77})
        cases.push_back({"cut at " + std::to_string(size), cut(icon, size), DecodeFailure::Truncated});
    expectAllRefused(cases);

    // Entries stored as PNG fail as their PNG does.
    const ByteBuffer png = makePng(2, 2, PNG_FORMAT_RGB, ByteBuffer(12, 7));
    const ByteBuffer pngIcon = makeIconFile(1, {{2, 2, 0, png}});
    ByteBuffer shortPng = patched(pngIcon, 6 + 8, static_cast<std::uint32_t>(png.size() - 20));
    expectAllRefused({{"PNG entry cut short", shortPng, DecodeFailure::Truncated}});
}

TEST(DecodeIconRefusals, LyingDirectoriesAndHeaders) {
    const ByteBuffer icon = smallIcon();
    // entry: width, height, colours, reserved (bytes 6-9), planes, bits (10-13), size (u32 at 14),
    // offset (u32 at 18); image header from 22: width (i32 at 26), height (i32 at 30),
    // bits (u16 at 36), compression (u32 at 38)
    expectAllRefused({
        {"size past the end", patched(icon, 14, 0xFFFFFFFF), DecodeFailure::Truncated},
        {"offset past the end", patched(icon, 18, 0xFFFFFFFF), DecodeFailure::Truncated},
        {"offset + size wraps", patched(patched(icon, 14, 0x20), 18, 0xFFFFFFF0), DecodeFailure::Truncated},
        {"image shorter than its header", patched(icon, 14, 30), DecodeFailure::Truncated},
        {"a million entries' worth", patched(icon, 4, 0xFFFF, 2), DecodeFailure::Truncated},
        {"100000 x 100000", patched(patched(icon, 26, 100000), 30, 200000), DecodeFailure::TooLarge},
        {"width 0", patched(icon, 26, 0), DecodeFailure::Corrupt},
        {"negative width", patched(icon, 26, 0xFFFFFFFE), DecodeFailure::Corrupt},
        {"header height 1", patched(icon, 30, 1), DecodeFailure::Corrupt},
        {"header height 1000", patched(icon, 30, 1000), DecodeFailure::Truncated},
        {"16-bit", patched(icon, 36, 16, 2), DecodeFailure::Unsupported},
        {"run-length compressed", patched(icon, 38, 1), DecodeFailure::Unsupported},
        {"4 billion colours", patched(patched(icon, 36, 8, 2), 54, 0xFFFFFFFF), DecodeFailure::Truncated},
    });
    // Recognition never sends these to the icon decoder; called directly, it still says no.
    for (const auto& [name, bytes] : {std::pair{"reserved set", patched(icon, 0, 1, 2)},
                                      std::pair{"type 3", patched(icon, 2, 3, 2)},
                                      std::pair{"no entries", patched(icon, 4, 0, 2)}}) {
        SCOPED_TRACE(name);
        DecodeFailure why = DecodeFailure::None;
        EXPECT_FALSE(decodeIcon(bytes, &why).has_value());
        EXPECT_EQ(why, DecodeFailure::BadSignature);
    }
}

TEST(DecodePngRefusals, CutOrLyingFilesFail) {
    const ByteBuffer png = makePng(4, 4, PNG_FORMAT_RGBA, ByteBuffer(64, 200));
    // signature 8, IHDR chunk 25 (length, type, 13 bytes, CRC), then IDAT.
    std::vector<BadCase> cases;
    for (std::size_t size :
         {std::size_t{8}, std::size_t{16}, std::size_t{32}, std::size_t{33}, std::size_t{40}, png.size() - 13})
        cases.push_back({"cut at " + std::to_string(size), cut(png, size), DecodeFailure::Truncated});
    ByteBuffer badCrc = png;
    badCrc[29] ^= 0xFF;  // IHDR CRC
    cases.push_back({"IHDR CRC wrong", badCrc, DecodeFailure::Corrupt});
    cases.push_back({"bit depth 3", makeRawPng(4, 4, 3, 2, {0}), DecodeFailure::Corrupt});
    cases.push_back({"width 0", makeRawPng(0, 4, 8, 2, {0}), DecodeFailure::Corrupt});
    cases.push_back({"100000 x 100000", makeRawPng(100000, 100000, 8, 6, {0x78, 0x9C}), DecodeFailure::TooLarge});
    cases.push_back({"40000 x 40000 grey", makeRawPng(40000, 40000, 1, 0, {0x78, 0x9C}), DecodeFailure::TooLarge});
    cases.push_back({"IDAT not zlib", makeRawPng(2, 2, 8, 2, {1, 2, 3, 4, 5, 6}), DecodeFailure::Corrupt});
    // A chunk before the image data claiming more than the file holds fails before libpng would
    // allocate its stated length; lengths of 2^31 and more are not PNG at all.
    for (const auto& [name, length, failure] :
         {std::tuple{"text chunk of 1.8 GB", 0x70000000u, DecodeFailure::Truncated},
          std::tuple{"text chunk of 4 GB", 0xFFFFFFF0u, DecodeFailure::Corrupt}}) {
        ByteBuffer lying = makeRawPng(2, 2, 8, 2, {0x78, 0x9C});
        const ByteBuffer chunk = {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                                  static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
                                  't', 'E', 'X', 't', 'a', '=', 'b'};
        lying.insert(lying.begin() + 33, chunk.begin(), chunk.end());  // after signature and IHDR
        cases.push_back({name, lying, failure});
    }
    expectAllRefused(cases);
}

// Finds the start-of-frame marker (baseline or progressive) of a JPEG.
std::size_t frameHeaderAt(const ByteBuffer& jpeg) {
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return i;
    ADD_FAILURE() << "no frame header";
    return 0;
}

// Big-endian size fields of the frame header: marker, length, precision, height, width.
ByteBuffer withFrameSize(ByteBuffer jpeg, std::uint16_t width, std::uint16_t height) {
    const std::size_t sof = frameHeaderAt(jpeg);
    jpeg.at(sof + 5) = static_cast<std::uint8_t>(height >> 8);
    jpeg.at(sof + 6) = static_cast<std::uint8_t>(height);
    jpeg.at(sof + 7) = static_cast<std::uint8_t>(width >> 8);
    jpeg.at(sof + 8) = static_cast<std::uint8_t>(width);
    return jpeg;
}

TEST(DecodeJpegRefusals, CutOrLyingFilesFail) {
    JpegFixture fixture{16, 16, 3};
    fixture.samples.assign(16 * 16 * 3, 90);
    const ByteBuffer jpeg = makeJpeg(fixture);
    JpegFixture progressiveFixture = fixture;
    progressiveFixture.progressive = true;
    const ByteBuffer progressive = makeJpeg(progressiveFixture);
    const std::size_t sof = frameHeaderAt(jpeg);
    std::vector<BadCase> cases;
    // A cut anywhere before the scan leaves no image.
    for (std::size_t size : {std::size_t{8}, std::size_t{20}, sof, sof + 4})
        cases.push_back({"cut at " + std::to_string(size), cut(jpeg, size), DecodeFailure::Truncated});
    cases.push_back({"65535 x 65535", withFrameSize(jpeg, 65535, 65535), DecodeFailure::TooLarge});
    cases.push_back({"progressive 60000 x 60000", withFrameSize(progressive, 60000, 60000), DecodeFailure::TooLarge});
    cases.push_back({"width 0", withFrameSize(jpeg, 0, 16), DecodeFailure::Corrupt});
    ByteBuffer twelveBit = jpeg;
    twelveBit.at(sof + 4) = 12;  // sample precision
    cases.push_back({"12-bit samples", twelveBit, DecodeFailure::Unsupported});
    ByteBuffer lossless = jpeg;
    lossless.at(sof + 1) = 0xC3;  // lossless frame
    cases.push_back({"lossless", lossless, DecodeFailure::Unsupported});
    expectAllRefused(cases);
}

// Where the scan data of a JPEG starts.
std::size_t scanDataAt(const ByteBuffer& jpeg) {
    for (std::size_t i = 2; i + 3 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i + 2 + (std::size_t{jpeg[i + 2]} << 8 | jpeg[i + 3]);
    ADD_FAILURE() << "no scan";
    return 0;
}

TEST(DecodeImageRefusals, EveryPrefixOfAFileFailsOrDecodesWhereAllowed) {
    // Every cut of every fixture: no read outside the input (the sanitizers watch), and a picture
    // only where a cut is allowed: JPEG once its scan header names its tables, PNG without its end chunk, a
    // bitmap whose last row lacks only its padding. An icon's directory counts the entry's bytes.
    JpegFixture fixture{8, 8, 3};
    fixture.samples.assign(8 * 8 * 3, 40);
    const ByteBuffer jpeg = makeJpeg(fixture);
    const ByteBuffer rgb = rgbBmp();
    const ByteBuffer png = makePng(3, 3, PNG_FORMAT_RGBA, ByteBuffer(36, 9));
    const std::pair<ByteBuffer, std::size_t> fixtures[] = {
        {eightBitBmp(), SIZE_MAX},
        {rgb, rgb.size() - 3},
        {smallIcon(), SIZE_MAX},
        {png, png.size() - 12},
        // The last three scan header bytes (spectral selection, approximation) are fixed for a
        // baseline scan: libjpeg goes on without them.
        {jpeg, scanDataAt(jpeg) - 3},
    };
    for (const auto& [whole, firstDecodable] : fixtures) {
        for (std::size_t size = 0; size < whole.size(); ++size) {
            SCOPED_TRACE(size);
            EXPECT_EQ(decodeImage(cut(whole, size)).has_value(), size >= firstDecodable);
        }
    }
}

}  // namespace
}  // namespace tavrel
