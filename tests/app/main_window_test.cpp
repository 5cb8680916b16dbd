// The real main window, driven through its widgets: layout, stacking, keyboard, the controls'
// events, and the program's start and end.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "app/app_state.h"
#include "app/bindings.h"
#include "app/entry.h"
#include "app/shell_handlers.h"
#include "app/window_description.h"
#include "app/window_icon.h"
#include "forms/colours.h"
#include "forms/control.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"
#include "image/draw_panel.h"
#include "image/pic_box.h"
#include "image/registry.h"
#include "qt_test_support.h"
#include "url_catcher.h"

namespace tavrel {
namespace {

using forms::ControlId;

// What a recording handler saw: which event, and the control's text and position at that moment.
struct Seen {
    ControlId control;
    std::int32_t event;
    std::string text;      // property 8
    std::int32_t position;  // property 19
    bool popupShown;        // the combo box's list was still open
};

std::vector<Seen> seen;
bool windowAliveWhenDestroyed = false;

template <ControlId id, std::int32_t event>
void record() {
    bool popupShown = false;
    if (auto* combo = forms::controlAs<forms::Control>(kMainWindowId, id)) {
        if (auto* box = qobject_cast<QComboBox*>(combo->widget())) popupShown = box->view()->isVisible();
    }
    seen.push_back({id, event, forms::readText(kMainWindowId, id, 8), forms::readNumber(kMainWindowId, id, 19),
                    popupShown});
}

template <ControlId id, std::int32_t event>
void recordMouse(std::int32_t, std::int32_t, std::int32_t) {
    record<id, event>();
}

void recordDestroyed() {
    // The window and its controls must still be there for the drop target to be revoked.
    windowAliveWhenDestroyed = forms::windowHandle(kMainWindowId) != nullptr &&
                               forms::findControl(kMainWindowId, ids::拖放对象1) != nullptr;
    record<forms::kWindowEntryId, 2>();
}

// The real window with recorders instead of the operations; the created handler stays real.
forms::WindowDescription recordingWindow() {
    using namespace ids;
    forms::WindowDescription description = mainWindowDescription();
    description.bindings = {
        {kMainWindowId, forms::kWindowEntryId, 0, &windowCreated},
        {kMainWindowId, forms::kWindowEntryId, 2, &recordDestroyed},
        {kMainWindowId, 标签_网站, -2, &recordMouse<标签_网站, -2>},
        {kMainWindowId, 滑块_图片大小, 0, &record<滑块_图片大小, 0>},
        {kMainWindowId, 编辑框1, 0, &record<编辑框1, 0>},
        {kMainWindowId, 自定义_图片宽, 0, &record<自定义_图片宽, 0>},
        {kMainWindowId, 自定义_图片高, 0, &record<自定义_图片高, 0>},
        {kMainWindowId, 按钮_确定, 0, &record<按钮_确定, 0>},
        {kMainWindowId, 按钮_保存, 0, &record<按钮_保存, 0>},
        {kMainWindowId, 组合框1, 0, &record<组合框1, 0>},
        {kMainWindowId, 预览, 0, &record<预览, 0>},
        {kMainWindowId, 保存_按钮2, 0, &record<保存_按钮2, 0>},
    };
    return description;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        seen.clear();
        windowAliveWhenDestroyed = false;
        appState() = AppState{};
        forms::initialise();
        DrawPanel::registerKind();
        PicBox::registerKind();
    }
    void TearDown() override {
        delete answering_;
        forms::endProgram(0);
    }
    void load() {
        ASSERT_TRUE(forms::loadWindow(recordingWindow()));
        window_ = forms::findWindow(kMainWindowId);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    }
    static forms::Control* control(ControlId id) { return forms::findControl(kMainWindowId, id); }
    static QWidget* widget(ControlId id) { return control(id)->widget(); }
    template <class Widget>
    static Widget* as(ControlId id) {
        return qobject_cast<Widget*>(widget(id));
    }
    static std::string focusedName() {
        const forms::Control* focused = forms::controlOfWidget(QApplication::focusWidget());
        return focused ? focused->name() : std::string("(none)");
    }
    static int countOf(ControlId id) {
        return static_cast<int>(std::count_if(seen.begin(), seen.end(), [id](const Seen& s) { return s.control == id; }));
    }

