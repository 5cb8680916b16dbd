// GIF (LZW, block reader, still decode, stream) and PCX decoding, on tiny pictures built here and
// on the third-party corpus.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "image/decode.h"
#include "image/gif.h"
#include "image/lzw.h"
#include "image/pcx.h"

namespace tavrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void appendU16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
std::uint32_t readU32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

// ---------------------------------------------------------------------------------------------
// GIF fixtures

// Packs codes least significant bit first and cuts the bytes into sub-blocks of at most 255.
class CodePacker {
public:
    void put(std::uint32_t code, int width) {
        bits_ |= std::uint64_t{code} << count_;
        count_ += width;
        while (count_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    // The sub-blocks and their zero-length terminator.
    Bytes subBlocks() {
        if (count_ > 0) bytes_.push_back(static_cast<std::uint8_t>(bits_));
        count_ = 0;
        Bytes out;
        for (std::size_t i = 0; i < bytes_.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, bytes_.size() - i);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), bytes_.begin() + i, bytes_.begin() + i + n);
        }
        out.push_back(0);
        return out;
    }

private:
    Bytes bytes_;
    std::uint64_t bits_ = 0;
    int count_ = 0;
};

// A plain LZW encoder that tracks the decoder's code width. When its table is full it either sends
// a clear code or, with `deferClear`, goes on with the full table.
Bytes lzwEncode(const Bytes& indices, int minCodeSize, bool deferClear = false) {
    const std::uint32_t clear = 1u << minCodeSize;
    CodePacker packer;
    std::map<std::pair<std::uint32_t, std::uint8_t>, std::uint32_t> strings;
    int width = minCodeSize + 1;
    std::uint32_t next = clear + 2;    // the encoder's next free code
    std::uint32_t decoderNext = next;  // the decoder's, one string behind
    bool first = true;
    auto emit = [&](std::uint32_t code) {
        packer.put(code, width);
        if (!first && decoderNext < 4096) ++decoderNext;
        first = false;
        if (decoderNext == (1u << width) && width < 12) ++width;
    };
    auto reset = [&] {
        packer.put(clear, width);
        strings.clear();
        width = minCodeSize + 1;
        next = decoderNext = clear + 2;
        first = true;
    };
    reset();
    std::uint32_t prefix = indices.at(0);
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const auto found = strings.find({prefix, indices[i]});
        if (found != strings.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        if (next < 4096) {
            strings.emplace(std::pair(prefix, indices[i]), next++);
        } else if (!deferClear) {
            reset();
        }
        prefix = indices[i];
    }
    emit(prefix);
    packer.put(clear + 1, width);
    return packer.subBlocks();
}

struct Rgb {
    std::uint8_t r, g, b;
};

// Colour table bytes padded to the 2^(n+1) entries that its size bits n can express.
std::pair<std::uint8_t, Bytes> colourTable(const std::vector<Rgb>& colours) {
    std::uint8_t sizeBits = 0;
    while ((2u << sizeBits) < colours.size()) ++sizeBits;
    Bytes table;
    for (std::size_t i = 0; i < (2u << sizeBits); ++i) {
        const Rgb c = i < colours.size() ? colours[i] : Rgb{0, 0, 0};
        table.insert(table.end(), {c.r, c.g, c.b});
    }
    return {static_cast<std::uint8_t>(0x80 | sizeBits), table};
}

Bytes gifHeader(std::uint16_t width, std::uint16_t height, const std::vector<Rgb>& global) {
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    appendU16(out, width);  // logical screen
    appendU16(out, height);
    if (global.empty()) {
        out.insert(out.end(), {0x00, 0, 0});  // no global table, background, aspect
    } else {
        auto [packed, table] = colourTable(global);
        out.insert(out.end(), {packed, 0, 0});
        out.insert(out.end(), table.begin(), table.end());
    }
    return out;
}

void addGraphicControl(Bytes& out, std::uint8_t disposal, bool transparent, std::uint8_t index, std::uint16_t delay) {
    out.insert(out.end(), {0x21, 0xF9, 0x04});  // extension, label, block size
    out.push_back(static_cast<std::uint8_t>((disposal << 2) | (transparent ? 1 : 0)));
    appendU16(out, delay);
    out.insert(out.end(), {index, 0x00});  // transparent index, terminator
}

struct GifImagePlan {
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    Bytes indices{};  // rows top-down as shown
    std::vector<Rgb> local{};
    bool interlaced = false;
    int minCodeSize = 2;
};

// Interlaced files store rows 0, 8, 16, ... then 4, 12, ... then 2, 6, ... then 1, 3, ...
std::vector<std::size_t> interlacedRowOrder(std::size_t height) {
    std::vector<std::size_t> order;
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (std::size_t y = start; y < height; y += step) order.push_back(y);
    return order;
}

