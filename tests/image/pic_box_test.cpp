// The preview box in the real main window, offscreen: its pixels grabbed from the window as the
// user would see them, GIF playback over time, and what replacing a playing GIF leaves behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTest>

#include <png.h>

#include "app/app_state.h"
#include "app/default_picture.h"
#include "app/window_description.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"
#include "image/bmp_export.h"
#include "image/decode.h"
#include "image/draw_panel.h"
#include "image/pic_box.h"
#include "image/preview_render.h"
#include "image/registry.h"
#include "qt_test_support.h"
#include "preview_fixtures.h"

namespace tavrel {
namespace {

using testing::GifBuilder;
using testing::Rgb;

constexpr QRgb kGreen = 0xFF00E080;  // 0x0080E000 as the screen shows it
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kWhite = 0xFFFFFFFF;

// Threads of this process, the test's own included.
std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

// A 24-bit BMP of one colour (0x00RRGGBB).
ByteBuffer solidBmp(std::int32_t width, std::int32_t height, Pixel colour) {
    Bitmap bitmap;
    allocateBitmap(bitmap, width, height, colour);
    return exportBmp(bitmap);
}

// An RGBA PNG whose left half is fully transparent red and right half opaque blue.
ByteBuffer halfTransparentPng(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            rgba.insert(rgba.end(), {std::uint8_t(left ? 255 : 0), 0, std::uint8_t(left ? 0 : 255), std::uint8_t(left ? 0 : 255)});
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_get_memory_size(image, size, 0, rgba.data(), 0, nullptr));
    ByteBuffer png(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, png.data(), &size, 0, rgba.data(), 0, nullptr));
    png.resize(size);
    return png;
}

// Two frames filling an 8 x 8 screen: red for 20 hundredths, then blue with delay 0 (50 ms).
ByteBuffer redBlueGif() {
    return GifBuilder(8, 8, {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}})
        .control(0, 20, std::nullopt)
        .image(0, 0, 8, 8, std::vector<std::uint8_t>(64, 0))
        .control(0, 0, std::nullopt)
        .image(0, 0, 8, 8, std::vector<std::uint8_t>(64, 1))
        .finish();
}

class PicBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        appState() = AppState{};
        forms::initialise();
        DrawPanel::registerKind();
        PicBox::registerKind();
        ASSERT_TRUE(forms::loadWindow(mainWindowDescription()));
        window_ = forms::findWindow(kMainWindowId);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
        box_ = forms::controlAs<PicBox>(kMainWindowId, ids::图片框1);
        ASSERT_NE(box_, nullptr);
    }
    void TearDown() override { forms::endProgram(0); }

    // The box's client area as the window shows it.
    QImage grabClient() const {
        const QRect client = box_->clientArea();
        return window_->grab(QRect(box_->mapTo(window_, client.topLeft()), client.size()))
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // The smallest rectangle holding every pixel that is not the background.
    static QRect pictureBounds(const QImage& image) {
        QRect bounds;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != kGreen) bounds |= QRect(x, y, 1, 1);
            }
        }
        return bounds;
    }
    static bool allOf(const QImage& image, const QRect& area, QRgb colour) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (image.pixel(x, y) != colour) return false;
            }
        }
        return true;
    }

    forms::FormWindow* window_ = nullptr;
    PicBox* box_ = nullptr;
};