    forms::FormWindow* window_ = nullptr;
    QPointer<QTimer> answering_;
};

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThem) {
    load();
    using namespace ids;
    struct Row {
        ControlId id;
        const char* name;
        ControlId parent;
        QRect place;
        bool shown;
    };
    const Row rows[] = {
        {图片框1, "图片框1", 0, {242, 10, 416, 422}, true},
        {按钮_保存, "按钮_保存", 分组框1, {160, 158, 57, 32}, true},
        {组合框1, "组合框1", 分组框2, {77, 100, 72, 20}, true},
        {标签10, "标签10", 分组框2, {6, 100, 66, 24}, true},
        {原图片尺寸_标签, "原图片尺寸_标签", 0, {16, 113, 208, 24}, true},
        {拖放对象1, "拖放对象1", 0, {168, 227, 26, 26}, false},
        {预览, "预览", 分组框2, {162, 58, 56, 25}, true},
        {自定义_图片高, "自定义_图片高", 分组框2, {77, 60, 72, 23}, true},
        {标签9, "标签9", 分组框2, {6, 60, 56, 24}, true},
        {标签_网站, "标签_网站", 0, {10, 420, 112, 12}, true},
        {标签7, "标签7", 分组框2, {6, 138, 146, 12}, true},
        {通用对话框1, "通用对话框1", 0, {200, 226, 26, 26}, false},
        {提示_标签, "提示_标签", 0, {8, 400, 240, 12}, true},
        {保存_按钮2, "保存_按钮2", 分组框2, {162, 95, 56, 25}, true},
        {自定义_图片宽, "自定义_图片宽", 分组框2, {77, 20, 72, 23}, true},
        {标签5, "标签5", 分组框2, {6, 20, 56, 24}, true},
        {分组框2, "分组框2", 0, {8, 232, 224, 160}, true},
        {标签4, "标签4", 分组框1, {6, 133, 210, 24}, true},
        {按钮_确定, "按钮_确定", 分组框1, {161, 69, 56, 32}, true},
        {编辑框1, "编辑框1", 分组框1, {83, 72, 72, 25}, true},
        {标签2, "标签2", 分组框1, {6, 72, 80, 24}, true},
        {滑块_图片大小, "滑块_图片大小", 分组框1, {37, 25, 181, 32}, true},
        {标签1, "标签1", 分组框1, {6, 27, 32, 24}, true},
        {分组框1, "分组框1", 0, {8, 9, 224, 203}, true},
        {画板1, "画板1", 0, {48, 370, 48, 32}, false},
        {标签3, "标签3", 分组框1, {6, 165, 178, 29}, true},
    };
    ASSERT_EQ(window_->controls().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        const forms::Control* live = window_->controls()[i];
        EXPECT_EQ(live->id(), row.id);  // list order
        EXPECT_EQ(live->name(), row.name);
        const std::int32_t stored[] = {forms::readNumber(kMainWindowId, row.id, 0), forms::readNumber(kMainWindowId, row.id, 1),
                                       forms::readNumber(kMainWindowId, row.id, 2), forms::readNumber(kMainWindowId, row.id, 3)};
        EXPECT_EQ(QRect(stored[0], stored[1], stored[2], stored[3]), row.place);
        QWidget* shown = widget(row.id);
        if (!shown) {
            EXPECT_FALSE(row.shown);  // no visible part at all
            continue;
        }
        QWidget* expectedParent = row.parent == 0 ? static_cast<QWidget*>(window_) : widget(row.parent);
        EXPECT_EQ(shown->parentWidget(), expectedParent);
        EXPECT_EQ(shown->isVisible(), row.shown);
        EXPECT_EQ(shown->pos(), row.place.topLeft());
        EXPECT_EQ(shown->width(), row.place.width());
        // A closed drop-down list is as tall as its font needs; every other control as stored.
        if (row.id == 组合框1) {
            EXPECT_EQ(shown->height(), shown->sizeHint().height());
        } else {
            EXPECT_EQ(shown->height(), row.place.height());
        }
    }
}

TEST_F(MainWindowTest, ListOrderIsStackingOrderWithinEachParent) {
    load();
    using namespace ids;
    struct Stack {
        QWidget* parent;
        std::vector<std::string> topToBottom;
    };
    const Stack stacks[] = {
        {window_, {"图片框1", "原图片尺寸_标签", "标签_网站", "提示_标签", "分组框2", "分组框1", "画板1"}},
        {widget(分组框1), {"按钮_保存", "标签4", "按钮_确定", "编辑框1", "标签2", "滑块_图片大小", "标签1", "标签3"}},
        {widget(分组框2), {"组合框1", "标签10", "预览", "自定义_图片高", "标签9", "标签7", "保存_按钮2", "自定义_图片宽", "标签5"}},
    };
    for (const Stack& stack : stacks) {
        SCOPED_TRACE(stack.topToBottom.front());
        // Qt keeps children bottom first.
        std::vector<std::string> actual;
        for (QObject* child : stack.parent->children()) {
            forms::Control* live = forms::controlOfWidget(child);
            if (live && live->widget() == child) actual.insert(actual.begin(), live->name());
        }
        EXPECT_EQ(actual, stack.topToBottom);
    }
}

