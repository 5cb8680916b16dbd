#include "forms/drop_target.h"

#include <string>

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

// Plain text the source offers as such: the toolkit's hasText() also answers yes for a bare file
// list, which carries no text of its own.
bool offersText(const QMimeData& data) { return data.hasFormat(QStringLiteral("text/plain")); }

bool offersFiles(const QMimeData& data) {
    if (!data.hasUrls()) return false;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) return true;
    }
    return false;
}

bool offersAddress(const QMimeData& data) {
    if (!data.hasUrls()) return false;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) return true;
    }
    return false;
}

// Every file of the list as a native path: the one path alone, or each path followed by "\r\n".
std::string droppedPaths(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    if (paths.size() == 1) return paths.front();
    std::string joined;
    for (const std::string& path : paths) joined += path + "\r\n";
    return joined;
}

}  // namespace

DropTarget::DropTarget(const ControlRecord& record, FormWindow& window) : QObject(&window), Control(record, window) {}

DropTarget::~DropTarget() {
    // The window may be going down around us: only stop listening.
    if (registered_ && qApp) qApp->removeEventFilter(this);
}

bool DropTarget::registerDropTarget(QWidget* window) {
    if (registered_ || !window) return false;
    registered_ = true;
    window_ = window;
    windowAcceptedDrops_ = window->acceptDrops();
    // Drags over a child that takes no drops go to the window; those over one that does (an edit
    // box) are taken before it sees them, so the whole window is one drop zone.
    window->setAcceptDrops(true);
    qApp->installEventFilter(this);
    return true;
}

void DropTarget::unregisterDropTarget() {
    if (!registered_) return;
    registered_ = false;
    if (qApp) qApp->removeEventFilter(this);
    if (window_) window_->setAcceptDrops(windowAcceptedDrops_);
    window_ = nullptr;
    acceptable_ = false;
}

Qt::DropAction DropTarget::chooseEffect(bool acceptable, Qt::KeyboardModifiers keys, Qt::DropActions allowed) {
    if (!acceptable) return Qt::IgnoreAction;
    const bool ctrl = keys.testFlag(Qt::ControlModifier);
    const bool shift = keys.testFlag(Qt::ShiftModifier);
    if (ctrl || shift) {
        const Qt::DropAction asked = ctrl && shift ? Qt::LinkAction : ctrl ? Qt::CopyAction : Qt::MoveAction;
        return asked != Qt::LinkAction && allowed.testFlag(asked) ? asked : Qt::IgnoreAction;
    }
    for (const Qt::DropAction offered : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction}) {
        if (allowed.testFlag(offered)) return offered;
    }
    return Qt::IgnoreAction;
}

bool DropTarget::offersAccepted(const QMimeData& data) const {
    // In the order text, files, web address, HTML.
    return (setting(kAcceptText) && offersText(data)) || (setting(kAcceptFiles) && offersFiles(data)) ||
           (setting(kAcceptUrl) && offersAddress(data)) || (setting(kAcceptHtml) && data.hasHtml());
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::DragLeave && type != QEvent::Drop) {
        return false;
    }
    auto* watchedWidget = qobject_cast<QWidget*>(watched);
    if (!window_ || !watchedWidget || (watchedWidget != window_ && !window_->isAncestorOf(watchedWidget))) return false;

    switch (type) {
        case QEvent::DragEnter: {
            auto& enter = static_cast<QDragEnterEvent&>(*event);
            acceptable_ = enter.mimeData() && offersAccepted(*enter.mimeData());
            answer(enter);
            return true;
        }
        case QEvent::DragMove: answer(static_cast<QDragMoveEvent&>(*event)); return true;
        case QEvent::DragLeave: acceptable_ = false; return true;
        default: dropped(static_cast<QDropEvent&>(*event)); return true;
    }
}

// While a message box or dialog holds the program the window takes no drops either: a handler
// must not start under another one that waits for the user.
bool DropTarget::blockedByModal() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && window_ && modal->window() != window_->window();
}

void DropTarget::answer(QDragMoveEvent& event) const {
    const Qt::DropAction effect = chooseEffect(acceptable_ && !blockedByModal(), event.modifiers(), event.possibleActions());
    event.setDropAction(effect);
    event.setAccepted(effect != Qt::IgnoreAction);
}

void DropTarget::dropped(QDropEvent& event) {
    const Qt::DropAction effect = chooseEffect(acceptable_ && !blockedByModal(), event.modifiers(), event.possibleActions());
    // The handlers may close the window; the data stays with the drag, this object may not.
    const QPointer<DropTarget> alive(this);
    const QMimeData* data = event.mimeData();
    if (effect != Qt::IgnoreAction && data) {
        // Text that comes with HTML is the HTML's plain rendering: the HTML step stands for it.
        if (setting(kAcceptText) && offersText(*data) && !data->hasHtml()) {
            fireEvent(kTextDropped, {.text = data->text().toStdString()});
        }
        if (alive && setting(kAcceptHtml) && data->hasHtml()) {  // cppcheck-suppress knownConditionTrueFalse ; a handler may have deleted this object
            fireEvent(kHtmlDropped, {.text = data->html().replace(QChar(0x00A0), QLatin1Char(' ')).toStdString()});
        }
        if (alive && setting(kAcceptUrl) && offersAddress(*data)) {  // cppcheck-suppress knownConditionTrueFalse ; a handler may have deleted this object
            for (const QUrl& url : data->urls()) {
                if (url.isLocalFile()) continue;
                fireEvent(kUrlDropped, {.text = url.toString().toStdString()});
                break;
            }
        }
        if (alive && setting(kAcceptFiles) && offersFiles(*data)) {  // cppcheck-suppress knownConditionTrueFalse ; a handler may have deleted this object
            fireEvent(kFilesDropped, {.text = droppedPaths(*data)});
        }
    }
    // The source always learns that nothing was done with its data, so no source ever deletes
    // the file it offered as if it had been moved.
    event.setDropAction(Qt::IgnoreAction);
    event.ignore();
}

}  // namespace tavrel::forms
