// The user operations on the real window: taking in a dropped picture, square scaling, custom
// sizes and the ID-photo presets, driven through the controls as a user would.

#include <cmath>
#include <limits>

#include <QFileDialog>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "app/operations.h"
#include "forms/common_dlg.h"
#include "image/bmp_export.h"
#include "image/decode.h"
#include "image/encode.h"
#include "image/pic_box.h"
#include "image/registry.h"
#include "operations_fixture.h"

namespace tavrel::test_support {
namespace {

constexpr Pixel kBrick = makePixel(200, 40, 40);  // far from the preview's green

using Size = std::pair<std::int32_t, std::int32_t>;

// The middle pixel of a BMP result.
Pixel middlePixel(const ByteBuffer& bmp) {
    const std::optional<Bitmap> bitmap = bitmapFromBmp(bmp);
    if (!bitmap || bitmap->width == 0) return 0;
    return bitmap->at(bitmap->width / 2, bitmap->height / 2);
}

bool near(Pixel a, Pixel b) {
    return std::abs(pixelRed(a) - pixelRed(b)) <= 3 && std::abs(pixelGreen(a) - pixelGreen(b)) <= 3 &&
           std::abs(pixelBlue(a) - pixelBlue(b)) <= 3;
}

TEST(TypedNumbers, AtLeastOneAllowsATenMillionthBelow) {
    struct Case {
        double value;
        bool atLeast;
    };
    const Case cases[] = {
        {1, true}, {0.9999999, true}, {0.99999989, false}, {0, false}, {-5, false}, {1e300, true},
        {std::numeric_limits<double>::quiet_NaN(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(atLeastOne(c.value), c.atLeast);
    }
}

TEST(TypedNumbers, WholePartTruncatesAndKeepsTheLow32Bits) {
    struct Case {
        double value;
        std::int32_t whole;
    };
    const Case cases[] = {
        {300.9, 300},
        {-2.5, -2},
        {4294967297.0, 1},                       // 2^32 + 1 wraps
        {2147483648.0, std::numeric_limits<std::int32_t>::min()},  // 2^31
        {-9223372036854775808.0, 0},             // -2^63: its low 32 bits
        {1e19, 0},                               // beyond 64 bits
        {std::numeric_limits<double>::infinity(), 0},
        {-std::numeric_limits<double>::infinity(), 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(wholePart(c.value), c.whole);
    }
}

TEST_F(OperationsTest, ADroppedJpegIsMeasuredShownAndBecomesTheSource) {
    const auto photo = folder_ / "photo.jpg";
    writeBytes(photo, encodeJpeg(solidBitmap(1024, 768, kBrick)));
    const ImageHandle builtIn = appState().sourceImage;
    ASSERT_NE(builtIn, 0u);

    dropFiles({photo});
    EXPECT_EQ(text(ids::原图片尺寸_标签), "图片原大小是： 1024 x 768");
    EXPECT_EQ(appState().sourcePath, photo.string());
    EXPECT_EQ(appState().sourceBytes, readBytes(photo));
    EXPECT_EQ(std::get<forms::Bytes>(forms::readProperty(kMainWindowId, ids::图片框1, PicBox::kPicture)),
              appState().sourceBytes);
    const DecodedImage* source = imageRegistry().find(appState().sourceImage);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->kind, ImageKind::Jpeg);
    EXPECT_EQ(imageRegistry().find(builtIn), nullptr);  // the previous source is gone
    EXPECT_EQ(shownPicture(), QRect(0, 55, 414, 310));
    EXPECT_TRUE(appState().resultBytes.empty());  // dropping resizes nothing

    // The next slider move previews a square of the dropped picture.
    auto* slider = qobject_cast<QSlider*>(widget(ids::滑块_图片大小));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(text(ids::标签4), "当前图片大小：20");
    EXPECT_EQ(bmpSize(appState().resultBytes), Size(20, 20));
    EXPECT_TRUE(near(middlePixel(appState().resultBytes), kBrick));
    EXPECT_EQ(shownPicture(), QRect(197, 200, 20, 20));
}

TEST_F(OperationsTest, DropsThatNameNoPictureShowZerosAndABlankBox) {
    const auto notes = folder_ / "notes.txt";
    writeBytes(notes, ByteBuffer{'h', 'e', 'l', 'l', 'o', '\n'});
    const auto photo = folder_ / "photo.jpg";
    writeBytes(photo, encodeJpeg(solidBitmap(64, 48, kBrick)));
    struct Case {
        const char* name;
        std::vector<std::filesystem::path> files;
        std::string path;  // what the handler was given
    };
    const Case cases[] = {
        {"text file", {notes}, notes.string()},
        {"two files", {photo, photo}, photo.string() + "\r\n" + photo.string() + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dropFiles({photo});  // something decodable first, so the change shows
        dropFiles(c.files);
        EXPECT_EQ(text(ids::原图片尺寸_标签), "图片原大小是： 0 x 0");
        EXPECT_EQ(appState().sourcePath, c.path);
        EXPECT_EQ(appState().sourceImage, 0u);
        EXPECT_TRUE(shownPicture().isEmpty());
        // The next resize is blank, at the size asked for.
        forms::writeProperty(kMainWindowId, ids::自定义_图片宽, 8, std::string("30"));
        forms::writeProperty(kMainWindowId, ids::自定义_图片高, 8, std::string("20"));
        click(ids::预览);
        const std::optional<Bitmap> result = bitmapFromBmp(appState().resultBytes);
        ASSERT_TRUE(result);
        EXPECT_EQ(Size(result->width, result->height), Size(30, 20));
        EXPECT_FALSE(near(result->at(15, 10), kBrick));
    }
}

TEST_F(OperationsTest, APngNamedJpgIsDecodedAsPng) {
    const auto disguised = folder_ / "photo.jpg";
    writeBytes(disguised, encodePng(solidBitmap(30, 20, kBrick)));
    dropFiles({disguised});
    EXPECT_EQ(text(ids::原图片尺寸_标签), "图片原大小是： 30 x 20");
    const DecodedImage* source = imageRegistry().find(appState().sourceImage);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->kind, ImageKind::Png);
}

TEST_F(OperationsTest, RepeatedDropsKeepOnePictureAlive) {
    const auto photo = folder_ / "photo.png";
    writeBytes(photo, encodePng(solidBitmap(40, 30, kBrick)));
    const std::size_t atStart = imageRegistry().size();
    for (int drop = 0; drop < 5; ++drop) dropFiles({photo});
    // The built-in picture made way for the first drop, and each drop for the next.
    EXPECT_EQ(imageRegistry().size(), atStart);
    EXPECT_NE(imageRegistry().find(appState().sourceImage), nullptr);
}

TEST_F(OperationsTest, SliderPreviewsEveryPositionItReports) {
    auto* slider = qobject_cast<QSlider*>(widget(ids::滑块_图片大小));
    slider->setFocus();
    for (const auto& [key, side] : {std::pair{Qt::Key_End, 420}, std::pair{Qt::Key_PageUp, 410}, std::pair{Qt::Key_Home, 10}}) {
        SCOPED_TRACE(side);
        QTest::keyClick(slider, key);
        EXPECT_EQ(appState().squareSize, side);
        EXPECT_EQ(bmpSize(appState().resultBytes), Size(side, side));
        EXPECT_EQ(text(ids::标签4), "当前图片大小：" + std::to_string(side));
        EXPECT_EQ(shownPicture().size(), QSize(std::min(side, 414), std::min(side, 414)));  // fitted to the box
    }
}

TEST_F(OperationsTest, SizeBoxRefusesValuesBelowOneAndKeepsTheSize) {
    typeInto(ids::编辑框1, "12");
    ASSERT_EQ(appState().squareSize, 12);
    struct Case {
        const char* typed;  // replaces the box's text key by key
        int boxes;          // one for each text change below 1
    };
    for (const Case& c : {Case{"0", 1}, Case{"-", 1}, Case{"-5", 2}}) {
        SCOPED_TRACE(c.typed);
        const std::vector<ShownBox> shown = collectMessageBoxes([&] { typeInto(ids::编辑框1, c.typed); });
        ASSERT_EQ(static_cast<int>(shown.size()), c.boxes);
        for (const ShownBox& box : shown) {
            EXPECT_EQ(box.text, "哦喔！数值太小了！");
            EXPECT_EQ(box.title, "提示信息：");
            EXPECT_EQ(box.buttons, 1);
        }
        EXPECT_EQ(appState().squareSize, 12);
    }
    // Clearing the box is a change too.
    typeInto(ids::编辑框1, "7");
    auto* box = qobject_cast<QLineEdit*>(widget(ids::编辑框1));
    const std::vector<ShownBox> shown = collectMessageBoxes([&] { QTest::keyClick(box, Qt::Key_Backspace); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "哦喔！数值太小了！");
    EXPECT_EQ(appState().squareSize, 7);
    EXPECT_TRUE(appState().resultBytes.empty());  // typing previews nothing
}

TEST_F(OperationsTest, TenDigitSizesWrapAround32Bits) {
    typeInto(ids::编辑框1, "4294967297");
    EXPECT_EQ(appState().squareSize, 1);
}

TEST_F(OperationsTest, ConfirmPreviewsTheTypedSquareAndMovesTheThumb) {
    for (const int side : {300, 420}) {
        SCOPED_TRACE(side);
        typeInto(ids::编辑框1, std::to_string(side));
        const std::vector<ShownBox> shown = collectMessageBoxes([&] { click(ids::按钮_确定); });
        EXPECT_TRUE(shown.empty());
        EXPECT_EQ(forms::readNumber(kMainWindowId, ids::滑块_图片大小, 19), side);
        EXPECT_EQ(qobject_cast<QSlider*>(widget(ids::滑块_图片大小))->value(), side);
        EXPECT_EQ(bmpSize(appState().resultBytes), Size(side, side));
        EXPECT_EQ(shownPicture().size(), QSize(std::min(side, 414), std::min(side, 414)));  // fitted to the box
        EXPECT_EQ(text(ids::标签4), "当前图片大小：0");  // only slider events write it
    }
}

TEST_F(OperationsTest, ConfirmRefusesSquaresBeyondThePreviewButSaveTakesThem) {
    typeInto(ids::编辑框1, "500");
    const std::vector<ShownBox> shown = collectMessageBoxes([&] { click(ids::按钮_确定); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "数值超出预览范围建议保存后预览");
    EXPECT_EQ(shown[0].title, "提示信息：");
    EXPECT_EQ(shown[0].buttons, 1);
    EXPECT_TRUE(appState().resultBytes.empty());
    EXPECT_EQ(forms::readNumber(kMainWindowId, ids::滑块_图片大小, 19), 0);

    const auto saved = folder_ / "square.bmp";
    saveThroughDialog([&] { click(ids::按钮_保存); }, saved);
    EXPECT_EQ(text(ids::提示_标签), "保存成功！");
    EXPECT_EQ(bmpSize(readBytes(saved)), Size(500, 500));
    EXPECT_EQ(readBytes(saved), appState().resultBytes);
}

TEST_F(OperationsTest, SaveBeforeAnySizeWritesTheOnePixelResult) {
    const auto saved = folder_ / "nothing-yet.bmp";
    saveThroughDialog([&] { click(ids::按钮_保存); }, saved);
    EXPECT_EQ(readBytes(saved).size(), 58u);
    EXPECT_EQ(bmpSize(readBytes(saved)), Size(1, 1));
}

TEST_F(OperationsTest, PresetsPreviewAtOnceAndMakePreviewInert) {
    forms::writeProperty(kMainWindowId, ids::自定义_图片宽, 8, std::string("640"));
    forms::writeProperty(kMainWindowId, ids::自定义_图片高, 8, std::string("480"));
    choosePreset(1);
    EXPECT_EQ(text(ids::提示_标签), "目前证件尺寸可能不准确，建议别保存使用！");
    EXPECT_EQ(appState().sizeMode, 2);
    EXPECT_EQ(bmpSize(appState().resultBytes), Size(413, 626));
    EXPECT_LE(shownPicture().height(), 420);  // reduced to fit the box
    EXPECT_LT(shownPicture().width(), 413);

    const ByteBuffer preset = appState().resultBytes;
    click(ids::预览);
    EXPECT_EQ(appState().resultBytes, preset);

    typeInto(ids::自定义_图片宽, "64");
    EXPECT_EQ(appState().sizeMode, 1);
    click(ids::预览);
    EXPECT_EQ(bmpSize(appState().resultBytes), Size(64, 480));

    // The largest preset shows reduced and centred.
    choosePreset(3);
    EXPECT_EQ(bmpSize(appState().resultBytes), Size(840, 1200));
    EXPECT_EQ(shownPicture(), QRect(60, 0, 293, 419));
}

TEST_F(OperationsTest, CustomSizesBelowOneAreRefusedOnce) {
    struct Case {
        const char* width;
        const char* height;
    };
    for (const Case& c : {Case{"0", "5"}, Case{"-5", "5"}, Case{"5", ""}, Case{"", ""}}) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        forms::writeProperty(kMainWindowId, ids::自定义_图片宽, 8, std::string(c.width));
        forms::writeProperty(kMainWindowId, ids::自定义_图片高, 8, std::string(c.height));
        for (const forms::ControlId button : {ids::预览, ids::保存_按钮2}) {
            bool dialogShown = false;
            const QPointer<QTimer> watch = answerNextFileDialog([&](QFileDialog& dialog) {
                dialogShown = true;
                dialog.reject();
            });
            const std::vector<ShownBox> shown = collectMessageBoxes([&] { click(button); });
            delete watch.data();
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, "别闹哈...尺寸都木有");
            EXPECT_EQ(shown[0].title, "信息：");
            EXPECT_EQ(shown[0].buttons, 1);
            EXPECT_FALSE(dialogShown);
            EXPECT_TRUE(appState().resultBytes.empty());
        }
    }
}

TEST_F(OperationsTest, CustomSizeIsPreviewedAndSaved) {
    typeInto(ids::自定义_图片宽, "640");
    typeInto(ids::自定义_图片高, "480");
    click(ids::预览);
    EXPECT_EQ(bmpSize(appState().resultBytes), Size(640, 480));
    EXPECT_EQ(shownPicture(), QRect(0, 55, 414, 310));

    const auto saved = folder_ / "custom.png";
    saveThroughDialog([&] { click(ids::保存_按钮2); }, saved);
    EXPECT_EQ(text(ids::提示_标签), "保存成功！");
    const std::optional<DecodedImage> decoded = decodeImageFile(saved.string());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->kind, ImageKind::Png);
    EXPECT_EQ(Size(decoded->width, decoded->height), Size(640, 480));
}

}  // namespace
}  // namespace tavrel::test_support
