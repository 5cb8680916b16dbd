// The form layer on a small window built in the test: loading and its refusals, the binding
// check, the event hold, property clamping, labels painting themselves, and message boxes.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "forms/colours.h"
#include "forms/control.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"
#include "forms/message_box.h"
#include "qt_test_support.h"

namespace tavrel::forms {
namespace {

constexpr WindowId kTestWindow = 0x52010099u;
constexpr ControlId kButton = 0x16010001u;
constexpr ControlId kLabel = 0x16010002u;
constexpr ControlId kGroup = 0x16010003u;

int clicks = 0;
void countClick() { ++clicks; }

std::vector<int> exitOrder;
void firstExitRoutine() { exitOrder.push_back(1); }
void secondExitRoutine() { exitOrder.push_back(2); }

bool windowShownDuringCreated = true;
void createdShowsABox() {
    messageBox("已创建");
    windowShownDuringCreated = findWindow(kTestWindow)->isVisible();
}

// A window of 300 x 200 with a button, and a label inside a group box.
WindowDescription smallWindow() {
    ControlRecord window;
    window.kind = KindCode::Window;
    window.id = kWindowEntryId;
    window.width = 300;
    window.height = 200;
    window.flags = kVisible;
    window.block = {6,
                    {
                        {8, std::string("Test")},  // caption
                        {9, 2},                    // fixed frame
                        {10, colourValue(0xFF000000u)},  // button face
                        {15, 1},                   // control button
                        {17, 1},                   // minimise button
                        {22, 1},                   // Esc closes
                    }};

    ControlRecord button;
    button.kind = KindCode::Button;
    button.name = "按钮";
    button.id = kButton;
    button.left = 10, button.top = 10, button.width = 60, button.height = 24;
    button.flags = kVisible | kTabStop;
    button.block = {1, {{10, std::string("按")}}};  // caption

    ControlRecord group;
    group.kind = KindCode::GroupBox;
    group.name = "分组";
    group.id = kGroup;
    group.left = 100, group.top = 10, group.width = 150, group.height = 100;
    group.flags = kVisible;
    group.children = {kLabel};
    group.block = {1, {{8, std::string("组")}, {11, colourValue(0x0000FFu)}}};  // caption; red face

    ControlRecord label;
    label.kind = KindCode::Label;
    label.name = "标签";
    label.id = kLabel;
    label.parent = kGroup;
    label.left = 6, label.top = 30, label.width = 80, label.height = 24;
    label.flags = kVisible;
    label.block = {2, {{8, std::string("字")}, {17, colourValue(0xFF000000u)}}};  // caption; button face

    WindowDescription description;
    description.id = kTestWindow;
    description.records = {window, button, label, group};
    description.bindings = {{kTestWindow, kButton, 0, &countClick}};
    return description;
}

class FormLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        initialise();
        clicks = 0;
    }
    void TearDown() override {
        delete answering_;
        endProgram(0);
    }
    void load() {
        ASSERT_TRUE(loadWindow(smallWindow()));
        window_ = findWindow(kTestWindow);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    }
    QWidget* widgetOf(ControlId id) { return findControl(kTestWindow, id)->widget(); }

    FormWindow* window_ = nullptr;
    QPointer<QTimer> answering_;
};