void addImage(Bytes& out, const GifImagePlan& image) {
    out.push_back(0x2C);
    appendU16(out, image.left);
    appendU16(out, image.top);
    appendU16(out, image.width);
    appendU16(out, image.height);
    std::uint8_t packed = image.interlaced ? 0x40 : 0x00;
    Bytes table;
    if (!image.local.empty()) {
        auto [localPacked, localTable] = colourTable(image.local);
        packed |= localPacked;
        table = localTable;
    }
    out.push_back(packed);
    out.insert(out.end(), table.begin(), table.end());
    Bytes fileOrder = image.indices;
    if (image.interlaced) {
        fileOrder.clear();
        for (std::size_t y : interlacedRowOrder(image.height))
            fileOrder.insert(fileOrder.end(), image.indices.begin() + y * image.width,
                             image.indices.begin() + (y + 1) * image.width);
    }
    out.push_back(static_cast<std::uint8_t>(image.minCodeSize));
    const Bytes data = lzwEncode(fileOrder, image.minCodeSize);
    out.insert(out.end(), data.begin(), data.end());
}

// The rows of a still GIF's block without their padding.
Bytes gifRows(const DecodedImage& image) {
    const auto width = static_cast<std::int32_t>(readU32(image.pixels, 4));
    const auto height = -static_cast<std::int32_t>(readU32(image.pixels, 8));
    const std::size_t stride = ((width - 1) | 3) + 1;
    Bytes rows;
    for (std::int32_t y = 0; y < height; ++y) {
        const auto* row = image.pixels.data() + kGifInfoHeaderBytes + kGifColourBytes + y * stride;
        rows.insert(rows.end(), row, row + width);
    }
    return rows;
}

const std::vector<Rgb> kFourColours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

// ---------------------------------------------------------------------------------------------
// LZW unit

class CollectingSink final : public LzwSink {
public:
    void write(const std::uint8_t* indices, std::size_t count) override {
        out.insert(out.end(), indices, indices + count);
    }
    Bytes out;
};

struct LzwRun {
    LzwResult result;
    Bytes out;
};
LzwRun runLzw(const Bytes& subBlocks, int minCodeSize) {
    Bytes table(kLzwTableBytes);
    CollectingSink sink;
    const LzwResult result = decodeLzw(subBlocks, minCodeSize, table, sink);
    return {result, sink.out};
}

TEST(Lzw, RoundTripsThroughEveryTableState) {
    // Pseudo-random indices with runs of repeats fill the 4,096-entry table several times over.
    Bytes pixels(60000);
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % 3 == 0) seed = seed * 1103515245u + 12345u;
        pixels[i] = static_cast<std::uint8_t>((seed >> 16) % 4);
    }
    ASSERT_NE(lzwEncode(pixels, 2, false), lzwEncode(pixels, 2, true)) << "the table never filled";
    for (bool deferClear : {false, true}) {
        for (int m : {2, 3, 8}) {
            SCOPED_TRACE(testing::Message() << "m=" << m << " deferClear=" << deferClear);
            const LzwRun run = runLzw(lzwEncode(pixels, m, deferClear), m);
            EXPECT_EQ(run.result, LzwResult::EndCode);
            EXPECT_EQ(run.out, pixels);
        }
    }
}

TEST(Lzw, StringDefinedByItsOwnCode) {
    // m=2: clear 4, end 5. Codes 4, 1, 6, 5: "1", then code 6 = "1" + "1" before it is in the table.
    CodePacker codes;
    for (std::uint32_t c : {4u, 1u, 6u, 5u}) codes.put(c, 3);
    const LzwRun run = runLzw(codes.subBlocks(), 2);
    EXPECT_EQ(run.result, LzwResult::EndCode);
    EXPECT_EQ(run.out, (Bytes{1, 1, 1}));
}

