#include "forms/form_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include "forms/colours.h"
#include "forms/form_layer.h"

namespace tavrel::forms {
namespace {

// Window settings by property number.
constexpr std::int32_t kCaption = 8;
constexpr std::int32_t kBorderStyle = 9;
constexpr std::int32_t kBackgroundColour = 10;
constexpr std::int32_t kControlButton = 15;
constexpr std::int32_t kMaximiseButton = 16;
constexpr std::int32_t kMinimiseButton = 17;
constexpr std::int32_t kStartPosition = 18;
constexpr std::int32_t kIcon = 20;
constexpr std::int32_t kEscapeCloses = 22;
constexpr std::int32_t kAlwaysOnTop = 29;
constexpr std::int32_t kClassName = 31;

// Border styles: 0 none, 1 resizable, 2 fixed, 3 resizable tool window, 4 fixed tool window,
// 5 resizable and 6 fixed with a sunken client edge.
constexpr std::int32_t kNoBorder = 0;
bool isResizableStyle(std::int32_t style) { return style == 1 || style == 3 || style == 5; }
bool isToolStyle(std::int32_t style) { return style == 3 || style == 4; }

// Start positions: 0 the stored place, 1 centred on the primary screen, 2 minimised, 3 maximised.
constexpr std::int32_t kCentred = 1;
constexpr std::int32_t kMinimised = 2;
constexpr std::int32_t kMaximised = 3;

}  // namespace

FormWindow::FormWindow(const ControlRecord& record, WindowId formId)
    : QWidget(nullptr), Control(record, *this), formId_(formId) {
    setAttribute(Qt::WA_QuitOnClose, false);  // the form layer decides when the program ends
    setAutoFillBackground(true);
}

FormWindow::~FormWindow() {
    // Qt deletes the controls after this part of the window is gone: detach them now, so input
    // that arrives while they go down reaches no control.
    closing_ = true;
    for (Control* control : controls_) control->detachInputs();
    detachInputs();
}

Control* FormWindow::find(ControlId id) {
    if (id == kWindowEntryId) return this;
    for (Control* control : controls_) {
        if (control->id() == id) return control;
    }
    return nullptr;
}

std::vector<Control*> FormWindow::tabCycle() {
    std::vector<Control*> cycle;
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        Control* control = *it;
        QWidget* focus = control->focusTarget();
        if (!control->tabStop() || !focus) continue;
        if (!control->widget()->isVisibleTo(this) || !focus->isEnabledTo(this)) continue;
        cycle.push_back(control);
    }
    std::stable_sort(cycle.begin(), cycle.end(),
                     [](const Control* a, const Control* b) { return a->tabOrder() < b->tabOrder(); });
    return cycle;
}

void FormWindow::moveFocus(bool forward) {
    const std::vector<Control*> cycle = tabCycle();
    if (cycle.empty()) return;
    const Control* current = controlOfWidget(QApplication::focusWidget());
    auto at = std::find(cycle.begin(), cycle.end(), current);
    std::size_t next = 0;
    if (at == cycle.end()) {
        next = forward ? 0 : cycle.size() - 1;
    } else {
        const std::size_t index = static_cast<std::size_t>(at - cycle.begin());
        next = forward ? (index + 1) % cycle.size() : (index + cycle.size() - 1) % cycle.size();
    }
    cycle[next]->focusTarget()->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool FormWindow::escapeCloses() const { return numberSetting(kEscapeCloses) != 0; }

void FormWindow::placeAtStart() {
    switch (numberSetting(kStartPosition)) {
        case kCentred:
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->geometry();
                left_ = area.x() + (area.width() - width_) / 2;
                top_ = area.y() + (area.height() - height_) / 2;
            }
            break;
        case kMinimised: setWindowState(Qt::WindowMinimized); break;
        case kMaximised:
            if (resizable()) setWindowState(Qt::WindowMaximized);
            break;
        default: break;
    }
    applyGeometry();
}

void FormWindow::applySetting(std::int32_t number) {
    switch (number) {
        case kCaption: setWindowTitle(QString::fromStdString(textSetting(kCaption))); break;
        case kBorderStyle:
        case kControlButton:
        case kMaximiseButton:
        case kMinimiseButton:
        case kAlwaysOnTop: applyFrame(); break;
        case kBackgroundColour: {
            QPalette colours = palette();
            colours.setColor(QPalette::Window, colourFromRef(colourSetting(kBackgroundColour)));
            setPalette(colours);
            break;
        }
        case kIcon: {
            const Bytes icon = bytesSetting(kIcon);
            QPixmap picture;
            if (!icon.empty() && icon.size() <= static_cast<std::size_t>(INT32_MAX) &&
                picture.loadFromData(icon.data(), static_cast<uint>(icon.size()))) {
                setWindowIcon(QIcon(picture));
            }
            break;
        }
        case kClassName: {
            // The class name is what the window system groups and names the program's windows by.
            const QString className = QString::fromStdString(textSetting(kClassName));
            if (!className.isEmpty()) {
                QCoreApplication::setApplicationName(className);
                QGuiApplication::setDesktopFileName(className);
            }
            break;
        }
        default: break;
    }
}

void FormWindow::applyFrame() {
    const std::int32_t style = std::clamp(numberSetting(kBorderStyle), 0, 6);
    Qt::WindowFlags flags = isToolStyle(style) ? Qt::Tool : Qt::Window;
    if (style == kNoBorder) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (numberSetting(kControlButton) != 0) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (numberSetting(kMinimiseButton) != 0) flags |= Qt::WindowMinimizeButtonHint;
        if (numberSetting(kMaximiseButton) != 0 && isResizableStyle(style)) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (numberSetting(kAlwaysOnTop) != 0) flags |= Qt::WindowStaysOnTopHint;
    if (flags == windowFlags()) return;
    const bool wasShown = isVisible();
    setWindowFlags(flags);  // hides a shown window
    if (wasShown) show();
    fitOuterSize();
}

bool FormWindow::resizable() const { return isResizableStyle(std::clamp(numberSetting(kBorderStyle), 0, 6)); }

void FormWindow::applyGeometry() {
    move(left_, top_);
    fitOuterSize();
}

void FormWindow::fitOuterSize() {
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize client(std::max(0, width_ - frame.left() - frame.right()),
                       std::max(0, height_ - frame.top() - frame.bottom()));
    if (resizable()) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (size() != client) resize(client);
    } else if (minimumSize() != client || maximumSize() != client) {
        setFixedSize(client);
    }
}

void FormWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closing_) return;
    fireEvent(static_cast<std::int32_t>(WindowEvent::CloseQuery));
    // The handler still finds the window and every control alive; after it nothing more is
    // delivered, and the window is taken down once this event has run its course.
    fireEvent(static_cast<std::int32_t>(WindowEvent::WillBeDestroyed));
    closing_ = true;
    detail::unloadLater(*this);
}

void FormWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitOuterSize();
}

void FormWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!isVisible()) return;
    left_ = x();
    top_ = y();
    // A window manager reports its frame late: that is when the client can be fitted.
    fitOuterSize();
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!isVisible()) return;
    if (resizable()) {
        width_ = frameGeometry().width();
        height_ = frameGeometry().height();
    } else {
        fitOuterSize();
    }
}

}  // namespace tavrel::forms
