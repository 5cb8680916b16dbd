#pragma once
// Shared by the form-layer and main-window tests: the application object (made once per test
// program, offscreen, without scaling) and answering modal message boxes from a timer.

#include <functional>

#include <QPointer>
#include <QTimer>

class QMessageBox;

namespace tavrel::test_support {

// Polls for the next application-modal message box and hands it to `answer`, which must close
// it (e.g. click a button). The returned timer stops itself after answering; delete it at the
// end of the test in case no box came.
QPointer<QTimer> answerNextMessageBox(std::function<void(QMessageBox&)> answer);

// Clicks the box's button with this text (UTF-8).
void clickButton(QMessageBox& box, const char* text);

}  // namespace tavrel::test_support
