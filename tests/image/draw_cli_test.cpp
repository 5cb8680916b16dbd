// tavrel-cli as a user runs it: small files made here, the built program run on them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <png.h>

#include "draw_fixtures.h"
#include "image/bmp_export.h"
#include "image/encode.h"

namespace tavrel {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
};

// Runs the CLI with already quoted arguments; stdout is captured, stderr goes to a file.
CliRun runCli(const std::string& arguments, const std::string& errorFile = "/dev/null") {
    const std::string command = std::string("'") + TAVREL_CLI_PATH + "' " + arguments + " 2>" + errorFile;
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) run.out += buffer;
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ByteBuffer readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteBuffer(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const ByteBuffer& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "tavrel-cli-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        // A 3 x 2 PNG: top row red, bottom row blue.
        Bitmap picture = testing::filledBitmap(3, 2, makePixel(255, 0, 0));
        std::fill_n(picture.row(1), 3, makePixel(0, 0, 255));
        writeBytes(path("small.png"), encodePng(picture));
        writeBytes(path("small.bmp"), exportBmp(picture));
        writeBytes(path("junk.png"), ByteBuffer{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
};

TEST_F(CliTest, InfoPrintsKindAndSize) {
    EXPECT_EQ(runCli("info " + path("small.png")).out, "Png 3 2\n");
    EXPECT_EQ(runCli("info " + path("small.bmp")).out, "Bmp 3 2\n");
}

TEST_F(CliTest, DecodeWritesThePictureAsAPng) {
    ASSERT_EQ(runCli("decode " + path("small.bmp") + " " + path("out.png")).exitCode, 0);
    const ByteBuffer png = readBytes(path("out.png"));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
    image.format = PNG_FORMAT_BGRA;
    Bitmap back = testing::filledBitmap(std::int32_t(image.width), std::int32_t(image.height), 0);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.pixels.data(), 0, nullptr));
    for (Pixel& p : back.pixels) p &= 0x00FFFFFF;
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.pixels, bitmapFromBmp(readBytes(path("small.bmp")))->pixels);
}

TEST_F(CliTest, ResizeWritesTheResultInTheFormatOfItsName) {
    struct Case {
        const char* size;
        const char* out;
        std::size_t bytes;  // 0: not a BMP, check the signature only
        std::uint8_t first, second;
    };
    const Case cases[] = {
        {"--preset 1", "p1.bmp", 366798, 'B', 'M'},
        {"7", "square.bmp", 54 + 24 * 7, 'B', 'M'},
        {"5x40", "free.bmp", 54 + 16 * 40, 'B', 'M'},
        {"--preset 3", "p3.jpg", 0, 0xFF, 0xD8},
        {"20x10", "free.png", 0, 0x89, 'P'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        ASSERT_EQ(runCli(std::string("resize ") + path("small.png") + " " + c.size + " " + path(c.out)).exitCode, 0);
        const ByteBuffer out = readBytes(path(c.out));
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out[0], c.first);
        EXPECT_EQ(out[1], c.second);
        if (c.bytes != 0) {
            EXPECT_EQ(out.size(), c.bytes);
        }
    }
    // 5 x 40 of a red-over-blue picture: red at the top left, blue at the bottom left.
    const std::optional<Bitmap> free = bitmapFromBmp(readBytes(path("free.bmp")));
    ASSERT_TRUE(free);
    EXPECT_EQ(free->at(0, 0), makePixel(255, 0, 0));
    EXPECT_EQ(free->at(0, 39), makePixel(0, 0, 255));
}

TEST_F(CliTest, NumberPrintsTheParsedValue) {
    EXPECT_EQ(runCli("number 300").out, "300\n");
    EXPECT_EQ(runCli("number ' 12.5abc'").out, "12.5\n");
    EXPECT_EQ(runCli("number abc").out, "0\n");
}

TEST_F(CliTest, VersionPrintsTheProjectVersion) {
    const CliRun run = runCli("--version");
    EXPECT_EQ(run.exitCode, 0);
    // The build's own version number, not the fallback a build without one gets.
    EXPECT_THAT(run.out, ::testing::MatchesRegex("tavrel-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

TEST_F(CliTest, HelpAndVersionFailWhenTheirOutputCannotBeWritten) {
    for (const char* option : {"--help", "--version"}) {
        SCOPED_TRACE(option);
        EXPECT_EQ(runCli(std::string(option) + " >/dev/full").exitCode, 1);
    }
}

TEST_F(CliTest, BadInputExitsWithOneAndAMessage) {
    const std::string cases[] = {
        "",
        "frobnicate",
        "info",
        "info " + path("missing.png"),
        "info " + path("junk.png"),
        "decode " + path("junk.png") + " " + path("x.png"),
        "decode " + path("small.png") + " " + path("no-such-dir/x.png"),
        "resize " + path("small.png") + " 0x5 " + path("x.bmp"),
        "resize " + path("small.png") + " 5x " + path("x.bmp"),
        "resize " + path("small.png") + " abc " + path("x.bmp"),
        "resize " + path("small.png") + " 40000 " + path("x.bmp"),
        "resize " + path("small.png") + " --preset 4 " + path("x.bmp"),
        "resize " + path("missing.png") + " 5 " + path("x.bmp"),
        "resize " + path("small.png") + " 5 " + path("no-such-dir/x.bmp"),
    };
    for (const std::string& arguments : cases) {
        SCOPED_TRACE(arguments);
        const CliRun run = runCli(arguments, path("stderr.txt"));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_FALSE(readBytes(path("stderr.txt")).empty());
    }
    EXPECT_EQ(runCli("--help").exitCode, 0);
}

}  // namespace
}  // namespace tavrel