TEST_F(PicBoxTest, ShowsTheDefaultPictureAtStart) {
    // The created handler made the built-in picture the source and gave the box the same bytes.
    const std::span<const std::uint8_t> builtIn = defaultPictureBytes();
    const DecodedImage* source = imageRegistry().find(appState().sourceImage);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->width, 463);
    EXPECT_EQ(source->height, 684);
    EXPECT_EQ(std::get<forms::Bytes>(forms::readProperty(kMainWindowId, ids::图片框1, PicBox::kPicture)),
              forms::Bytes(builtIn.begin(), builtIn.end()));

    const QImage shown = grabClient();
    ASSERT_EQ(shown.size(), QSize(414, 420));
    EXPECT_EQ(pictureBounds(shown), QRect(65, 0, 284, 420));
    EXPECT_TRUE(allOf(shown, QRect(0, 0, 65, 420), kGreen));
    EXPECT_TRUE(allOf(shown, QRect(349, 0, 65, 420), kGreen));
    // Pixel for pixel what our drawing layer paints: nothing scaled on the way to the screen.
    Bitmap expected;
    PreviewStyle style;
    style.clientWidth = 414;
    style.clientHeight = 420;
    style.background = 0x0080E000;
    ASSERT_TRUE(paintPreview(expected, style, {source, nullptr}));
    int differing = 0;
    for (int y = 0; y < 420; ++y) {
        for (int x = 0; x < 414; ++x) differing += (shown.pixel(x, y) & 0xFFFFFF) != expected.at(x, y);
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(PicBoxTest, FitsAndCentresEverySize) {
    struct Case {
        std::int32_t width, height;
        QRect expected;
    };
    const Case cases[] = {
        {1024, 768, {0, 55, 414, 310}},  {420, 420, {0, 3, 414, 414}},    {415, 420, {0, 1, 414, 418}},
        {413, 626, {68, 0, 277, 420}},   {840, 1200, {60, 0, 293, 419}},  {295, 413, {59, 3, 295, 413}},
        {180, 252, {117, 84, 180, 252}}, {1000, 10, {0, 208, 414, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        box_->setPicture(solidBmp(c.width, c.height, makePixel(255, 0, 0)));
        const QImage shown = grabClient();
        EXPECT_EQ(pictureBounds(shown), c.expected);
        EXPECT_TRUE(allOf(shown, c.expected, kRed));
    }
}

TEST_F(PicBoxTest, TransparentPixelsShowTheBackground) {
    box_->setPicture(halfTransparentPng(40, 20));
    const QImage shown = grabClient();
    // 40 x 20 fits: drawn at its own size at (187, 200).
    EXPECT_TRUE(allOf(shown, QRect(187, 200, 20, 20), kGreen));
    EXPECT_TRUE(allOf(shown, QRect(207, 200, 20, 20), kBlue));
    EXPECT_EQ(pictureBounds(shown), QRect(207, 200, 20, 20));
}

TEST_F(PicBoxTest, NothingDecodableShowsOnlyTheBackground) {
    const forms::Bytes cases[] = {{}, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}};
    for (const forms::Bytes& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        forms::writeProperty(kMainWindowId, ids::图片框1, PicBox::kPicture, bytes);
        EXPECT_TRUE(pictureBounds(grabClient()).isEmpty());
        // The property keeps the bytes all the same.
        EXPECT_EQ(std::get<forms::Bytes>(forms::readProperty(kMainWindowId, ids::图片框1, PicBox::kPicture)), bytes);
    }
}

// A previewing handler sets the result, asks for a redraw and sets it again; the box paints once.
TEST_F(PicBoxTest, RedrawAndSetPictureInOneHandlerPaintOnce) {
    QTest::qWait(50);
    const std::uint64_t before = box_->paintCount();
    const ByteBuffer result = solidBmp(300, 300, makePixel(0, 0, 255));
    box_->setPicture(result);
    box_->redraw();
    box_->setPicture(result);
    EXPECT_EQ(box_->paintCount(), before) << "nothing is drawn at once";
    ASSERT_TRUE(QTest::qWaitFor([&] { return box_->paintCount() > before; }, 2000));
    QTest::qWait(50);
    EXPECT_EQ(box_->paintCount(), before + 1);
}

TEST_F(PicBoxTest, SingleImageGifShowsStillWithItsTransparentColour) {
    // Index 1 is marked transparent; a still picture shows the colour its table gives it.
    const ByteBuffer gif = GifBuilder(2, 1, {{255, 0, 0}, {255, 255, 255}, {0, 0, 255}, {0, 0, 0}})
                               .control(0, 5, 1)
                               .image(0, 0, 2, 1, {0, 1})
                               .finish();
    box_->setPicture(gif);
    const QImage shown = grabClient();
    EXPECT_EQ(pictureBounds(shown), QRect(206, 209, 2, 1));
    EXPECT_EQ(shown.pixel(206, 209), kRed);
    EXPECT_EQ(shown.pixel(207, 209), kWhite);
    EXPECT_FALSE(box_->playing());
}

// The colour at the centre of the box at a moment, in ms since sampling began.
struct Sample {
    qint64 at;
    QRgb colour;
};

TEST_F(PicBoxTest, AnimatedGifPlaysWithItsDelays) {
    box_->setPicture(redBlueGif());
    EXPECT_FALSE(box_->playing());
    // The first paint shows only the background and starts the frames.
    EXPECT_TRUE(pictureBounds(grabClient()).isEmpty());
    EXPECT_TRUE(box_->playing());

    std::vector<Sample> samples;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2000) {
        samples.push_back({clock.elapsed(), grabClient().pixel(207, 210)});
        QTest::qWait(5);
    }
    // Runs of one colour; the first and last are cut by the sampling and not measured.
    std::vector<std::pair<QRgb, qint64>> runs;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i].colour != samples[i - 1].colour) runs.push_back({samples[i].colour, samples[i].at});
    }
    std::vector<qint64> red, blue;
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
        const qint64 length = runs[i + 1].second - runs[i].second;
        if (runs[i].first == kRed) red.push_back(length);
        else if (runs[i].first == kBlue) blue.push_back(length);
        else ADD_FAILURE() << "unexpected colour " << std::hex << runs[i].first;
    }
    ASSERT_GE(red.size(), 2u) << "the frames loop";
    ASSERT_GE(blue.size(), 2u);
    std::sort(red.begin(), red.end());
    std::sort(blue.begin(), blue.end());
    const qint64 redMedian = red[red.size() / 2];
    const qint64 blueMedian = blue[blue.size() / 2];
    // 200 ms and 50 ms, loosely: a frame never shows for less than its delay less a sampling step.
    EXPECT_GE(redMedian, 150);
    EXPECT_LE(redMedian, 800);
    EXPECT_GE(blueMedian, 30);
    EXPECT_LE(blueMedian, 400);
    EXPECT_GT(redMedian, blueMedian);
}