TEST(Lzw, FailuresAndEndings) {
    // m=2 throughout the codes: clear 4, end 5, first free 6, 3 bits wide.
    auto framed = [](std::vector<std::uint32_t> codes) {
        CodePacker packer;
        for (std::uint32_t code : codes) packer.put(code, 3);
        return packer.subBlocks();
    };
    // Eight codes fill exactly three bytes, and each clear keeps the width at 3.
    const Bytes fourOnes = framed({4, 1, 4, 1, 4, 1, 4, 1});
    const Bytes cutOff = {5, fourOnes[1], fourOnes[2], fourOnes[3]};  // claims 5 bytes, holds 3

    struct Case {
        const char* name;
        Bytes blocks;
        int minCodeSize;
        LzwResult result;
        Bytes out;
    };
    const Case cases[] = {
        {"illegal code right after clear", framed({4, 7}), 2, LzwResult::IllegalCode, {}},
        {"code beyond the next free one", framed({4, 1, 7}), 2, LzwResult::IllegalCode, {1}},
        {"end code ends", framed({4, 3, 5, 1}), 2, LzwResult::EndCode, {3}},
        {"terminator before the end code", fourOnes, 2, LzwResult::DataEnded, {1, 1, 1, 1}},
        {"sub-block longer than the data", cutOff, 2, LzwResult::DataEnded, {1, 1, 1, 1}},
        // m=1: clear 2, end 3; 2 bits wide, 3 bits once the first code is read.
        {"code size 1", {1, 0b0110010, 0}, 1, LzwResult::EndCode, {0}},
        {"code size 0", fourOnes, 0, LzwResult::BadCodeSize, {}},
        {"code size 12", fourOnes, 12, LzwResult::BadCodeSize, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LzwRun run = runLzw(c.blocks, c.minCodeSize);
        EXPECT_EQ(run.result, c.result) << lzwResultName(run.result);
        EXPECT_EQ(run.out, c.out);
    }
    EXPECT_STREQ(lzwResultName(LzwResult::IllegalCode), "illegal code");
}

TEST(Lzw, RefusesATableSpanTooSmall) {
    Bytes table(kLzwTableBytes - 1);
    CollectingSink sink;
    EXPECT_EQ(decodeLzw(Bytes{1, 0x0C, 0}, 2, table, sink), LzwResult::TableTooSmall);
}

// ---------------------------------------------------------------------------------------------
// GIF still decoding

TEST(GifDecode, LayoutWithGlobalTable) {
    Bytes file = gifHeader(3, 2, kFourColours);
    addImage(file, {.width = 3, .height = 2, .indices = {0, 1, 2, 3, 3, 1}});
    file.push_back(0x3B);

    DecodeFailure why = DecodeFailure::Corrupt;
    const auto image = decodeGif(file, &why);
    ASSERT_TRUE(image) << decodeFailureName(why);
    EXPECT_EQ(image->kind, ImageKind::Gif);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    const Bytes& block = image->pixels;
    EXPECT_EQ(image->pixelBytes(), 2 * 4 + 25640);                // rows of 3 padded to 4
    EXPECT_EQ(readU32(block, 0), 40u);                            // header size
    EXPECT_EQ(readU32(block, 4), 3u);                             // image width
    EXPECT_EQ(static_cast<std::int32_t>(readU32(block, 8)), -2);  // top-down
    EXPECT_EQ(readU32(block, 12), 1u | (8u << 16));               // planes, bits per pixel
    EXPECT_EQ(readU32(block, 16), 0u);                            // no compression
    EXPECT_EQ(readU32(block, 32), 256u);                          // colours used
    EXPECT_EQ(readU32(block, 36), 256u);                          // colours important
    EXPECT_EQ(readU32(block, 40 + 0 * 4), 0x00FF0000u);           // red as blue, green, red, 0
    EXPECT_EQ(readU32(block, 40 + 2 * 4), 0x000000FFu);           // blue
    EXPECT_EQ(readU32(block, 40 + 4 * 4), 0u);                    // past the 4-entry table: unset
    EXPECT_EQ(gifRows(*image), (Bytes{0, 1, 2, 3, 3, 1}));
}

TEST(GifDecode, MainPaths) {
    struct Case {
        const char* name;
        Bytes file;
        std::int32_t width, height;  // the record: logical screen
        Bytes rows;                  // the first image's indices
        std::uint32_t colour1;       // colour entry 1 as stored
    };
    std::vector<Case> cases;
    {
        // Local table wins over the global one.
        Bytes f = gifHeader(2, 1, kFourColours);
        addImage(f, {.width = 2, .height = 1, .indices = {1, 0}, .local = {{1, 2, 3}, {4, 5, 6}}});
        f.push_back(0x3B);
        cases.push_back({"local table", f, 2, 1, {1, 0}, 0x00040506});
    }
    {
        // No table at all: every entry stays 0.
        Bytes f = gifHeader(2, 1, {});
        addImage(f, {.width = 2, .height = 1, .indices = {1, 1}});
        f.push_back(0x3B);
        cases.push_back({"no colour table", f, 2, 1, {1, 1}, 0});
    }
    {
        // Ten rows of one pixel each, holding their own row number.
        Bytes rows = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        Bytes f = gifHeader(1, 10, std::vector<Rgb>(16, Rgb{7, 7, 7}));
        GifImagePlan plan{.width = 1, .height = 10, .indices = rows, .interlaced = true, .minCodeSize = 4};
        // Rows in file order are 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
        ASSERT_EQ(interlacedRowOrder(10), (std::vector<std::size_t>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
        addImage(f, plan);
        f.push_back(0x3B);
        cases.push_back({"interlaced", f, 1, 10, rows, 0x00070707});
    }
    {
        // An animation: the record takes the logical screen, the block the first image only.
        Bytes f = gifHeader(5, 4, kFourColours);
        f.insert(f.end(), {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
        addGraphicControl(f, 2, true, 3, 10);
        addImage(f, {.left = 1, .top = 1, .width = 3, .height = 2, .indices = {3, 2, 1, 0, 1, 2}});
        f.insert(f.end(), {0x21, 0xFE, 2, 'h', 'i', 0});  // comment
        addImage(f, {.width = 5, .height = 4, .indices = Bytes(20, 2)});
        f.push_back(0x3B);
        cases.push_back({"first image of an animation", f, 5, 4, {3, 2, 1, 0, 1, 2}, 0x0000FF00});
    }
    {
        // A plain text extension is skipped with its header and sub-blocks.
        Bytes f = gifHeader(1, 1, kFourColours);
        f.insert(f.end(), {0x21, 0x01, 12, 0, 0, 0, 0, 8, 0, 8, 0, 8, 8, 1, 0, 2, 'a', 'b', 0});
        addImage(f, {.width = 1, .height = 1, .indices = {3}});
        f.push_back(0x3B);
        cases.push_back({"plain text skipped", f, 1, 1, {3}, 0x0000FF00});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeFailure why{};
        const auto image = decodeGif(c.file, &why);
        ASSERT_TRUE(image) << decodeFailureName(why);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_EQ(gifRows(*image), c.rows);
        EXPECT_EQ(readU32(image->pixels, 40 + 4), c.colour1);
    }
}

TEST(GifDecode, KeepsThePartialImageOfCutData) {
    Bytes file = gifHeader(4, 4, kFourColours);
    addImage(file, {.width = 4, .height = 4, .indices = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1}});
    file.resize(file.size() - 4);  // the terminator and the last codes, the end code among them, gone
    DecodeFailure why{};
    const auto image = decodeGif(file, &why);
    ASSERT_TRUE(image) << decodeFailureName(why);
    const Bytes rows = gifRows(*image);
    EXPECT_EQ(Bytes(rows.begin(), rows.begin() + 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(rows[15], 0);  // never decoded
}

TEST(GifDecode, Refusals) {
    const Bytes good = [] {
        Bytes f = gifHeader(2, 2, kFourColours);
        addImage(f, {.width = 2, .height = 2, .indices = {0, 1, 2, 3}});
        f.push_back(0x3B);
        return f;
    }();
    const std::size_t firstBlock = 13 + 12;  // header and the 4-entry global table
    auto withBlocks = [&](Bytes blocks) {
        Bytes f(firstBlock + blocks.size());
        std::copy(good.begin(), good.begin() + firstBlock, f.begin());
        std::copy(blocks.begin(), blocks.end(), f.begin() + firstBlock);
        return f;
    };
    auto imageWith = [&](std::uint16_t width, std::uint16_t height, std::uint16_t screenW = 2,
                         std::uint16_t screenH = 2) {
        Bytes f = gifHeader(screenW, screenH, kFourColours);
        f.push_back(0x2C);
        for (std::uint16_t v : {std::uint16_t{0}, std::uint16_t{0}, width, height}) appendU16(f, v);
        // Flags, m = 2, one sub-block holding the codes clear, 3, end; terminator, trailer.
        f.insert(f.end(), {0x00, 2, 2, 0x5C, 0x01, 0, 0x3B});
        return f;
    };
    auto illegalCode = [&] {
        Bytes f(good.begin(), good.begin() + firstBlock);
        f.insert(f.end(), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x00});
        CodePacker codes;
        codes.put(4, 3);  // clear
        codes.put(7, 3);  // not yet defined
        Bytes data = codes.subBlocks();
        f.push_back(2);
        f.insert(f.end(), data.begin(), data.end());
        f.push_back(0x3B);
        return f;
    };

    Bytes badSignature = good;
    badSignature[4] = '8';                                        // GIF88a
    Bytes tablePastEnd(good.begin(), good.begin() + firstBlock);  // the table ends the data
    Bytes codeSize12 = good;
    codeSize12[firstBlock + 10] = 12;

    struct Case {
        const char* name;
        Bytes file;
        DecodeFailure failure;
    };
    const Case cases[] = {
        {"13 bytes", Bytes(good.begin(), good.begin() + 13), DecodeFailure::Truncated},
        {"bad signature", badSignature, DecodeFailure::BadSignature},
        {"global table reaches the end", tablePastEnd, DecodeFailure::Truncated},
        {"unknown extension label", withBlocks({0x21, 0x02, 0, 0x3B}), DecodeFailure::Corrupt},
        {"unknown block byte", withBlocks({0x99, 0x3B}), DecodeFailure::Corrupt},
        {"comment runs past the end", withBlocks({0x21, 0xFE, 5, 'a', 'b'}), DecodeFailure::Truncated},
        {"descriptor runs past the end", withBlocks({0x2C, 0, 0, 0, 0, 2, 0}), DecodeFailure::Truncated},
        {"blocks without an image", withBlocks({0x21, 0xFE, 1, 'a', 0, 0x3B}), DecodeFailure::Corrupt},
        {"only a 0x00 byte", withBlocks({0x00}), DecodeFailure::Corrupt},
        {"illegal code", illegalCode(), DecodeFailure::Corrupt},
        {"minimum code size 12", codeSize12, DecodeFailure::Corrupt},
        {"image width 0", imageWith(0, 2), DecodeFailure::Corrupt},
        {"image height 0", imageWith(2, 0), DecodeFailure::Corrupt},
        {"logical screen width 0", imageWith(2, 2, 0, 2), DecodeFailure::Corrupt},
        {"logical screen over the pixel cap", imageWith(2, 2, 65535, 65535), DecodeFailure::TooLarge},
        {"image over the pixel cap", imageWith(65535, 65535), DecodeFailure::TooLarge},
    };
    ASSERT_TRUE(decodeGif(good, nullptr));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeFailure why = DecodeFailure::None;
        EXPECT_FALSE(decodeGif(c.file, &why));
        EXPECT_EQ(why, c.failure) << decodeFailureName(why);
    }
    // 65535 x 1 stays under the cap.
    EXPECT_TRUE(decodeGif(imageWith(65535, 1, 65535, 1), nullptr));
}

// ---------------------------------------------------------------------------------------------
// GIF stream, as the preview box's animation walks it

TEST(GifStream, WalksFramesWithGraphicControlStateAndWrapsRound) {
    Bytes file = gifHeader(4, 3, kFourColours);
    const std::size_t firstBlock = file.size();
    addGraphicControl(file, 2, true, 3, 10);
    addImage(file, {.left = 0, .top = 0, .width = 4, .height = 3, .indices = Bytes(12, 1)});
    // No control extension: disposal cleared, delay and transparency kept.
    addImage(file, {.left = 1,
                    .top = 2,
                    .width = 2,
                    .height = 1,
                    .indices = {2, 3},
                    .local = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6}}});
    addGraphicControl(file, 1, false, 0, 0);
    addImage(file, {.left = 3, .top = 0, .width = 1, .height = 3, .indices = {0, 1, 2}, .interlaced = true});
    file.push_back(0x3B);

    auto stream = GifStream::open(file);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->screenWidth(), 4);
    EXPECT_EQ(stream->screenHeight(), 3);

    struct Expected {
        std::uint16_t left, top, width, height;
        std::uint8_t disposal;
        bool transparent;
        std::uint8_t transparentIndex;
        std::uint16_t delay;
        Bytes indices;
        Pixel colour2;
    };
    const Expected frames[] = {
        {0, 0, 4, 3, 2, true, 3, 10, Bytes(12, 1), 0x000000FF},
        {1, 2, 2, 1, 0, true, 3, 10, {2, 3}, 0x00070707},
        {3, 0, 1, 3, 1, false, 0, 0, {0, 1, 2}, 0x000000FF},
        // Round again from the first block: the first image's own extension sets its state again.
        {0, 0, 4, 3, 2, true, 3, 10, Bytes(12, 1), 0x000000FF},
    };
    for (std::size_t i = 0; i < std::size(frames); ++i) {
        SCOPED_TRACE(testing::Message() << "read " << i);
        const Expected& e = frames[i];
        DecodeFailure why{};
        const auto image = stream->readToNextImage(&why);
        ASSERT_TRUE(image) << decodeFailureName(why);
        EXPECT_EQ(image->left, e.left);
        EXPECT_EQ(image->top, e.top);
        EXPECT_EQ(image->width, e.width);
        EXPECT_EQ(image->height, e.height);
        EXPECT_EQ(image->control.disposal, e.disposal);
        EXPECT_EQ(image->control.transparent, e.transparent);
        EXPECT_EQ(image->control.transparentIndex, e.transparentIndex);
        EXPECT_EQ(image->control.delay, e.delay);
        const auto frame = stream->decodeImageIndices(*image, &why);
        ASSERT_TRUE(frame) << decodeFailureName(why);
        EXPECT_EQ(frame->width, e.width);
        EXPECT_EQ(frame->height, e.height);
        EXPECT_EQ(frame->indices, e.indices);
        EXPECT_EQ(frame->colours[2], e.colour2);
        EXPECT_EQ(frame->colours[200], 0u);
    }

    // After the last image only the trailer follows: what tells a still picture from a playing one.
    stream->rewind();
    const auto first = stream->readToNextImage();
    ASSERT_TRUE(first);
    EXPECT_GT(file.size() - first->dataEnd, 1u);
    EXPECT_GT(first->dataOffset, firstBlock);
}

TEST(GifStream, StopsOnStreamsWithoutImagesAndStartsAgainAfterAFailure) {
    Bytes noImage = gifHeader(1, 1, kFourColours);
    addGraphicControl(noImage, 0, false, 0, 5);
    noImage.push_back(0x3B);
    auto stream = GifStream::open(noImage);
    ASSERT_TRUE(stream);
    DecodeFailure why{};
    EXPECT_FALSE(stream->readToNextImage(&why));
    EXPECT_EQ(why, DecodeFailure::Corrupt);

    // One good image, then a broken block: the failed read sends the next one back to the start.
    Bytes broken = gifHeader(1, 1, kFourColours);
    addImage(broken, {.width = 1, .height = 1, .indices = {2}});
    const std::size_t brokenAt = broken.size();
    broken.insert(broken.end(), {0x77, 0x3B});
    stream = GifStream::open(broken);
    ASSERT_TRUE(stream);
    const auto first = stream->readToNextImage();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->dataEnd, brokenAt);
    EXPECT_FALSE(stream->readToNextImage(&why));
    EXPECT_EQ(why, DecodeFailure::Corrupt);
    const auto again = stream->readToNextImage();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->dataOffset, first->dataOffset);
}

