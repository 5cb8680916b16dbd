// The preview box's toolkit-free side: placement by display mode, the painted client area, and
// GIF playback stepped frame by frame.

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "image/gif_animation.h"
#include "image/placement.h"
#include "image/preview_render.h"
#include "preview_fixtures.h"

namespace tavrel {
namespace {

using testing::GifBuilder;
using testing::Rgb;

constexpr std::int32_t kClientWidth = 414;   // 图片框1: 416 x 422 less its one-pixel edge
constexpr std::int32_t kClientHeight = 420;
constexpr ColorRef kGreen = 0x0080E000;      // red 0, green 224, blue 128
constexpr Pixel kGreenPixel = makePixel(0, 224, 128);

TEST(Placement, FitAndCentreInThePreviewBox) {
    struct Case {
        std::int32_t width, height;
        Placement expected;
    };
    const Case cases[] = {
        {463, 684, {65, 0, 284, 420}},    // the default picture
        {1024, 768, {0, 55, 414, 310}},
        {420, 420, {0, 3, 414, 414}},
        {415, 420, {0, 1, 414, 418}},
        {413, 626, {68, 0, 277, 420}},
        {840, 1200, {60, 0, 293, 419}},   // 0.35 as a double lies just below 0.35
        {295, 413, {59, 3, 295, 413}},    // fits: never enlarged
        {180, 252, {117, 84, 180, 252}},
        {1000, 10, {0, 208, 414, 4}},
        {414, 420, {0, 0, 414, 420}},     // exactly the client area
        {1, 1, {206, 209, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const Placement at = placePicture(kClientWidth, kClientHeight, c.width, c.height, DisplayMode::Fit);
        EXPECT_EQ(at.x, c.expected.x);
        EXPECT_EQ(at.y, c.expected.y);
        EXPECT_EQ(at.width, c.expected.width);
        EXPECT_EQ(at.height, c.expected.height);
    }
}

TEST(Placement, OtherModesAndDegenerateSizes) {
    EXPECT_EQ(placePicture(414, 420, 1024, 768, DisplayMode::Natural), (Placement{0, 0, 1024, 768}));
    EXPECT_EQ(placePicture(414, 420, 10, 768, DisplayMode::Stretch), (Placement{0, 0, 414, 420}));
    EXPECT_EQ(placePicture(414, 420, 0, 768, DisplayMode::Fit), Placement{});
    EXPECT_EQ(placePicture(0, 0, 20, 20, DisplayMode::Fit).width, 0);
    // Stored values outside 0..2 are clamped, not refused.
    EXPECT_EQ(displayModeFromValue(-3), DisplayMode::Natural);
    EXPECT_EQ(displayModeFromValue(9), DisplayMode::Fit);
}

// A Png picture of one colour and alpha, rows top-down.
DecodedImage pngPicture(std::int32_t width, std::int32_t height, Pixel colour, std::uint8_t alpha) {
    DecodedImage image;
    image.kind = ImageKind::Png;
    image.width = width;
    image.height = height;
    for (std::int32_t i = 0; i < width * height; ++i)
        image.pixels.insert(image.pixels.end(), {pixelBlue(colour), pixelGreen(colour), pixelRed(colour), alpha});
    return image;
}

PreviewStyle boxStyle() {
    PreviewStyle style;
    style.clientWidth = kClientWidth;
    style.clientHeight = kClientHeight;
    style.background = kGreen;
    return style;
}

// Counts the pixels of `colour` inside and outside a rectangle.
struct Census {
    std::int64_t insideMatching = 0;
    std::int64_t outsideMatching = 0;
    std::int64_t outside = 0;
};
Census census(const Bitmap& bitmap, const Placement& at, Pixel colour) {
    Census result;
    for (std::int32_t y = 0; y < bitmap.height; ++y) {
        for (std::int32_t x = 0; x < bitmap.width; ++x) {
            const bool inside = x >= at.x && x < at.x + at.width && y >= at.y && y < at.y + at.height;
            const bool matches = bitmap.at(x, y) == colour;
            if (inside) {
                result.insideMatching += matches;
            } else {
                ++result.outside;
                result.outsideMatching += matches;
            }
        }
    }
    return result;
}

TEST(PreviewPaint, PictureAtItsPlacementOnTheBackground) {
    constexpr Pixel kRed = makePixel(255, 0, 0);
    DecodedImage opaque = pngPicture(463, 684, kRed, 255);
    Bitmap client;
    ASSERT_TRUE(paintPreview(client, boxStyle(), {&opaque, nullptr}));
    const Placement at{65, 0, 284, 420};
    const Census c = census(client, at, kRed);
    EXPECT_EQ(c.insideMatching, std::int64_t{284} * 420);
    EXPECT_EQ(census(client, at, kGreenPixel).outsideMatching, c.outside);
}

TEST(PreviewPaint, TransparencyAndNothingShowTheBackground) {
    DecodedImage clear = pngPicture(100, 50, makePixel(255, 0, 0), 0);
    // A failed decode leaves the box with no picture: the second content.
    for (const PreviewContent& content : {PreviewContent{&clear, nullptr}, PreviewContent{}}) {
        Bitmap client;
        ASSERT_TRUE(paintPreview(client, boxStyle(), content));
        ASSERT_EQ(client.width, kClientWidth);
        ASSERT_EQ(client.height, kClientHeight);
        EXPECT_EQ(census(client, {}, kGreenPixel).outsideMatching, std::int64_t{kClientWidth} * kClientHeight);
    }
}

TEST(PreviewPaint, RendererRepaintsOnlyWhenAskedTo) {
    DecodedImage red = pngPicture(10, 10, makePixel(255, 0, 0), 255);
    PreviewRenderer renderer;
    const Bitmap& first = renderer.render(boxStyle(), {&red, nullptr}, 1);
    EXPECT_EQ(first.at(207, 210), makePixel(255, 0, 0));
    // Same version: the kept pixels, even though the picture changed behind it.
    red = pngPicture(10, 10, makePixel(0, 0, 255), 255);
    EXPECT_EQ(renderer.render(boxStyle(), {&red, nullptr}, 1).at(207, 210), makePixel(255, 0, 0));
    EXPECT_EQ(renderer.render(boxStyle(), {&red, nullptr}, 2).at(207, 210), makePixel(0, 0, 255));
    PreviewStyle natural = boxStyle();
    natural.mode = DisplayMode::Natural;
    EXPECT_EQ(renderer.render(natural, {&red, nullptr}, 2).at(207, 210), kGreenPixel);
}

// ---------------------------------------------------------------------------------------------
// GIF playback

constexpr Rgb kRedRgb{255, 0, 0};
constexpr Rgb kWhiteRgb{255, 255, 255};
constexpr Rgb kBlueRgb{0, 0, 255};
constexpr Pixel R = makePixel(255, 0, 0);
constexpr Pixel B = makePixel(0, 0, 255);
constexpr Pixel G = kGreenPixel;  // the box's background

// Three frames on a 4 x 4 screen. Colours: 0 red, 1 white, 2 blue, 3 white (same as 1).
//  1: disposal 3, delay 7, opaque, all of the screen red.
//  2: disposal 2, delay 0, transparent index 1, 2 x 2 at (1, 1): blue, 1 / 3, blue.
//  3: no graphic control (delay 0 and transparency carry over, disposal does not),
//     2 x 2 at (2, 0): blue, blue / 1, red.
std::vector<std::uint8_t> threeFrameGif() {
    return GifBuilder(4, 4, {kRedRgb, kWhiteRgb, kBlueRgb, kWhiteRgb})
        .control(3, 7, std::nullopt)
        .image(0, 0, 4, 4, std::vector<std::uint8_t>(16, 0))
        .control(2, 0, 1)
        .image(1, 1, 2, 2, {2, 1, 3, 2})
        .image(2, 0, 2, 2, {2, 2, 1, 0})
        .finish();
}

TEST(GifAnimation, ComposesDisposesAndLoops) {
    const auto animation = GifAnimation::open(threeFrameGif(), kGreen);
    ASSERT_TRUE(animation);
    EXPECT_FALSE(animation->still());
    EXPECT_EQ(animation->composition().pixels, std::vector<Pixel>(16, G)) << "starts as the background";

    struct Step {
        std::int32_t delayMs;
        std::vector<Pixel> screen;  // rows top-down
    };
    const Step steps[] = {
        {70, {R, R, R, R,  R, R, R, R,  R, R, R, R,  R, R, R, R}},
        // Frame 1 put back (the background it covered); white shows through, both white indices.
        {50, {G, G, G, G,  G, B, G, G,  G, G, B, G,  G, G, G, G}},
        // Frame 2 put back; transparency still on, so index 1 keeps the background below it.
        {50, {G, G, B, B,  G, G, G, R,  G, G, G, G,  G, G, G, G}},
        // Round again: frame 3 stays (disposal cleared), frame 1 covers everything opaquely.
        {70, {R, R, R, R,  R, R, R, R,  R, R, R, R,  R, R, R, R}},
        // Frame 1 put back as it was before it was drawn this time: frame 3 is there again.
        {50, {G, G, B, B,  G, B, G, R,  G, G, B, G,  G, G, G, G}},
    };
    int n = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE("step " + std::to_string(++n));
        EXPECT_EQ(animation->advance(), step.delayMs);
        EXPECT_EQ(animation->composition().pixels, step.screen);
        EXPECT_EQ(animation->steps(), static_cast<std::uint64_t>(n));
    }
}

TEST(GifAnimation, UndecodableFrameLeavesTheComposition) {
    const auto bytes = GifBuilder(2, 1, {kRedRgb, kWhiteRgb, kBlueRgb, kWhiteRgb})
                           .image(0, 0, 2, 1, {0, 0})
                           .control(0, 4, std::nullopt)
                           .image(0, 0, 2, 1, {2, 2}, 0)  // minimum code size 0: not decodable
                           .image(1, 0, 1, 1, {2})
                           .finish();
    const auto animation = GifAnimation::open(bytes, kGreen);
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->advance(), 50);
    EXPECT_EQ(animation->composition().pixels, (std::vector<Pixel>{R, R}));
    EXPECT_EQ(animation->advance(), 40) << "its delay still counts";
    EXPECT_EQ(animation->composition().pixels, (std::vector<Pixel>{R, R}));
    EXPECT_EQ(animation->advance(), 40);
    EXPECT_EQ(animation->composition().pixels, (std::vector<Pixel>{R, B}));
}

TEST(GifAnimation, StillCheckAndRefusals) {
    const std::vector<Rgb> colours{kRedRgb, kWhiteRgb, kBlueRgb, kWhiteRgb};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool opens;
        bool still;
    };
    std::vector<std::uint8_t> noTrailer = GifBuilder(2, 2, colours).image(0, 0, 2, 2, {0, 1, 2, 3}).finish();
    noTrailer.pop_back();
    std::vector<std::uint8_t> twoAfter = GifBuilder(2, 2, colours).image(0, 0, 2, 2, {0, 1, 2, 3}).finish();
    twoAfter.push_back(0x3B);
    std::vector<std::uint8_t> badSignature = GifBuilder(2, 2, colours).image(0, 0, 2, 2, {0, 1, 2, 3}).finish();
    badSignature[3] = 'X';
    const Case cases[] = {
        {"one image, trailer", GifBuilder(2, 2, colours).image(0, 0, 2, 2, {0, 1, 2, 3}).finish(), true, true},
        {"one image, nothing after", noTrailer, true, true},
        {"one image, two bytes after", twoAfter, true, false},
        {"two images", GifBuilder(2, 2, colours).image(0, 0, 2, 2, {0}).image(0, 0, 1, 1, {1}).finish(), true, false},
        {"bad signature", badSignature, false, false},
        {"first image undecodable", GifBuilder(2, 2, colours).image(0, 0, 2, 2, {0}, 0).image(0, 0, 1, 1, {1}).finish(),
         false, false},
        {"no image at all", GifBuilder(2, 2, colours).finish(), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto animation = GifAnimation::open(c.bytes, kGreen);
        ASSERT_EQ(animation != nullptr, c.opens);
        if (animation) {
            EXPECT_EQ(animation->still(), c.still);
        }
    }
}

TEST(GifAnimation, ImagesReachingPastTheScreenAreClipped) {
    const auto bytes = GifBuilder(2, 2, {kRedRgb, kWhiteRgb, kBlueRgb, kWhiteRgb})
                           .control(2, 1, std::nullopt)
                           .image(1, 1, 3, 3, std::vector<std::uint8_t>(9, 2))
                           .image(0, 0, 1, 1, {0})
                           .finish();
    const auto animation = GifAnimation::open(bytes, kGreen);
    ASSERT_TRUE(animation);
    animation->advance();
    EXPECT_EQ(animation->composition().pixels, (std::vector<Pixel>{G, G, G, B}));
    animation->advance();
    EXPECT_EQ(animation->composition().pixels, (std::vector<Pixel>{R, G, G, G}));
}

// Third-party GIFs, animated, broken and odd: every one either refuses to open or plays round
// its frames with the composition keeping the logical screen's size.
TEST(GifAnimation, CorpusFilesPlayOrRefuse) {
    const std::filesystem::path folder = std::filesystem::path(TAVREL_CORPUS_DIR) / "gif";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no corpus at " << folder;
    int opened = 0;
    int animated = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().extension() != ".gif") continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const auto animation = GifAnimation::open(bytes, kGreen);
        if (!animation) continue;
        ++opened;
        if (animation->still()) continue;
        ++animated;
        const std::int32_t width = animation->screenWidth();
        const std::int32_t height = animation->screenHeight();
        for (int step = 0; step < 16; ++step) {
            EXPECT_GE(animation->advance(), kGifDelayUnitMs);
            ASSERT_EQ(animation->composition().width, width);
            ASSERT_EQ(animation->composition().height, height);
        }
    }
    EXPECT_GT(opened, 100);
    EXPECT_GT(animated, 20);
}

// The worker composes on its own thread, reports every frame and ends on request. Frames are
// counted, never timed.
TEST(GifPlayer, PlaysUntilStopped) {
    std::mutex mutex;
    std::condition_variable reported;
    int frames = 0;
    GifPlayer player(GifAnimation::open(threeFrameGif(), kGreen), [&] {
        const std::lock_guard lock(mutex);
        ++frames;
        reported.notify_all();
    });
    EXPECT_FALSE(player.running());
    ASSERT_TRUE(player.start());
    EXPECT_TRUE(player.start()) << "a second start keeps the running worker";
    {
        std::unique_lock lock(mutex);
        reported.wait(lock, [&] { return frames >= 3; });
    }
    player.withAnimation([](const GifAnimation& animation) { EXPECT_GE(animation.steps(), 3u); });
    player.stop();
    EXPECT_FALSE(player.running());
    std::uint64_t steps = 0;
    player.withAnimation([&](const GifAnimation& animation) { steps = animation.steps(); });
    const std::lock_guard lock(mutex);
    EXPECT_EQ(static_cast<std::uint64_t>(frames), steps) << "every composed frame reported, none after";
}

}  // namespace
}  // namespace tavrel