TEST_F(MainWindowTest, TabCyclesThroughTheTabStopsBothWays) {
    load();
    const std::vector<std::string> cycle = {"滑块_图片大小", "编辑框1", "按钮_确定", "自定义_图片宽", "保存_按钮2",
                                            "自定义_图片高", "预览", "组合框1", "按钮_保存"};
    EXPECT_EQ(focusedName(), cycle.front());  // the first stop holds the focus at start
    for (std::size_t step = 1; step <= cycle.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusedName(), cycle[step % cycle.size()]) << "after Tab " << step;
    }
    for (std::size_t step = 1; step <= cycle.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(focusedName(), cycle[(cycle.size() - step) % cycle.size()]) << "after Shift+Tab " << step;
    }
}

TEST_F(MainWindowTest, WindowIsFixedCentredCaptionedAndHasItsIcon) {
    load();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = window_->frameGeometry();
    EXPECT_EQ(outer.size(), QSize(666, 464));
    EXPECT_EQ(outer.topLeft(), QPoint((screen.width() - 666) / 2, (screen.height() - 464) / 2));
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());  // no resizing
    EXPECT_EQ(window_->windowTitle(), QString("Tavrel"));
    EXPECT_TRUE(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(QCoreApplication::applicationName(), QString("Tavrel"));
    EXPECT_TRUE(window_->windowIcon().availableSizes().contains(QSize(64, 64)));
    EXPECT_EQ(windowIconBytes().size(), 16958u);
}

TEST_F(MainWindowTest, AfterStartTheSizeLabelShowsTheStoredSliderPosition) {
    load();
    EXPECT_EQ(forms::readText(kMainWindowId, ids::标签4, 8), "当前图片大小：0");
    EXPECT_EQ(as<QSlider>(ids::滑块_图片大小)->value(), 10);  // the thumb stands at the minimum
    EXPECT_EQ(appState().sizeMode, 1);
    EXPECT_EQ(appState().squareSize, 0);
    EXPECT_EQ(as<QComboBox>(ids::组合框1)->currentText(), QString::fromUtf8("  1 寸"));
    EXPECT_EQ(as<QComboBox>(ids::组合框1)->count(), 4);
    EXPECT_FALSE(as<QComboBox>(ids::组合框1)->isEditable());  // a list to choose from, not to type in
}

TEST_F(MainWindowTest, IntegerBoxDropsTypedLettersButTakesPastedText) {
    load();
    auto* box = as<QLineEdit>(ids::编辑框1);
    box->setFocus();
    QTest::keyClicks(box, "1a2-");
    EXPECT_EQ(box->text(), QString("12-"));
    ASSERT_EQ(countOf(ids::编辑框1), 3);  // one event per character that went in, none for the letter
    EXPECT_EQ(seen.back().text, "12-");

    QApplication::clipboard()->setText(QStringLiteral("abc"));
    QTest::keySequence(box, QKeySequence::Paste);
    EXPECT_EQ(box->text(), QString("12-abc"));
    EXPECT_EQ(countOf(ids::编辑框1), 4);
}

TEST_F(MainWindowTest, WritingABoxsTextRaisesOneEventAfterTheTextIsIn) {
    load();
    for (const char* text : {"7", "7", ""}) {
        SCOPED_TRACE(text);
        seen.clear();
        forms::writeProperty(kMainWindowId, ids::自定义_图片宽, 8, std::string(text));
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].control, ids::自定义_图片宽);
        EXPECT_EQ(seen[0].text, text);
    }
}