// ---------------------------------------------------------------------------------------------
// PCX

struct PcxPlan {
    std::uint8_t version = 5;
    std::uint8_t encoding = 1;
    std::uint8_t bitsPerPixel = 8;
    std::int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::uint8_t planes = 1;
    std::int16_t bytesPerLine = 0;
};

Bytes pcxFile(const PcxPlan& s, const Bytes& data) {
    Bytes f(128, 0);
    f[0] = 0x0A;  // manufacturer
    f[1] = s.version;
    f[2] = s.encoding;
    f[3] = s.bitsPerPixel;
    auto put16 = [&](std::size_t at, std::int16_t v) {
        f[at] = static_cast<std::uint8_t>(v);
        f[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
    };
    put16(4, s.xMin);
    put16(6, s.yMin);
    put16(8, s.xMax);
    put16(10, s.yMax);
    f[65] = s.planes;
    put16(66, s.bytesPerLine);
    f.resize(128 + data.size());
    std::copy(data.begin(), data.end(), f.begin() + 128);
    return f;
}

Bytes pcxRow(const DecodedImage& image, std::size_t stride, std::size_t y, std::size_t offset = kPcxBlockOverhead) {
    const auto* row = image.pixels.data() + offset + y * stride;
    return Bytes(row, row + stride);
}

TEST(PcxDecode, EightBitWithPaletteAndRuns) {
    Bytes data = {
        0xC3, 0x05,        // row 0: a run of three 5s
        0xC0,              // then 0xC0 alone is a literal
        0xC1, 0xC0,        // row 1: a run of one 0xC0
        0x07, 0x08, 0x09,  // then three literals
        0x0C,              // palette marker
    };
    for (int i = 0; i < 256; ++i) data.insert(data.end(), {std::uint8_t(i), std::uint8_t(i + 1), std::uint8_t(i + 2)});
    const auto image = decodePcx(pcxFile({.xMax = 3, .yMax = 1, .bytesPerLine = 4}, data), nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->kind, ImageKind::Pcx8);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->pixelBytes(), 2 * 4 + 1064);
    EXPECT_EQ(readU32(image->pixels, 0), 40u);
    EXPECT_EQ(readU32(image->pixels, 4), 4u);
    EXPECT_EQ(static_cast<std::int32_t>(readU32(image->pixels, 8)), -2);
    EXPECT_EQ(readU32(image->pixels, 12), 1u | (8u << 16));  // planes from the file, 8 bits
    for (std::size_t at = 16; at < 40; at += 4) EXPECT_EQ(readU32(image->pixels, at), 0u);
    EXPECT_EQ(pcxRow(*image, 4, 0), (Bytes{5, 5, 5, 0xC0}));
    EXPECT_EQ(pcxRow(*image, 4, 1), (Bytes{0xC0, 7, 8, 9}));
    EXPECT_EQ(readU32(image->pixels, 40 + 4 * 10), 0x000A0B0Cu);  // red 10, green 11, blue 12
}

