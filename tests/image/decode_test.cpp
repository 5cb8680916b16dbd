// Recognition, loading from files and the registry of decoded pictures.

#include <gtest/gtest.h>
#include <png.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "decode_fixtures.h"
#include "image/decode.h"
#include "image/registry.h"

namespace tavrel {
namespace {

using test::makePng;
using test::writeTempFile;

struct DetectCase {
    const char* name;
    ByteBuffer lead;
    ImageKind kind;
};

TEST(DetectImageKind, FirstMatchingRowOfTheTableDecides) {
    const DetectCase cases[] = {
        {"BM", {'B', 'M', 0, 0, 0, 0, 0, 0}, ImageKind::Bmp},
        {"B alone", {'B', 'A', 0, 0, 0, 0, 0, 0}, ImageKind::Unknown},
        {"JPEG SOI", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0, 0}, ImageKind::Jpeg},
        {"PNG signature", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, ImageKind::Png},
        {"PNG first four bytes only", {0x89, 'P', 'N', 'G', 0, 0, 0, 0}, ImageKind::Png},
        // reserved 0, type 1, count 1
        {"icon", {0, 0, 1, 0, 1, 0, 0, 0}, ImageKind::Icon},
        {"icon of 300 entries", {0, 0, 1, 0, 0x2C, 0x01, 0, 0}, ImageKind::Icon},
        {"icon with no entries", {0, 0, 1, 0, 0, 0, 0, 0}, ImageKind::Unknown},
        {"icon with reserved set", {1, 0, 1, 0, 1, 0, 0, 0}, ImageKind::Unknown},
        {"cursor", {0, 0, 2, 0, 3, 0, 0, 0}, ImageKind::Cursor},
        {"directory type 3", {0, 0, 3, 0, 1, 0, 0, 0}, ImageKind::Unknown},
        {"GIF87a", {'G', 'I', 'F', '8', '7', 'a', 1, 0}, ImageKind::Gif},
        {"GIF89a", {'G', 'I', 'F', '8', '9', 'a', 1, 0}, ImageKind::Gif},
        {"GIF88a", {'G', 'I', 'F', '8', '8', 'a', 1, 0}, ImageKind::Unknown},
        {"GIF89b", {'G', 'I', 'F', '8', '9', 'b', 1, 0}, ImageKind::Unknown},
        // manufacturer, version, encoding, bits per pixel
        {"PCX 8-bit version 5", {0x0A, 5, 1, 8, 0, 0, 0, 0}, ImageKind::Pcx8},
        {"PCX 8-bit version 0", {0x0A, 0, 1, 8, 0, 0, 0, 0}, ImageKind::Pcx8},
        {"PCX 8-bit version 6", {0x0A, 6, 1, 8, 0, 0, 0, 0}, ImageKind::Unknown},
        {"PCX 8-bit unencoded", {0x0A, 5, 0, 8, 0, 0, 0, 0}, ImageKind::Unknown},
        {"PCX 1-bit version 3", {0x0A, 3, 1, 1, 0, 0, 0, 0}, ImageKind::Pcx1},
        {"PCX 1-bit version 5", {0x0A, 5, 1, 1, 0, 0, 0, 0}, ImageKind::Unknown},
        {"PCX 4-bit", {0x0A, 3, 1, 4, 0, 0, 0, 0}, ImageKind::Unknown},
        {"seven bytes of BMP", {'B', 'M', 0, 0, 0, 0, 0}, ImageKind::Unknown},
        {"nothing", {}, ImageKind::Unknown},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o'}, ImageKind::Unknown},
    };
    for (const DetectCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(detectImageKind(c.lead), c.kind);
    }
}

TEST(DetectImageKind, LooksAtTheFirstEightBytesOnly) {
    // A bitmap signature followed by an icon-like tail is still a bitmap; what follows byte 8
    // plays no part.
    ByteBuffer bytes = {'B', 'M', 1, 0, 1, 0, 0, 0, 0xFF, 0xD8, 0x89, 'P'};
    EXPECT_EQ(detectImageKind(bytes), ImageKind::Bmp);
    bytes[0] = 0;
    bytes[1] = 0;
    EXPECT_EQ(detectImageKind(bytes), ImageKind::Icon);
}

// A 2 x 1 RGB picture: red, then blue.
ByteBuffer smallPng() { return makePng(2, 1, PNG_FORMAT_RGB, {255, 0, 0, 0, 0, 255}); }

struct FileCase {
    const char* name;
    ByteBuffer bytes;
    bool decodes;
    ImageKind kind;
    DecodeFailure failure;
};

TEST(DecodeImageFile, RecognisesByContentAndRefusesShortFiles) {
    const FileCase cases[] = {
        {"picture.jpg", smallPng(), true, ImageKind::Png, DecodeFailure::None},
        {"short.png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A}, false, ImageKind::Unknown, DecodeFailure::Truncated},
        {"signature.png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, false, ImageKind::Unknown,
         DecodeFailure::Truncated},
        {"empty.bmp", {}, false, ImageKind::Unknown, DecodeFailure::Truncated},
        {"words.png", ByteBuffer(64, 'x'), false, ImageKind::Unknown, DecodeFailure::BadSignature},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeTempFile(c.name, c.bytes);
        DecodeFailure why = DecodeFailure::None;
        const auto fromFile = decodeImageFile(path, &why);
        EXPECT_EQ(why, c.failure);
        ASSERT_EQ(fromFile.has_value(), c.decodes);
        // Bytes and files take the same road.
        const auto fromBytes = decodeImage(c.bytes);
        ASSERT_EQ(fromBytes.has_value(), c.decodes);
        if (c.decodes) {
            EXPECT_EQ(fromFile->kind, c.kind);
            EXPECT_EQ(fromFile->pixels, fromBytes->pixels);
        }
        std::filesystem::remove(path);
    }
}

TEST(DecodeImageFile, FilesThatCannotBeReadGiveNoPicture) {
    const std::string missing = ::testing::TempDir() + "tavrel_no_such_file.png";
    const std::string directory = ::testing::TempDir();
    // A pipe with no writer would block a plain open; it must be refused at once.
    const std::string pipe = ::testing::TempDir() + "tavrel_pipe_" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {missing, directory, pipe, std::string()}) {
        SCOPED_TRACE(path);
        DecodeFailure why = DecodeFailure::None;
        EXPECT_FALSE(decodeImageFile(path, &why).has_value());
        EXPECT_EQ(why, DecodeFailure::Unreadable);
    }
    std::filesystem::remove(pipe);
}

TEST(ImageRegistry, EveryLoadRegistersAPictureOfItsOwn) {
    const std::string path = writeTempFile("three.png", smallPng());
    ImageRegistry registry;
    const ImageHandle a = registry.loadImage(path);
    const ImageHandle b = registry.loadImage(path);
    const ImageHandle c = registry.loadImage(path);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(c, 0u);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_NE(a, c);
    EXPECT_EQ(registry.size(), 3u);
    EXPECT_NE(registry.find(a), registry.find(b));
    ASSERT_NE(registry.find(c), nullptr);
    EXPECT_EQ(registry.find(c)->width, 2);

    // A shared picture outlives its release.
    const std::shared_ptr<const DecodedImage> kept = registry.share(b);
    ASSERT_EQ(kept.get(), registry.find(b));
    EXPECT_TRUE(registry.release(b));
    EXPECT_EQ(registry.find(b), nullptr);
    EXPECT_EQ(registry.share(b), nullptr);
    EXPECT_EQ(kept->width, 2);
    EXPECT_FALSE(registry.release(b));
    EXPECT_NE(registry.find(a), nullptr);
    EXPECT_NE(registry.find(c), nullptr);
    // A handle is never given out again while its picture lives.
    const ImageHandle d = registry.loadImage(smallPng());
    EXPECT_NE(d, 0u);
    EXPECT_NE(d, a);
    EXPECT_NE(d, c);
    std::filesystem::remove(path);
}

TEST(ImageRegistry, FailedOrEmptySourcesRegisterNothing) {
    ImageRegistry registry;
    const ByteBuffer signatureOnly = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_EQ(registry.loadImage(std::string()), 0u);
    EXPECT_EQ(registry.loadImage(std::span<const std::uint8_t>()), 0u);
    EXPECT_EQ(registry.loadImage(signatureOnly), 0u);
    EXPECT_EQ(registry.loadImage(::testing::TempDir() + "tavrel_no_such_file.bmp"), 0u);
    EXPECT_EQ(registry.size(), 0u);
    EXPECT_EQ(registry.find(0), nullptr);
    EXPECT_EQ(registry.find(12345), nullptr);
}

}  // namespace
}  // namespace tavrel
