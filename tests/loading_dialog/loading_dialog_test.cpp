// The loading-dialog module: the frame-dimension GUID, the window class registry and the
// initialiser, what a dialog releases when it is destroyed, and dragging it by its client area.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QVariant>

#include "forms/window_class.h"
#include "loading_dialog/dialog_resources.h"
#include "loading_dialog/guid.h"
#include "loading_dialog/loading_dialog.h"

namespace tavrel {
namespace {

using GuidBytes = std::array<std::uint8_t, kGuidSize>;

// {6AEDBD6D-3FB5-418A-83A6-7F45229DC872} as the platform stores it.
constexpr GuidBytes kFrameDimensionTime = {
    0x6D, 0xBD, 0xED, 0x6A,  // Data1, little-endian
    0xB5, 0x3F,              // Data2, little-endian
    0x8A, 0x41,              // Data3, little-endian
    0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72,  // Data4, as written
};

GuidBytes parsed(const std::string& text, bool& ok) {
    GuidBytes bytes;
    bytes.fill(0xAA);  // whatever was there before must not survive a failure
    ok = parseGuid(text, bytes);
    return bytes;
}

TEST(GuidTest, BracedTextsOfEitherCaseGiveThePlatformByteOrder) {
    for (const char* text : {"{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}", "{6aedbd6d-3fb5-418a-83a6-7f45229dc872}",
                             "{6aEdBd6D-3Fb5-418A-83a6-7F45229dC872}"}) {
        SCOPED_TRACE(text);
        bool ok = false;
        EXPECT_EQ(parsed(text, ok), kFrameDimensionTime);
        EXPECT_TRUE(ok);
    }
    EXPECT_STREQ(kFrameDimensionTimeText, "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}");
}

TEST(GuidTest, MalformedTextsGiveZerosAndFalse) {
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"no braces", "6AEDBD6D-3FB5-418A-83A6-7F45229DC872"},
        {"closing brace missing", "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872"},
        {"one digit short", "{6AEDBD6D-3FB5-418A-83A6-7F45229DC87}"},
        {"one digit too many", "{6AEDBD6D-3FB5-418A-83A6-7F45229DC8721}"},
        {"not a hex digit", "{6AEDBD6D-3FB5-418A-83A6-7F45229DC87G}"},
        {"dash moved", "{6AEDBD6-D3FB5-418A-83A6-7F45229DC872}"},
        {"sign inside a field", "{+AEDBD6D-3FB5-418A-83A6-7F45229DC872}"},
        {"space inside a field", "{ AEDBD6D-3FB5-418A-83A6-7F45229DC872}"},
        {"trailing space", "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872} "},
        {"parentheses", "(6AEDBD6D-3FB5-418A-83A6-7F45229DC872)"},
        {"zero byte inside", std::string("{6AEDBD6D-3FB5-418A-83A6-7F45229DC87\0}", 38)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = true;
        EXPECT_EQ(parsed(c.text, ok), GuidBytes{});
        EXPECT_FALSE(ok);
    }
}

QWidget* makePlainWindow() { return new QWidget; }
QWidget* makeOtherPlainWindow() { return new QLabel(); }
QWidget* childFactoryParent = nullptr;

// Classes are never unregistered, so a repeated run needs names of its own.
std::string freshClassName(const char* stem) {
    static int made = 0;
    return stem + std::to_string(++made);
}
QWidget* makeChildWidget() { return new QWidget(childFactoryParent); }

TEST(WindowClassTest, ANameRegistersOnceAndItsFirstFactoryMakesTheWindows) {
    const std::string name = freshClassName("TestWindowClass");
    EXPECT_TRUE(forms::registerWindowClass(name, &makePlainWindow));
    EXPECT_FALSE(forms::registerWindowClass(name, &makeOtherPlainWindow));
    EXPECT_FALSE(forms::registerWindowClass("", &makePlainWindow));
    EXPECT_FALSE(forms::registerWindowClass("NoFactory", nullptr));
    EXPECT_FALSE(forms::isWindowClassRegistered("NoFactory"));

    std::unique_ptr<QWidget> window(forms::createWindowOfClass(name));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(qobject_cast<QLabel*>(window.get()), nullptr);  // the first factory's kind
    EXPECT_TRUE(window->isWindow());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(forms::createWindowOfClass("UnknownWindowClass"), nullptr);
}

TEST(WindowClassTest, AWindowMadeWithAParentStandsAloneAndBelongsToTheCaller) {
    QWidget parent;
    childFactoryParent = &parent;
    const std::string name = freshClassName("ChildMakingClass");
    ASSERT_TRUE(forms::registerWindowClass(name, &makeChildWidget));
    std::unique_ptr<QWidget> window(forms::createWindowOfClass(name));
    childFactoryParent = nullptr;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parent(), nullptr);
    EXPECT_TRUE(window->isWindow());
}

