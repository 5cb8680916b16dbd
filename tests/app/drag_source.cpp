// A drag source in a process of its own, for the drop test on a real X server. Started with
// FILE and a screen rectangle, it shows a small window; a mouse press in it drags FILE as a file
// list, offering copy and move with move preferred, the way a file manager does. When the drag
// is over it prints the target's final answer (the XdndFinished message: whether the drop was
// accepted, and the action performed), what the toolkit's drag reported (taken from the target's
// last status during the drag, not from that answer), and whether the rectangle (the program's
// size label) looks different from before the drag; then it quits.
//
//   drag_source --make-png FILE WIDTH HEIGHT   writes a picture to drag and exits
//   drag_source FILE X Y WIDTH HEIGHT          waits for the press that starts the drag

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDrag>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply) atom = reply->atom;
    std::free(reply);
    return atom;
}

// Catches the target's XdndFinished message before the toolkit handles it.
class FinishedWatcher final : public QAbstractNativeEventFilter {
public:
    explicit FinishedWatcher(xcb_atom_t finished) : finished_(finished) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->type != finished_) return false;
        seen = true;
        accepted = (client->data.data32[1] & 1) != 0;
        action = client->data.data32[2];
        return false;
    }

    bool seen = false;
    bool accepted = false;
    xcb_atom_t action = XCB_ATOM_NONE;

private:
    xcb_atom_t finished_;
};

class DragSource final : public QWidget {
public:
    DragSource(QString file, QRect watched, const FinishedWatcher& finished)
        : file_(std::move(file)), watched_(watched), finished_(finished) {
        setWindowTitle(QStringLiteral("tavrel-drag-source"));
        setAutoFillBackground(true);
        QPalette shade = palette();
        shade.setColor(QPalette::Window, Qt::darkBlue);
        setPalette(shade);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        const QImage before = grabWatched();
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(file_)});
        drag->setMimeData(data);
        const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);

        // The final answer and the repaint both come after the drop has been sent: wait for them
        // a few seconds at most.
        bool changed = false;
        QElapsedTimer waited;
        waited.start();
        while (!(changed && finished_.seen) && waited.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(50);
            changed = grabWatched() != before;
        }
        if (finished_.seen) {
            std::printf("finished: %s, %s\n", finished_.accepted ? "accepted" : "not accepted",
                        finished_.action == XCB_ATOM_NONE ? "no action" : "an action");
        } else {
            std::printf("finished: never\n");
        }
        std::printf("toolkit drag result: %s\n", result == Qt::IgnoreAction ? "none"
                                                 : result == Qt::MoveAction ? "move"
                                                 : result == Qt::CopyAction ? "copy"
                                                                            : "link");
        std::printf("label changed: %s\n", changed ? "yes" : "no");
        (void)std::fflush(stdout);  // a failed write shows as missing lines to the test
        QCoreApplication::quit();
    }

private:
    QImage grabWatched() const {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return {};
        return screen->grabWindow(0, watched_.x(), watched_.y(), watched_.width(), watched_.height()).toImage();
    }

    QString file_;
    QRect watched_;
    const FinishedWatcher& finished_;
};

// The whole numbers in argv[first..first+count), or nothing if one of them is not a number.
std::optional<std::array<int, 4>> numbers(char* argv[], int first, int count) {
    std::array<int, 4> values{};
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        values[static_cast<std::size_t>(i)] = QByteArray(argv[first + i]).toInt(&ok);
        if (!ok) return std::nullopt;
    }
    return values;
}

int usage(const char* program) {
    (void)std::fprintf(stderr, "usage: %s FILE X Y WIDTH HEIGHT | --make-png FILE WIDTH HEIGHT\n", program);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 5 && QByteArray(argv[1]) == "--make-png") {
        const auto size = numbers(argv, 3, 2);
        if (!size) return usage(argv[0]);
        QImage picture((*size)[0], (*size)[1], QImage::Format_RGB32);
        picture.fill(QColor(200, 40, 40));
        return picture.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
    }
    const auto rectangle = argc == 6 ? numbers(argv, 2, 4) : std::nullopt;
    if (!rectangle) return usage(argv[0]);
    QApplication application(argc, argv);
    auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        (void)std::fprintf(stderr, "not on an X server\n");
        return 2;
    }
    FinishedWatcher finished(internAtom(x11->connection(), "XdndFinished"));
    application.installNativeEventFilter(&finished);
    const auto [x, y, width, height] = *rectangle;
    DragSource source(QString::fromLocal8Bit(argv[1]), QRect(x, y, width, height), finished);
    source.setGeometry(0, 0, 120, 120);
    source.show();
    return application.exec();
}