TEST_F(MainWindowTest, SliderKeepsItsStoredPositionApartFromTheThumb) {
    load();
    auto* slider = as<QSlider>(ids::滑块_图片大小);
    struct Write {
        std::int32_t written;
        std::int32_t read;
        int thumb;
    };
    EXPECT_EQ(forms::readNumber(kMainWindowId, ids::滑块_图片大小, 19), 0);
    for (const Write write : {Write{5, 5, 10}, Write{40000, 32767, 420}, Write{-3, 0, 10}, Write{500, 500, 420}}) {
        SCOPED_TRACE(write.written);
        forms::writeProperty(kMainWindowId, ids::滑块_图片大小, 19, write.written);
        EXPECT_EQ(forms::readNumber(kMainWindowId, ids::滑块_图片大小, 19), write.read);
        EXPECT_EQ(slider->value(), write.thumb);
    }
    EXPECT_EQ(countOf(ids::滑块_图片大小), 0);  // the program's moves report nothing
}

TEST_F(MainWindowTest, EachSliderKeyRaisesPositionChangedOnce) {
    load();
    auto* slider = as<QSlider>(ids::滑块_图片大小);
    slider->setFocus();
    struct Press {
        Qt::Key key;
        std::int32_t position;
    };
    const Press presses[] = {
        {Qt::Key_Right, 20}, {Qt::Key_Down, 30},     {Qt::Key_Left, 20}, {Qt::Key_Up, 10},
        {Qt::Key_Up, 10},    {Qt::Key_PageDown, 20}, {Qt::Key_End, 420}, {Qt::Key_PageUp, 410},
        {Qt::Key_Home, 10},
    };
    for (const Press& press : presses) {
        SCOPED_TRACE(QKeySequence(press.key).toString().toStdString());
        seen.clear();
        QTest::keyClick(slider, press.key);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].position, press.position);  // stored before the handler runs
        EXPECT_EQ(slider->value(), press.position);
    }
}

TEST_F(MainWindowTest, DraggingTheThumbReportsEveryMoveAndOnceMoreAtRelease) {
    load();
    auto* slider = as<QSlider>(ids::滑块_图片大小);
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.tickPosition = slider->tickPosition();
    const QPoint grip = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
    QTest::mousePress(slider, Qt::LeftButton, {}, grip);
    for (int dx : {10, 20, 30}) QTest::mouseMove(slider, grip + QPoint(dx, 0));
    const int moves = static_cast<int>(seen.size());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, grip + QPoint(30, 0));
    ASSERT_GE(moves, 3);
    ASSERT_EQ(static_cast<int>(seen.size()), moves + 1);
    EXPECT_GT(seen.back().position, 10);
    EXPECT_EQ(seen.back().position, seen[seen.size() - 2].position);  // the release repeats the last move
    EXPECT_EQ(forms::readNumber(kMainWindowId, ids::滑块_图片大小, 19), slider->value());
}

TEST_F(MainWindowTest, ComboChoiceIsReportedAfterTheListClosesEvenForTheSameItem) {
    load();
    auto* combo = as<QComboBox>(ids::组合框1);
    struct Choice {
        int row;
        Qt::Key key;
        int events;
        std::int32_t selection;
    };
    const Choice choices[] = {
        {0, Qt::Key_Return, 1, 0},  // the item already selected
        {2, Qt::Key_Escape, 0, 0},  // cancelled
        {2, Qt::Key_Return, 1, 2},
    };
    for (const Choice& choice : choices) {
        SCOPED_TRACE(choice.row);
        seen.clear();
        combo->showPopup();
        ASSERT_TRUE(QTest::qWaitFor([&] { return combo->view()->isVisible(); }));
        combo->view()->setCurrentIndex(combo->model()->index(choice.row, 0));
        QTest::keyClick(combo->view(), choice.key);
        EXPECT_TRUE(seen.empty());  // posted, not called from inside the list
        QTest::qWait(50);
        ASSERT_EQ(static_cast<int>(seen.size()), choice.events);
        if (choice.events > 0) {
            EXPECT_FALSE(seen[0].popupShown);
            EXPECT_EQ(seen[0].position, choice.selection);
        }
        EXPECT_EQ(forms::readNumber(kMainWindowId, ids::组合框1, 19), choice.selection);
    }
}

TEST_F(MainWindowTest, ButtonsClickOnSpaceButNotOnEnterOrF1) {
    load();
    auto* button = as<QPushButton>(ids::按钮_确定);
    button->setFocus();
    struct Key {
        Qt::Key key;
        int clicks;
    };
    for (const Key key : {Key{Qt::Key_Space, 1}, Key{Qt::Key_Return, 0}, Key{Qt::Key_Enter, 0}, Key{Qt::Key_F1, 0}}) {
        SCOPED_TRACE(QKeySequence(key.key).toString().toStdString());
        seen.clear();
        QTest::keyClick(button, key.key);
        EXPECT_EQ(countOf(ids::按钮_确定), key.clicks);
        EXPECT_EQ(focusedName(), "按钮_确定");
    }
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(countOf(ids::按钮_确定), 1);
}

