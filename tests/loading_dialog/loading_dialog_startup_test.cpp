// The program's start and end around the loading-dialog module: its initialiser has run before
// the window is built, and the exit routine releases its GUID buffer.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include <QTimer>
#include <QWidget>

#include "app/app_state.h"
#include "app/entry.h"
#include "app/shell_handlers.h"
#include "forms/description.h"
#include "forms/form_layer.h"
#include "forms/window_class.h"
#include "loading_dialog/loading_dialog.h"

namespace tavrel {
namespace {

constexpr forms::WindowId kTestWindow = 0x52010098u;

std::size_t guidSizeAtCreation = 0;
bool classKnownAtCreation = false;

// Looks at the module when the window has just been built, then closes the window so the
// program ends.
void windowCreatedRecorder() {
    guidSizeAtCreation = loadingDialogGlobals().frameDimensionGuid.size();
    classKnownAtCreation = forms::isWindowClassRegistered(kLoadingDialogClass);
    QTimer::singleShot(0, [] {
        if (QWidget* window = forms::windowHandle(kTestWindow)) window->close();
    });
}

// A bare window of 200 x 100 whose created handler is the recorder.
forms::WindowDescription bareWindow() {
    forms::ControlRecord window;
    window.kind = forms::KindCode::Window;
    window.id = forms::kWindowEntryId;
    window.width = 200;
    window.height = 100;
    window.flags = forms::kVisible;
    window.block = {6, {{8, std::string("Start")}}};  // caption

    forms::WindowDescription description;
    description.id = kTestWindow;
    description.records = {window};
    description.bindings = {{kTestWindow, forms::kWindowEntryId, 0, &windowCreatedRecorder}};
    return description;
}

TEST(LoadingDialogStartUpTest, InitialisedBeforeTheWindowAndItsGuidReleasedAtTheEnd) {
    ASSERT_TRUE(loadingDialogGlobals().frameDimensionGuid.empty());
    EXPECT_EQ(runProgram(bareWindow()), 0);
    EXPECT_EQ(guidSizeAtCreation, 16u);
    EXPECT_TRUE(classKnownAtCreation);
    EXPECT_TRUE(loadingDialogGlobals().frameDimensionGuid.empty());
}

TEST(LoadingDialogStartUpTest, TheExitRoutineReleasesTheGuidWithTheStateBuffers) {
    initialiseLoadingDialog();
    appState().sourcePath = "dropped.png";
    appState().sourceBytes = {1, 2};
    exitRoutine();
    EXPECT_TRUE(loadingDialogGlobals().frameDimensionGuid.empty());
    EXPECT_TRUE(appState().sourcePath.empty());
    EXPECT_TRUE(appState().sourceBytes.empty());
    exitRoutine();  // a second run finds everything empty already
    EXPECT_TRUE(loadingDialogGlobals().frameDimensionGuid.empty());
}

}  // namespace
}  // namespace tavrel