TEST_F(FormLayerTest, RefusesDescriptionsItCannotBuild) {
    struct Case {
        const char* name;
        std::function<void(WindowDescription&)> spoil;
    };
    const std::vector<Case> cases = {
        {"window block newer than known", [](WindowDescription& d) { d.records[0].block.version = 7; }},
        {"label block newer than known", [](WindowDescription& d) { d.records[2].block.version = 3; }},
        {"unknown kind", [](WindowDescription& d) { d.records[1].kind = static_cast<KindCode>(0x00010099u); }},
        {"duplicate id", [](WindowDescription& d) { d.records[2].id = kButton; }},
        {"parent is not a group box", [](WindowDescription& d) { d.records[2].parent = kButton; }},
        {"binding to an unknown control", [](WindowDescription& d) { d.bindings[0].control = 0x16019999u; }},
        {"binding for another window", [](WindowDescription& d) { d.bindings[0].window = 0x52010001u; }},
        {"duplicate binding", [](WindowDescription& d) { d.bindings.push_back(d.bindings[0]); }},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.name);
        WindowDescription description = smallWindow();
        refused.spoil(description);
        QString shown;
        answering_ = test_support::answerNextMessageBox([&](QMessageBox& box) {
            shown = box.text();
            box.accept();
        });
        EXPECT_FALSE(loadWindow(description));
        EXPECT_TRUE(shown.startsWith(QString::fromUtf8("无法载入窗口："))) << shown.toStdString();
        EXPECT_EQ(findWindow(kTestWindow), nullptr);
        delete answering_;
    }
}

TEST_F(FormLayerTest, BuildsControlsInPlaceAndGroupBoxChildrenInsideTheGroup) {
    load();
    // The stored size is the outer one; the client gets what the platform's frame leaves.
    const QMargins frame = window_->windowHandle()->frameMargins();
    EXPECT_EQ(window_->frameGeometry().size(), QSize(300, 200));
    EXPECT_EQ(window_->size(), QSize(300 - frame.left() - frame.right(), 200 - frame.top() - frame.bottom()));
    EXPECT_EQ(window_->windowTitle(), QString("Test"));
    EXPECT_EQ(widgetOf(kButton)->parentWidget(), window_);
    EXPECT_EQ(widgetOf(kButton)->geometry(), QRect(10, 10, 60, 24));
    EXPECT_EQ(widgetOf(kLabel)->parentWidget(), widgetOf(kGroup));
    EXPECT_EQ(widgetOf(kLabel)->geometry(), QRect(6, 30, 80, 24));
}

TEST_F(FormLayerTest, HeldEventsReachNoHandler) {
    load();
    auto* button = static_cast<QPushButton*>(widgetOf(kButton));
    holdEvents();
    button->click();
    EXPECT_EQ(clicks, 0);
    releaseEvents();
    button->click();
    EXPECT_EQ(clicks, 1);
}

TEST_F(FormLayerTest, PlacesAndSizesAreClampedNotRefused) {
    load();
    struct Case {
        std::int32_t property;
        std::int32_t written;
        std::int32_t read;
    };
    const Case cases[] = {
        {property::kWidth, 40000, 32627}, {property::kWidth, -5, 0},     {property::kHeight, 40000, 32627},
        {property::kHeight, -5, 0},       {property::kLeft, 40000, 32627}, {property::kLeft, -40000, -32627},
        {property::kTop, 32627, 32627},   {property::kTop, 12, 12},
    };
    for (const Case& write : cases) {
        SCOPED_TRACE(::testing::PrintToString(write.property) + " <- " + ::testing::PrintToString(write.written));
        writeProperty(kTestWindow, kButton, property::kWidth, 60);
        writeProperty(kTestWindow, kButton, property::kHeight, 24);
        writeProperty(kTestWindow, kButton, write.property, write.written);
        EXPECT_EQ(readNumber(kTestWindow, kButton, write.property), write.read);
        const QRect placed = widgetOf(kButton)->geometry();
        const std::int32_t shown[] = {placed.x(), placed.y(), placed.width(), placed.height()};
        EXPECT_EQ(shown[write.property], write.read);
        // The other dimension stays as it was.
        if (write.property == property::kWidth) {
            EXPECT_EQ(placed.height(), 24);
        }
        if (write.property == property::kHeight) {
            EXPECT_EQ(placed.width(), 60);
        }
    }
}

TEST_F(FormLayerTest, LabelFillsItsWholeRectangleOverAnyParent) {
    load();
    // The group box behind the label is red; the label's own background is the button face.
    const QImage grabbed = widgetOf(kLabel)->grab().toImage();
    const QRgb face = buttonFaceColour().rgb();
    for (const QPoint corner : {QPoint(0, 0), QPoint(79, 0), QPoint(0, 23), QPoint(79, 23)}) {
        EXPECT_EQ(grabbed.pixel(corner), face) << corner.x() << "," << corner.y();
    }
}