TEST(LoadingDialogModuleTest, TheInitialiserParsesTheGuidKeepsTheTokenZeroAndRegistersTheClass) {
    // The entry may run more than once in one process (the tests do); each run leaves the same.
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        initialiseLoadingDialog();
        const LoadingDialogGlobals& globals = loadingDialogGlobals();
        EXPECT_EQ(globals.gdiplusToken, 0u);
        ASSERT_EQ(globals.frameDimensionGuid.size(), kGuidSize);
        EXPECT_TRUE(std::equal(kFrameDimensionTime.begin(), kFrameDimensionTime.end(),
                               globals.frameDimensionGuid.begin()));
        EXPECT_FALSE(forms::registerWindowClass(kLoadingDialogClass, &makePlainWindow));

        std::unique_ptr<QWidget> window(forms::createWindowOfClass(kLoadingDialogClass));
        ASSERT_NE(qobject_cast<LoadingDialog*>(window.get()), nullptr);
        EXPECT_TRUE(window->isWindow());
        EXPECT_FALSE(window->isVisible());
    }
    releaseFrameDimensionGuid();
    EXPECT_TRUE(loadingDialogGlobals().frameDimensionGuid.empty());
    EXPECT_EQ(loadingDialogGlobals().frameDimensionGuid.capacity(), 0u);
    releaseFrameDimensionGuid();  // an empty buffer costs nothing
    EXPECT_TRUE(loadingDialogGlobals().frameDimensionGuid.empty());
}

// How often each release step ran, and how many of the objects are gone.
struct Tally {
    int stopped = 0;
    int released = 0;
    int freed = 0;
    int destroyed = 0;
};

class FakeThread final : public DialogThread {
public:
    explicit FakeThread(Tally& tally) : tally_(tally) {}
    ~FakeThread() override { ++tally_.destroyed; }
    void stop() noexcept override { ++tally_.stopped; }

private:
    Tally& tally_;
};

class FakeImage final : public DialogImage {
public:
    explicit FakeImage(Tally& tally) : tally_(tally) {}
    ~FakeImage() override { ++tally_.destroyed; }
    void release() noexcept override { ++tally_.released; }

private:
    Tally& tally_;
};

class FakeMemory final : public DialogMemory {
public:
    explicit FakeMemory(Tally& tally) : tally_(tally) {}
    ~FakeMemory() override { ++tally_.destroyed; }
    void free() noexcept override { ++tally_.freed; }

private:
    Tally& tally_;
};

struct Handles {
    ResourceHandle thread;
    ResourceHandle image;
    ResourceHandle memory;
};

Handles adoptFakes(Tally& tally) {
    return {adoptResource(std::make_unique<FakeThread>(tally)), adoptResource(std::make_unique<FakeImage>(tally)),
            adoptResource(std::make_unique<FakeMemory>(tally))};
}

void setHandles(QWidget& dialog, const Handles& handles) {
    setDialogProperty(dialog, kThreadProperty, handles.thread);
    setDialogProperty(dialog, kImageProperty, handles.image);
    setDialogProperty(dialog, kStreamProperty, handles.memory);
}

class LoadingDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initialiseLoadingDialog(); }

    // A dialog as a creator makes one: by its class name.
    static QPointer<QWidget> makeDialog() { return forms::createWindowOfClass(kLoadingDialogClass); }
    static void showAndWait(QWidget& dialog) {
        dialog.resize(200, 120);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    static void destroyByClosing(QPointer<QWidget>& dialog) {
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialog.isNull());
    }
};