TEST_F(MainWindowTest, CanvasSizeWritesAreClampedAndResizeTheSurface) {
    load();
    auto* canvas = forms::controlAs<DrawPanel>(kMainWindowId, ids::画板1);
    ASSERT_NE(canvas, nullptr);
    EXPECT_FALSE(canvas->isVisible());
    struct Write {
        std::int32_t property;
        std::int32_t written;
        std::int32_t read;
    };
    for (const Write write : {Write{2, 40000, 32627}, Write{2, -5, 0}, Write{3, 40000, 32627}, Write{3, -5, 0}}) {
        SCOPED_TRACE(write.written);
        forms::writeProperty(kMainWindowId, ids::画板1, 2, 48);
        forms::writeProperty(kMainWindowId, ids::画板1, 3, 32);
        forms::writeProperty(kMainWindowId, ids::画板1, write.property, write.written);
        EXPECT_EQ(forms::readNumber(kMainWindowId, ids::画板1, write.property), write.read);
        const QSize expected = write.property == 2 ? QSize(write.read, 32) : QSize(48, write.read);
        EXPECT_EQ(canvas->size(), expected);
        EXPECT_EQ(QSize(canvas->surface().width(), canvas->surface().height()), expected);
    }
}

TEST_F(MainWindowTest, CanvasDrawsAndGrabsThroughItsSurface) {
    load();
    auto* canvas = forms::controlAs<DrawPanel>(kMainWindowId, ids::画板1);
    ASSERT_NE(canvas, nullptr);
    ImageRegistry registry;
    DecodedImage red;
    red.kind = ImageKind::Bmp;  // blue, green, red per pixel, rows bottom-up, packed
    red.width = 2;
    red.height = 2;
    red.pixels = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255};
    const ImageHandle picture = registry.add(red);
    EXPECT_EQ(canvas->imageWidth(registry, picture), 2);
    EXPECT_EQ(canvas->imageHeight(registry, 0), 0);

    forms::writeProperty(kMainWindowId, ids::画板1, 2, 10);
    forms::writeProperty(kMainWindowId, ids::画板1, 3, 10);
    EXPECT_EQ(forms::readNumber(kMainWindowId, ids::画板1, 23), 8);  // drawable area inside the edge
    const QColor face = forms::buttonFaceColour();
    ByteBuffer grabbed = canvas->grabImage(0, 0);
    ASSERT_EQ(grabbed.size(), 54u + 8 * 24);  // 8 x 8 at 24 bits, rows of 24 bytes
    EXPECT_EQ(grabbed[0], 'B');
    EXPECT_EQ(grabbed[54 + 2], face.red());

    canvas->drawImage(registry, picture, 0, 0, 10, 10);
    EXPECT_EQ(canvas->surface().stretchMode(), StretchMode::Halftone);  // a 32-bit screen averages
    grabbed = canvas->grabImage(10, 10);
    ASSERT_EQ(grabbed.size(), 54u + 10 * 32);  // stretched back to 10 x 10, rows padded to 32 bytes
    EXPECT_EQ(grabbed[54], 0);     // blue
    EXPECT_EQ(grabbed[55], 0);     // green
    EXPECT_EQ(grabbed[56], 255);   // red
}

TEST_F(MainWindowTest, PictureBoxKeepsItsBytesAndPaintsItsGreenClientArea) {
    load();
    auto* box = forms::controlAs<PicBox>(kMainWindowId, ids::图片框1);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->clientArea(), QRect(1, 1, 414, 420));
    const forms::Bytes given = {0x42, 0x4D, 1, 2, 3};
    forms::writeProperty(kMainWindowId, ids::图片框1, PicBox::kPicture, given);
    EXPECT_EQ(std::get<forms::Bytes>(forms::readProperty(kMainWindowId, ids::图片框1, PicBox::kPicture)), given);

    const QImage shown = box->grab().toImage();
    const QColor green(0, 224, 128);
    for (const QPoint inside : {QPoint(1, 1), QPoint(414, 420), QPoint(207, 210)}) {
        EXPECT_EQ(shown.pixelColor(inside), green) << inside.x() << "," << inside.y();
    }
    for (const QPoint edge : {QPoint(0, 0), QPoint(415, 421)}) {
        EXPECT_NE(shown.pixelColor(edge), green) << edge.x() << "," << edge.y();
    }
}