TEST(PcxDecode, OneBitRowsAtEvenStrides) {
    // 10 pixels wide: 2 bytes a row, stride 2. 17 wide: 3 bytes, stride 4.
    const auto narrow = decodePcx(
        pcxFile({.version = 3, .bitsPerPixel = 1, .xMax = 9, .yMax = 1, .bytesPerLine = 2}, {0xAA, 0xC0, 0xC2, 0xFF}),
        nullptr);
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->kind, ImageKind::Pcx1);
    EXPECT_EQ(narrow->pixels, (Bytes{0xAA, 0xC0, 0xFF, 0xFF}));

    const auto wide =
        decodePcx(pcxFile({.bitsPerPixel = 1, .xMin = 10, .yMin = 10, .xMax = 26, .yMax = 11, .bytesPerLine = 4},
                          {1, 2, 3, 4, 5, 6}),
                  nullptr);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->width, 17);
    EXPECT_EQ(wide->height, 2);
    EXPECT_EQ(wide->pixels, (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));  // the fourth byte of each row stays 0
}

TEST(PcxDecode, MisfitDataStaysInsideTheBlock) {
    struct Case {
        const char* name;
        PcxPlan plan;
        Bytes data;
        std::size_t stride;
        std::vector<Bytes> rows;
        std::uint32_t colour0;
    };
    const Case cases[] = {
        // A run longer than the row: bytes up to the stride are kept, the rest dropped, not carried.
        {"run crosses the row end",
         {.xMax = 1, .yMax = 1, .bytesPerLine = 2},
         {0xC6, 7, 1, 2},
         4,
         {{7, 7, 7, 7}, {1, 2, 0, 0}},
         0},
        // Data ends in row 0: later rows stay 0 and no palette is found.
        {"data ends early",
         {.xMax = 3, .yMax = 2, .bytesPerLine = 4},
         {9, 9},
         4,
         {{9, 9, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
         0},
        // Bytes-per-line below the width: rows still as wide as the width.
        {"bytes-per-line below width",
         {.xMax = 5, .yMax = 1, .bytesPerLine = 1},
         {0xC9, 3, 4},
         8,
         {{3, 3, 3, 3, 3, 3, 3, 3}, {4, 0, 0, 0, 0, 0, 0, 0}},
         0},
        // Three planes: only the first plane's bytes per row; stride counts all planes.
        {"three planes",
         {.xMax = 1, .yMax = 0, .planes = 3, .bytesPerLine = 2},
         {1, 2, 3, 4, 5, 6},
         8,
         {{1, 2, 0, 0, 0, 0, 0, 0}},
         0},
        // The palette cut short: complete entries only.
        {"palette cut short",
         {.xMax = 0, .yMax = 0, .bytesPerLine = 1},
         {1, 0x0C, 10, 20, 30, 40},
         4,
         {{1, 0, 0, 0}},
         0x000A141E},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto image = decodePcx(pcxFile(c.plan, c.data), nullptr);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->pixels.size(), kPcxBlockOverhead + c.stride * c.rows.size());
        for (std::size_t y = 0; y < c.rows.size(); ++y) EXPECT_EQ(pcxRow(*image, c.stride, y), c.rows[y]);
        EXPECT_EQ(readU32(image->pixels, 40), c.colour0);
        EXPECT_EQ(readU32(image->pixels, 44), 0u);
    }
}

TEST(PcxDecode, Refusals) {
    const PcxPlan ok = {.xMax = 1, .yMax = 1, .bytesPerLine = 2};
    auto with = [&](auto change) {
        PcxPlan s = ok;
        change(s);
        return pcxFile(s, {1, 2, 3, 4});
    };
    Bytes badManufacturer = pcxFile(ok, {1});
    badManufacturer[0] = 0x0B;
    struct Case {
        const char* name;
        Bytes file;
        DecodeFailure failure;
    };
    const Case cases[] = {
        {"128 bytes", pcxFile(ok, {}), DecodeFailure::Truncated},
        {"manufacturer", badManufacturer, DecodeFailure::BadSignature},
        {"encoding 0", with([](PcxPlan& s) { s.encoding = 0; }), DecodeFailure::BadSignature},
        {"version 6", with([](PcxPlan& s) { s.version = 6; }), DecodeFailure::BadSignature},
        {"xMax below xMin", with([](PcxPlan& s) {
             s.xMin = 5;
             s.xMax = 3;
         }),
         DecodeFailure::Corrupt},
        {"yMax below yMin", with([](PcxPlan& s) {
             s.yMin = 1;
             s.yMax = -1;
         }),
         DecodeFailure::Corrupt},
        {"4 bits a pixel", with([](PcxPlan& s) { s.bitsPerPixel = 4; }), DecodeFailure::Unsupported},
        {"1 bit in 4 planes", with([](PcxPlan& s) {
             s.bitsPerPixel = 1;
             s.planes = 4;
         }),
         DecodeFailure::Unsupported},
        {"bytes-per-line 0", with([](PcxPlan& s) { s.bytesPerLine = 0; }), DecodeFailure::Corrupt},
        {"bytes-per-line negative", with([](PcxPlan& s) { s.bytesPerLine = -4; }), DecodeFailure::Corrupt},
        {"8 bits in 0 planes", with([](PcxPlan& s) { s.planes = 0; }), DecodeFailure::Corrupt},
        {"65536 x 65536", with([](PcxPlan& s) {
             s.xMin = s.yMin = -32768;
             s.xMax = s.yMax = 32767;
         }),
         DecodeFailure::TooLarge},
        {"1-bit 65536 x 65536", with([](PcxPlan& s) {
             s.bitsPerPixel = 1;
             s.xMin = s.yMin = -32768;
             s.xMax = s.yMax = 32767;
         }),
         DecodeFailure::TooLarge},
        // 32767 x 255 bytes a row, 32768 rows: far past the cap although the width is 1.
        {"huge bytes-per-line", with([](PcxPlan& s) {
             s.bytesPerLine = 32767;
             s.planes = 255;
             s.yMax = 32767;
         }),
         DecodeFailure::TooLarge},
    };
    ASSERT_TRUE(decodePcx(pcxFile(ok, {1, 2, 3, 4}), nullptr));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeFailure why = DecodeFailure::None;
        EXPECT_FALSE(decodePcx(c.file, &why));
        EXPECT_EQ(why, c.failure) << decodeFailureName(why);
    }
    // A negative version byte passes the "at most 5" check.
    EXPECT_TRUE(decodePcx(with([](PcxPlan& s) { s.version = 0x85; }), nullptr));
}

