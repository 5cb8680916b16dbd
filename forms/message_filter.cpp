#include "forms/message_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "forms/control.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

std::int32_t keyStateOf(Qt::KeyboardModifiers modifiers) {
    std::int32_t state = 0;
    if (modifiers & Qt::ControlModifier) state |= kCtrlHeld;
    if (modifiers & Qt::ShiftModifier) state |= kShiftHeld;
    if (modifiers & Qt::AltModifier) state |= kAltHeld;
    return state;
}

// The control an input is addressed to, while its window is open for events.
Control* addressedControl(QObject* target) {
    Control* control = controlOfWidget(target);
    if (!control || control->form().closing()) return nullptr;
    return control;
}

void raiseCommon(Control& control, CommonEvent event, const EventArgs& args = {}) {
    raiseEvent(control.windowId(), control.id(), static_cast<std::int32_t>(event), args);
}

bool isPrintable(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    }
    return !text.isEmpty();
}

}  // namespace

bool MessageFilter::eventFilter(QObject* target, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: return keyPressed(target, static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease: keyReleased(target, static_cast<QKeyEvent*>(event)); break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: mouseEvent(target, static_cast<QMouseEvent*>(event)); break;
        case QEvent::Wheel: wheelTurned(target, static_cast<QWheelEvent*>(event)); break;
        case QEvent::FocusIn: focusChanged(target, true); break;
        case QEvent::FocusOut: focusChanged(target, false); break;
        default: break;
    }
    return false;
}

bool MessageFilter::keyPressed(QObject* target, QKeyEvent* key) {
    if (!target->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(target);
    auto* window = qobject_cast<FormWindow*>(widget->window());
    if (!window || window->closing()) return false;

    // Key messages go to the focused control; a key passed on to a parent is not a new one.
    if (widget == QApplication::focusWidget()) {
        if (Control* control = addressedControl(widget)) {
            EventArgs args;
            args.keyState = keyStateOf(key->modifiers());
            raiseCommon(*control, CommonEvent::KeyDown, args);
            if (isPrintable(key->text())) {
                args.text = key->text().toStdString();
                raiseCommon(*control, CommonEvent::Character, args);
            }
        }
    }
    if (window->closing()) return true;

    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Tab && modifiers == Qt::NoModifier) {
        window->moveFocus(true);
        return true;
    }
    if (key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && modifiers == Qt::ShiftModifier)) {
        window->moveFocus(false);
        return true;
    }
    if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier && window->escapeCloses()) {
        window->close();
        return true;
    }
    return false;
}

void MessageFilter::keyReleased(QObject* target, QKeyEvent* key) {
    if (target != QApplication::focusWidget()) return;
    if (Control* control = addressedControl(target)) {
        EventArgs args;
        args.keyState = keyStateOf(key->modifiers());
        raiseCommon(*control, CommonEvent::KeyUp, args);
    }
}

void MessageFilter::mouseEvent(QObject* target, QMouseEvent* mouse) {
    // Qt hands an input its widget ignored on to the parent as a non-spontaneous event; only the
    // widget under the pointer (or holding the mouse) is addressed.
    if (!mouse->spontaneous()) return;
    Control* control = addressedControl(target);
    if (!control) return;
    QWidget* shown = control->widget();
    QPoint at = mouse->position().toPoint();
    if (target != shown) at = static_cast<QWidget*>(target)->mapTo(shown, at);

    CommonEvent event;
    switch (mouse->type()) {
        case QEvent::MouseMove: event = CommonEvent::MouseMove; break;
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton) event = CommonEvent::LeftDown;
            else if (mouse->button() == Qt::RightButton) event = CommonEvent::RightDown;
            else return;
            break;
        case QEvent::MouseButtonDblClick:
            if (mouse->button() != Qt::LeftButton) return;
            event = CommonEvent::LeftDoubleClick;
            break;
        case QEvent::MouseButtonRelease:
            // A control that does not hold the mouse hears a release only over itself.
            if (!control->capturesMouse() && !shown->rect().contains(at)) return;
            if (mouse->button() == Qt::LeftButton) event = CommonEvent::LeftUp;
            else if (mouse->button() == Qt::RightButton) event = CommonEvent::RightUp;
            else return;
            break;
        default: return;
    }
    // Positions travel as two unsigned 16-bit halves of one word.
    EventArgs args;
    args.x = static_cast<std::uint16_t>(at.x());
    args.y = static_cast<std::uint16_t>(at.y());
    args.keyState = keyStateOf(mouse->modifiers());
    raiseCommon(*control, event, args);
}

void MessageFilter::wheelTurned(QObject* target, QWheelEvent* wheel) {
    if (!wheel->spontaneous()) return;
    if (Control* control = addressedControl(target)) {
        EventArgs args;
        args.keyState = keyStateOf(wheel->modifiers());
        raiseCommon(*control, CommonEvent::Wheel, args);
    }
}

void MessageFilter::focusChanged(QObject* target, bool gained) {
    Control* control = addressedControl(target);
    if (!control || target != control->focusTarget()) return;
    raiseCommon(*control, gained ? CommonEvent::FocusGained : CommonEvent::FocusLost);
}

}  // namespace tavrel::forms
