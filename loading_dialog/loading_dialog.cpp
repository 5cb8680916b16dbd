#include "loading_dialog/loading_dialog.h"

#include <new>
#include <span>
#include <utility>

#include <QMetaType>
#include <QMouseEvent>
#include <QPalette>
#include <QVariant>
#include <QWindow>

#include "forms/colours.h"
#include "forms/window_class.h"
#include "loading_dialog/guid.h"

namespace tavrel {
namespace {

// A property as an unsigned number. Only integer and boolean values count, as a handle would;
// a text such as "1" or an absent property reads as 0. Negative numbers wrap, so -1 is not 1.
std::uint64_t numberProperty(const QObject& object, const char* name) {
    const QVariant value = object.property(name);
    switch (value.metaType().id()) {
        case QMetaType::Bool:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong: return static_cast<std::uint64_t>(value.toLongLong());
        case QMetaType::UChar:
        case QMetaType::UShort:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong: return value.toULongLong();
        default: return 0;
    }
}

QWidget* makeLoadingDialog() { return new LoadingDialog; }

}  // namespace

LoadingDialogGlobals& loadingDialogGlobals() {
    static LoadingDialogGlobals globals;
    return globals;
}

void initialiseLoadingDialog() {
    LoadingDialogGlobals& globals = loadingDialogGlobals();
    // The new buffer is complete before the old one goes.
    try {
        ByteBuffer guid(kGuidSize, 0);
        parseGuid(kFrameDimensionTimeText, std::span<std::uint8_t, kGuidSize>(guid.data(), kGuidSize));
        globals.frameDimensionGuid = std::move(guid);
    } catch (const std::bad_alloc&) {
        // Left as it was; nothing in the program reads it.
    }
    forms::registerWindowClass(kLoadingDialogClass, &makeLoadingDialog);
}

void releaseFrameDimensionGuid() { ByteBuffer().swap(loadingDialogGlobals().frameDimensionGuid); }

void setDialogProperty(QWidget& dialog, const char* name, std::uint64_t value) {
    dialog.setProperty(name, QVariant::fromValue<qulonglong>(value));
}

LoadingDialog::LoadingDialog() : QWidget(nullptr, Qt::Window) {
    // Closing destroys the window, and with it what it owns.
    setAttribute(Qt::WA_DeleteOnClose);
    // The program ends with its main window, not with a dialog.
    setAttribute(Qt::WA_QuitOnClose, false);
    setCursor(Qt::ArrowCursor);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, forms::buttonFaceColour());
    setPalette(colours);
    setAutoFillBackground(true);
}

LoadingDialog::~LoadingDialog() { releaseOwnedResources(); }

void LoadingDialog::releaseOwnedResources() noexcept {
    // Taking a handle out of the table spends it, so two dialogs naming the same object, or a
    // stale number, release nothing twice. Each object goes when its pointer leaves scope.
    if (const std::uint64_t handle = numberProperty(*this, kThreadProperty)) {
        if (std::unique_ptr<DialogThread> thread = takeDialogThread(handle)) thread->stop();
    }
    if (const std::uint64_t handle = numberProperty(*this, kImageProperty)) {
        if (std::unique_ptr<DialogImage> image = takeDialogImage(handle)) image->release();
    }
    if (const std::uint64_t handle = numberProperty(*this, kStreamProperty)) {
        if (std::unique_ptr<DialogMemory> memory = takeDialogMemory(handle)) memory->free();
    }
}

void LoadingDialog::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || numberProperty(*this, kHitMoveProperty) != 1) return;
    // The system drags the window as if its title bar had been pressed; it takes the mouse over
    // from the press itself.
    event->accept();
    emit systemMoveRequested();
    if (QWindow* window = windowHandle()) window->startSystemMove();
}

}  // namespace tavrel