TEST_F(PicBoxTest, ReplacingAPlayingGifStopsIt) {
    grabClient();
    const std::size_t threadsBefore = threadCount();
    box_->setPicture(redBlueGif());
    grabClient();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pictureBounds(grabClient()).isEmpty(); }, 2000));
    EXPECT_TRUE(box_->playing());
    EXPECT_EQ(threadCount(), threadsBefore + 1) << "one frame worker";

    box_->setPicture(solidBmp(10, 10, makePixel(255, 255, 255)));
    EXPECT_FALSE(box_->playing());
    EXPECT_EQ(threadCount(), threadsBefore) << "the worker has ended before setPicture returns";
    // Frames the worker reported before it stopped find only the new picture to paint.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500) {
        const QImage shown = grabClient();
        ASSERT_EQ(pictureBounds(shown), QRect(202, 205, 10, 10));
        ASSERT_TRUE(allOf(shown, QRect(202, 205, 10, 10), kWhite));
        QTest::qWait(10);
    }
}

TEST_F(PicBoxTest, ClosingTheWindowStopsAPlayingGif) {
    grabClient();
    const std::size_t threadsBefore = threadCount();
    box_->setPicture(redBlueGif());
    grabClient();
    ASSERT_TRUE(box_->playing());
    const QPointer<PicBox> box = box_;
    window_->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, 2000));
    EXPECT_EQ(threadCount(), threadsBefore) << "the box stopped its worker as it went";
}

}  // namespace
}  // namespace tavrel