TEST_F(FormLayerTest, CreatedRunsWhileTheWindowIsStillHidden) {
    WindowDescription description = smallWindow();
    description.bindings.push_back({kTestWindow, kWindowEntryId, 0, &createdShowsABox});
    bool hiddenWhileBoxShown = false;
    answering_ = test_support::answerNextMessageBox([&](QMessageBox& box) {
        hiddenWhileBoxShown = !findWindow(kTestWindow)->isVisible();
        box.accept();
    });
    ASSERT_TRUE(loadWindow(description));
    EXPECT_TRUE(hiddenWhileBoxShown);
    EXPECT_FALSE(windowShownDuringCreated);
    EXPECT_TRUE(findWindow(kTestWindow)->isVisible());  // shown once the handler has returned
}

TEST_F(FormLayerTest, ExitRoutinesRunOnceInRegistrationOrder) {
    exitOrder.clear();
    registerExitRoutine(&firstExitRoutine);
    registerExitRoutine(&secondExitRoutine);
    load();
    EXPECT_EQ(endProgram(0), 0);
    EXPECT_EQ(exitOrder, (std::vector<int>{1, 2}));
    EXPECT_EQ(findWindow(kTestWindow), nullptr);
    EXPECT_EQ(endProgram(0), 0);
    EXPECT_EQ(exitOrder.size(), 2u);
}

TEST_F(FormLayerTest, MessageBoxCaptionsButtonsAndResults) {
    struct Case {
        std::uint32_t flags;
        std::optional<std::string> title;
        const char* press;
        std::int32_t result;
        int buttons;
    };
    const Case cases[] = {
        {kOkOnly, std::nullopt, "确定", 0, 1},
        {kOkCancel, std::string("标题"), "取消", 1, 2},
        {kAbortRetryIgnore, std::nullopt, "中止", 2, 3},
        {kAbortRetryIgnore, std::nullopt, "重试", 3, 3},
        {kAbortRetryIgnore, std::nullopt, "忽略", 4, 3},
        {kYesNo | kIconQuestion, std::nullopt, "是", 5, 2},
        {kYesNoCancel, std::nullopt, "否", 6, 3},
    };
    for (const Case& shown : cases) {
        SCOPED_TRACE(shown.press);
        QString caption;
        int buttons = 0;
        answering_ = test_support::answerNextMessageBox([&](QMessageBox& box) {
            caption = box.windowTitle();
            buttons = static_cast<int>(box.buttons().size());
            test_support::clickButton(box, shown.press);
        });
        EXPECT_EQ(messageBox("文字", shown.flags, shown.title), shown.result);
        EXPECT_EQ(caption, QString::fromStdString(shown.title.value_or("信息：")));
        EXPECT_EQ(buttons, shown.buttons);
        delete answering_;
    }
}

TEST_F(FormLayerTest, MessageBoxKeepsInputFromEveryWindowWhileShown) {
    load();
    QWidget* button = widgetOf(kButton);
    const QPoint onButton = button->mapTo(window_, button->rect().center());
    bool modal = false;
    answering_ = test_support::answerNextMessageBox([&](QMessageBox& box) {
        modal = box.windowModality() == Qt::ApplicationModal && QApplication::activeModalWidget() == &box;
        // A real click on the window's button while the box is up goes nowhere.
        QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, {}, onButton);
        QCoreApplication::processEvents();
        box.button(QMessageBox::Ok) ? box.button(QMessageBox::Ok)->click() : box.buttons().front()->click();
    });
    EXPECT_EQ(messageBox("文字"), 0);
    EXPECT_TRUE(modal);
    EXPECT_EQ(clicks, 0);
    // Once the box is gone the same click goes through.
    QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, {}, onButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace tavrel::forms