// ---------------------------------------------------------------------------------------------
// Third-party corpus

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::filesystem::path kCorpus = TAVREL_CORPUS_DIR;

// Every file decodes or refuses without a sanitizer finding; a few known results are checked.
TEST(GifPcxCorpus, EveryGifAndPcxDecodesOrRefusesCleanly) {
    struct Known {
        const char* file;
        bool decodes;
        std::int32_t width, height;
    };
    const Known known[] = {
        {"gif/hopper.gif", true, 128, 128},
        {"gif/chi.gif", true, 320, 240},
        {"gif/gifplayer-muybridge.gif", true, 472, 298},
        {"gif/max-width.gif", true, 65535, 1},
        {"gif/no-eoi.gif", true, 1, 1},
        {"gif/set_hsts.gif", true, 1, 1},  // minimum code size 1
        {"gif/invalid-code.gif", false, 0, 0},
        {"gif/overflow-codes.gif", false, 0, 0},
        {"gif/zero-width.gif", false, 0, 0},
        {"gif/decompression_bomb.gif", false, 0, 0},
        {"pcx/marbles.pcx", true, 143, 101},
        {"pcx/odd_stride.pcx", true, 371, 150},
        {"pcx/CGA_BW.PCX", true, 640, 200},
        {"pcx/CGA_FSD.PCX", false, 0, 0},  // 2 bits a pixel
    };
    std::map<std::string, std::pair<bool, std::pair<std::int32_t, std::int32_t>>> results;
    for (const char* folder : {"gif", "pcx"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(kCorpus / folder)) {
            if (!entry.is_regular_file() || entry.path().string().find("_expected") != std::string::npos) continue;
            const Bytes bytes = readFile(entry.path());
            const auto image = std::string(folder) == "gif" ? decodeGif(bytes, nullptr) : decodePcx(bytes, nullptr);
            const std::string name = std::filesystem::relative(entry.path(), kCorpus).string();
            results[name] = {image.has_value(), image ? std::pair{image->width, image->height} : std::pair{0, 0}};
            if (std::string(folder) == "gif") {
                // Walk the animation twice round, as the preview box would.
                auto stream = GifStream::open(bytes);
                for (int i = 0; stream && i < 16; ++i)
                    if (auto next = stream->readToNextImage()) stream->decodeImageIndices(*next);
            }
        }
    }
    ASSERT_GT(results.size(), 150u);
    for (const Known& k : known) {
        SCOPED_TRACE(k.file);
        ASSERT_TRUE(results.count(k.file));
        EXPECT_EQ(results[k.file].first, k.decodes);
        EXPECT_EQ(results[k.file].second, std::pair(k.width, k.height));
    }
}