TEST_F(LoadingDialogTest, WithoutPropertiesItReleasesNothingAndAPressDoesNotMoveIt) {
    Tally tally;
    const Handles handles = adoptFakes(tally);  // handed out, but the dialog is never told
    QPointer<QWidget> dialog = makeDialog();
    ASSERT_NE(dialog, nullptr);
    showAndWait(*dialog);
    QSignalSpy moves(qobject_cast<LoadingDialog*>(dialog.data()), &LoadingDialog::systemMoveRequested);
    QTest::mousePress(dialog, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(dialog, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(moves.count(), 0);

    destroyByClosing(dialog);
    EXPECT_EQ(tally.stopped + tally.released + tally.freed + tally.destroyed, 0);
    // Still in the table: their owner can have them back.
    EXPECT_NE(takeDialogThread(handles.thread), nullptr);
    EXPECT_NE(takeDialogImage(handles.image), nullptr);
    EXPECT_NE(takeDialogMemory(handles.memory), nullptr);
}

TEST_F(LoadingDialogTest, DestroyingReleasesEachOwnedResourceExactlyOnce) {
    // Deleted outright or closed by the user, the window goes the same way.
    for (const bool byClosing : {false, true}) {
        SCOPED_TRACE(byClosing ? "closed" : "deleted");
        Tally tally;
        const Handles handles = adoptFakes(tally);
        QPointer<QWidget> dialog = makeDialog();
        // A second window naming the same objects must not release them again.
        QPointer<QWidget> sameHandles = makeDialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_NE(sameHandles, nullptr);
        setHandles(*dialog, handles);
        setHandles(*sameHandles, handles);
        showAndWait(*dialog);

        if (byClosing) destroyByClosing(dialog);
        else delete dialog.data();
        EXPECT_EQ(tally.stopped, 1);
        EXPECT_EQ(tally.released, 1);
        EXPECT_EQ(tally.freed, 1);
        EXPECT_EQ(tally.destroyed, 3);

        delete sameHandles.data();
        EXPECT_EQ(tally.stopped, 1);
        EXPECT_EQ(tally.released, 1);
        EXPECT_EQ(tally.freed, 1);
        EXPECT_EQ(tally.destroyed, 3);
        EXPECT_EQ(takeDialogThread(handles.thread), nullptr);
    }
}

TEST_F(LoadingDialogTest, HandlesOfAnotherKindUnknownNumbersAndTextsAreLeftAlone) {
    Tally tally;
    const Handles handles = adoptFakes(tally);
    QPointer<QWidget> dialog = makeDialog();
    ASSERT_NE(dialog, nullptr);
    setDialogProperty(*dialog, kThreadProperty, handles.image);  // an image is no thread
    setDialogProperty(*dialog, kImageProperty, handles.memory + 1000);  // never handed out
    dialog->setProperty(kStreamProperty, QString::number(handles.memory));  // a text, not a handle
    delete dialog.data();

    EXPECT_EQ(tally.stopped + tally.released + tally.freed + tally.destroyed, 0);
    EXPECT_NE(takeDialogImage(handles.image), nullptr);
    EXPECT_NE(takeDialogMemory(handles.memory), nullptr);
    EXPECT_NE(takeDialogThread(handles.thread), nullptr);
}

TEST_F(LoadingDialogTest, ARealWorkerIsAskedToStopAndHasFinishedWhenTheWindowIsGone) {
    std::atomic<bool> finished = false;
    std::unique_ptr<DialogThread> worker = startDialogWorker([&finished](std::stop_token token) {
        while (!token.stop_requested()) std::this_thread::yield();
        finished = true;
    });
    ASSERT_NE(worker, nullptr);
    const ResourceHandle handle = adoptResource(std::move(worker));
    ASSERT_NE(handle, 0u);
    QPointer<QWidget> dialog = makeDialog();
    ASSERT_NE(dialog, nullptr);
    setDialogProperty(*dialog, kThreadProperty, handle);
    delete dialog.data();
    EXPECT_TRUE(finished);
}

TEST_F(LoadingDialogTest, OnlyALeftPressWithHitMoveOneAsksTheSystemToMoveTheWindow) {
    struct Case {
        const char* name;
        QVariant hitMove;  // invalid: the property is absent
        Qt::MouseButton button;
        int moves;
    };
    const std::vector<Case> cases = {
        {"1 as a handle-sized number", QVariant::fromValue<qulonglong>(1), Qt::LeftButton, 1},
        {"1 as an int", QVariant(1), Qt::LeftButton, 1},
        {"true", QVariant(true), Qt::LeftButton, 1},
        {"1, right button", QVariant(1), Qt::RightButton, 0},
        {"absent", QVariant(), Qt::LeftButton, 0},
        {"0", QVariant(0), Qt::LeftButton, 0},
        {"2", QVariant(2), Qt::LeftButton, 0},
        {"-1", QVariant(-1), Qt::LeftButton, 0},
        {"1 above 32 bits", QVariant::fromValue<qulonglong>(0x100000001ull), Qt::LeftButton, 0},
        {"text \"1\"", QVariant(QStringLiteral("1")), Qt::LeftButton, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<QWidget> dialog = makeDialog();
        ASSERT_NE(dialog, nullptr);
        dialog->setProperty(kHitMoveProperty, c.hitMove);
        showAndWait(*dialog);
        QSignalSpy moves(qobject_cast<LoadingDialog*>(dialog.data()), &LoadingDialog::systemMoveRequested);
        QTest::mousePress(dialog, c.button, {}, QPoint(150, 90));
        QTest::mouseRelease(dialog, c.button, {}, QPoint(150, 90));
        EXPECT_EQ(moves.count(), c.moves);
        delete dialog.data();
    }
}

}  // namespace
}  // namespace tavrel
