#pragma once
// The real main window with its real handlers, offscreen, and what the operation tests need
// around it: picture files made on the spot, drops sent through the window, answered dialogs.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <QPointer>
#include <QRect>
#include <QTimer>

#include "app/app_state.h"
#include "app/window_description.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"
#include "forms/types.h"
#include "image/bitmap.h"
#include "image/image_types.h"

class QFileDialog;
class QMessageBox;
class QMimeData;
class QWidget;

namespace tavrel::test_support {

// A picture of one colour; `colour` as red, green and blue.
Bitmap solidBitmap(std::int32_t width, std::int32_t height, Pixel colour);
// Writes bytes to a file; fails the test when it cannot.
void writeBytes(const std::filesystem::path& path, const ByteBuffer& bytes);
ByteBuffer readBytes(const std::filesystem::path& path);

// Width and height in the headers of one of our 24-bit BMP results; nullopt for anything else.
std::optional<std::pair<std::int32_t, std::int32_t>> bmpSize(const ByteBuffer& bmp);

// How a drag and its drop were answered by the window.
struct DropAnswer {
    bool enterAccepted = false;
    Qt::DropAction enterAction = Qt::IgnoreAction;
    bool dropAccepted = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

// Drags `data` into the window at `at` (window coordinates) and drops it there, through the
// window's native side, so the toolkit picks the widget under the pointer as it would for a
// real drag.
DropAnswer dragAndDrop(QWidget& window, QPoint at, const QMimeData& data,
                       Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
                       Qt::KeyboardModifiers keys = Qt::NoModifier);

// Polls for the next modal file dialog and hands it to `answer`, which must close it.
QPointer<QTimer> answerNextFileDialog(std::function<void(QFileDialog&)> answer);

// What message boxes a piece of code showed: each one's text and title, closed with its first button.
struct ShownBox {
    std::string text;
    std::string title;
    int buttons = 0;
};

class OperationsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static forms::Control* control(forms::ControlId id) { return forms::findControl(kMainWindowId, id); }
    static QWidget* widget(forms::ControlId id);
    static std::string text(forms::ControlId id) { return forms::readText(kMainWindowId, id, 8); }

    // Drops one file (or several) on the middle of the preview box.
    DropAnswer dropFiles(const std::vector<std::filesystem::path>& files, Qt::KeyboardModifiers keys = Qt::NoModifier);
    // Types into an edit box as the keyboard would, replacing its text (each key raises its event).
    void typeInto(forms::ControlId box, const std::string& typed);
    void click(forms::ControlId button);
    // Chooses a row of 组合框1 from its open list and waits for the posted event.
    void choosePreset(int row);

    // Runs `act` while answering every message box it shows; returns them in order.
    std::vector<ShownBox> collectMessageBoxes(const std::function<void()>& act);
    // Runs `act` (which opens the save dialog) and answers the dialog: the path typed, or
    // nothing for Cancel. `fileType` picks the filter entry by keyboard first (-1: leave it).
    void saveThroughDialog(const std::function<void()>& act, const std::optional<std::filesystem::path>& typed,
                           int fileType = -1);

    // The part of the preview box's client area that is not background: where the picture shows,
    // in client coordinates; empty when the box is blank.
    QRect shownPicture();

    std::filesystem::path folder_;
    forms::FormWindow* window_ = nullptr;
    std::vector<QPointer<QTimer>> answering_;
};

}  // namespace tavrel::test_support