// The suite's reference renderings of still GIFs whose one image fills the screen, as raw RGBA.
TEST(GifPcxCorpus, StillGifsMatchTheSuitesReferencePixels) {
    const std::pair<const char*, const char*> files[] = {
        {"255-codes", "random-image"},     {"4095-codes", "random-image"},  {"4095-codes-clear", "random-image"},
        {"large-codes", "random-image"},   {"max-codes", "random-image"},   {"interlace", "all-reds"},
        {"double-clears", "checkerboard"}, {"many-clears", "checkerboard"}, {"four-colors", "four-colors"},
    };
    for (const auto& [name, rgba] : files) {
        SCOPED_TRACE(name);
        const auto image = decodeGif(readFile(kCorpus / "gif" / (std::string(name) + ".gif")), nullptr);
        ASSERT_TRUE(image);
        const Bytes expected = readFile(kCorpus / "gif/_expected/pygif" / (std::string(rgba) + ".rgba"));
        ASSERT_EQ(expected.size(), 4u * image->width * image->height);
        const Bytes rows = gifRows(*image);
        ASSERT_EQ(rows.size(), expected.size() / 4);
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (expected[4 * i + 3] != 255) continue;  // transparent in the reference: any colour
            const std::uint32_t colour = readU32(image->pixels, 40 + 4 * rows[i]);
            const std::uint32_t want = (expected[4 * i] << 16) | (expected[4 * i + 1] << 8) | expected[4 * i + 2];
            mismatches += colour != want;
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

std::uint64_t fnv1a(const Bytes& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001b3u;
    return hash;
}

// Decoded PCX pictures as RGB rows, 1 bits white (the colour a surface's background gives them).
Bytes pcxAsRgb(const DecodedImage& image) {
    Bytes rgb;
    const std::size_t width = image.width;
    const std::size_t height = image.height;
    if (image.kind == ImageKind::Pcx1) {
        const std::size_t stride = ((width + 7) / 8 + 1) & ~std::size_t{1};
        for (std::size_t y = 0; y < height; ++y)
            for (std::size_t x = 0; x < width; ++x) {
                const bool set = (image.pixels[y * stride + x / 8] >> (7 - x % 8)) & 1;
                rgb.insert(rgb.end(), 3, set ? 255 : 0);
            }
        return rgb;
    }
    const std::size_t stride = (image.pixels.size() - kPcxBlockOverhead) / height;
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* colour = &image.pixels[40 + 4 * image.pixels[kPcxBlockOverhead + y * stride + x]];
            rgb.insert(rgb.end(), {colour[2], colour[1], colour[0]});
        }
    return rgb;
}

// Hashes of the RGB bytes of the reference renderings shipped with the corpus (pcx/_expected).
TEST(GifPcxCorpus, PcxMatchesTheReferenceRenderings) {
    const std::pair<const char*, std::uint64_t> files[] = {
        {"CGA_BW.PCX", 0x8114fa192958a71au},    // 1 bit
        {"gmarbles.pcx", 0xf4717f69cca1def5u},  // 8 bits with the palette at the end
    };
    for (const auto& [name, hash] : files) {
        SCOPED_TRACE(name);
        const auto image = decodePcx(readFile(kCorpus / "pcx" / name), nullptr);
        ASSERT_TRUE(image);
        EXPECT_EQ(fnv1a(pcxAsRgb(*image)), hash);
    }
}

}  // namespace
}  // namespace tavrel