TEST_F(MainWindowTest, LabelsPaintTheirWholeRectangle) {
    load();
    using namespace ids;
    const QRgb face = forms::buttonFaceColour().rgb();
    for (ControlId id : {标签10, 原图片尺寸_标签, 标签9, 标签_网站, 标签7, 提示_标签, 标签5, 标签4, 标签2, 标签1, 标签3}) {
        SCOPED_TRACE(control(id)->name());
        const QImage grabbed = widget(id)->grab().toImage();
        EXPECT_EQ(grabbed.pixel(grabbed.width() - 1, 0), face);
        EXPECT_EQ(grabbed.pixel(grabbed.width() - 1, grabbed.height() - 1), face);
    }
    // 标签3 wraps into two pink lines from its top-left.
    const QImage wrapped = widget(标签3)->grab().toImage();
    int firstInk = -1;
    int lastInk = -1;
    for (int y = 0; y < wrapped.height(); ++y) {
        for (int x = 0; x < wrapped.width(); ++x) {
            const QColor c = wrapped.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 160 && c.blue() > 60 && c.blue() < 200) {
                if (firstInk < 0) firstInk = y;
                lastInk = y;
            }
        }
    }
    EXPECT_GE(firstInk, 0);
    EXPECT_LT(firstInk, 5);    // starts at the top
    EXPECT_GT(lastInk, 16);    // a second line below the first
}

TEST_F(MainWindowTest, CreditLabelOpensTheForumPageOnRelease) {
    load();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QWidget* credit = widget(ids::标签_网站);
    EXPECT_EQ(credit->cursor().shape(), Qt::PointingHandCursor);

    // Pressed over the label but released elsewhere: nothing.
    QTest::mousePress(credit, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(credit, Qt::LeftButton, {}, QPoint(300, 5));
    EXPECT_TRUE(catcher.opened.isEmpty());

    // Swap in the real handler for this click.
    forms::findControl(kMainWindowId, ids::标签_网站)->bind(-2, &creditLabelReleased);
    QTest::mouseClick(credit, Qt::LeftButton, {}, QPoint(5, 5));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.opened.size(), 1);
    const QUrl opened = catcher.opened.front();
    EXPECT_EQ(opened.toString().toStdString(), kCreditAddress);
    EXPECT_EQ(opened.scheme(), QString("https"));
    EXPECT_EQ(opened.path(), QString("/home.php"));
    EXPECT_TRUE(opened.query().startsWith(QString("mod=space&uid=")));
}

TEST_F(MainWindowTest, EscClosesAfterTheWillBeDestroyedHandlerAndTheProgramEndsWithZero) {
    appState().sourcePath = "dropped.png";
    appState().resultBytes = {1, 2, 3};
    QTimer::singleShot(0, [] {
        QWidget* window = forms::windowHandle(kMainWindowId);
        if (!QTest::qWaitForWindowActive(window)) ADD_FAILURE() << "window never active";
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : window, Qt::Key_Escape);
    });
    // Should Esc fail to close the window, the test ends instead of waiting for ever.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        ADD_FAILURE() << "Esc did not close the window";
        if (QWidget* window = forms::windowHandle(kMainWindowId)) window->close();
    });
    watchdog.start(10000);
    EXPECT_EQ(runProgram(recordingWindow()), 0);
    EXPECT_TRUE(windowAliveWhenDestroyed);
    EXPECT_EQ(countOf(forms::kWindowEntryId), 1);
    EXPECT_EQ(forms::windowHandle(kMainWindowId), nullptr);
    // The exit routine released the state's buffers.
    EXPECT_TRUE(appState().sourcePath.empty());
    EXPECT_TRUE(appState().resultBytes.empty());
}

TEST_F(MainWindowTest, AWindowThatCannotBeBuiltEndsTheProgramWithMinusOne) {
    forms::WindowDescription tooNew = recordingWindow();
    tooNew.records[0].block.version = 7;
    QString text;
    answering_ = test_support::answerNextMessageBox([&](QMessageBox& box) {
        text = box.text();
        box.accept();
    });
    EXPECT_EQ(runProgram(tooNew), -1);
    EXPECT_TRUE(text.contains(QString::fromUtf8("版本 7")));
    EXPECT_EQ(countOf(forms::kWindowEntryId), 0);
}

}  // namespace
}  // namespace tavrel
