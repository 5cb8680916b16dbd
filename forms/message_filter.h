#pragma once
// The form windows' message pre-processing: looks at keyboard, mouse and focus input before the
// addressed control does, moves the focus on Tab, closes on Esc and raises the common events.

#include <QObject>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace tavrel::forms {

class MessageFilter final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    bool keyPressed(QObject* target, QKeyEvent* key);
    void keyReleased(QObject* target, QKeyEvent* key);
    void mouseEvent(QObject* target, QMouseEvent* mouse);
    void wheelTurned(QObject* target, QWheelEvent* wheel);
    void focusChanged(QObject* target, bool gained);
};

}  // namespace tavrel::forms
