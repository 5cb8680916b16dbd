#include "operations_fixture.h"

#include <fstream>
#include <iterator>
#include <memory>

#include <stdlib.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "forms/control.h"
#include "image/byte_reader.h"
#include "image/draw_panel.h"
#include "image/pic_box.h"

namespace tavrel::test_support {
namespace {

// The preview box's background: 0x0080E000 as red, green, blue.
constexpr QRgb kPreviewGreen = 0xFF00E080u;

}  // namespace

Bitmap solidBitmap(std::int32_t width, std::int32_t height, Pixel colour) {
    Bitmap bitmap;
    EXPECT_TRUE(allocateBitmap(bitmap, width, height, colour));
    return bitmap;
}

void writeBytes(const std::filesystem::path& path, const ByteBuffer& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

ByteBuffer readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<std::pair<std::int32_t, std::int32_t>> bmpSize(const ByteBuffer& bmp) {
    ByteReader reader(bmp);
    if (reader.readU16le() != 0x4D42) return std::nullopt;  // "BM"
    reader.seek(18);
    const std::int32_t width = reader.readI32le();
    const std::int32_t height = reader.readI32le();
    reader.skip(2);
    const std::uint16_t bits = reader.readU16le();
    if (reader.failed() || bits != 24) return std::nullopt;
    return std::make_pair(width, height);
}

DropAnswer dragAndDrop(QWidget& window, QPoint at, const QMimeData& data, Qt::DropActions allowed,
                       Qt::KeyboardModifiers keys) {
    QWindow* native = window.windowHandle();
    DropAnswer answer;
    if (!native) {
        ADD_FAILURE() << "the window has no native side";
        return answer;
    }
    QDragEnterEvent enter(at, allowed, &data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(native, &enter);
    answer.enterAccepted = enter.isAccepted();
    answer.enterAction = enter.dropAction();
    QDropEvent drop(QPointF(at), allowed, &data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(native, &drop);
    answer.dropAccepted = drop.isAccepted();
    answer.dropAction = drop.dropAction();
    return answer;
}

QPointer<QTimer> answerNextFileDialog(std::function<void(QFileDialog&)> answer) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        answer(*dialog);
        poll->deleteLater();
    });
    poll->start();
    return poll;
}

void OperationsTest::SetUp() {
    appState() = AppState{};
    forms::initialise();
    DrawPanel::registerKind();
    PicBox::registerKind();
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-operations-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    ASSERT_TRUE(forms::loadWindow(mainWindowDescription()));
    window_ = forms::findWindow(kMainWindowId);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
}

void OperationsTest::TearDown() {
    for (const QPointer<QTimer>& timer : answering_) delete timer.data();
    forms::endProgram(0);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

QWidget* OperationsTest::widget(forms::ControlId id) {
    forms::Control* found = control(id);
    return found ? found->widget() : nullptr;
}

DropAnswer OperationsTest::dropFiles(const std::vector<std::filesystem::path>& files, Qt::KeyboardModifiers keys) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::filesystem::path& file : files) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    data.setUrls(urls);
    QWidget* box = widget(ids::图片框1);
    return dragAndDrop(*window_, box->geometry().center(), data, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, keys);
}

void OperationsTest::typeInto(forms::ControlId box, const std::string& typed) {
    auto* edit = qobject_cast<QLineEdit*>(widget(box));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    if (!edit->text().isEmpty()) edit->selectAll();  // the first key replaces the old text
    QTest::keyClicks(edit, QString::fromStdString(typed));
}

void OperationsTest::click(forms::ControlId button) { QTest::mouseClick(widget(button), Qt::LeftButton); }

void OperationsTest::choosePreset(int row) {
    auto* combo = qobject_cast<QComboBox*>(widget(ids::组合框1));
    ASSERT_NE(combo, nullptr);
    combo->showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return combo->view()->isVisible(); }));
    // The handler writes the preset warning; clearing it first shows when the posted call has run.
    forms::writeProperty(kMainWindowId, ids::提示_标签, 8, std::string());
    combo->view()->setCurrentIndex(combo->model()->index(row, 0));
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([] { return !text(ids::提示_标签).empty(); })) << "no preset event";
}

std::vector<ShownBox> OperationsTest::collectMessageBoxes(const std::function<void()>& act) {
    std::vector<ShownBox> shown;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->buttons().isEmpty()) return;
        shown.push_back({box->text().toStdString(), box->windowTitle().toStdString(), static_cast<int>(box->buttons().size())});
        box->buttons().front()->click();
    });
    poll.start();
    act();
    return shown;
}

void OperationsTest::saveThroughDialog(const std::function<void()>& act, const std::optional<std::filesystem::path>& typed,
                                       int fileType) {
    bool shown = false;
    const QPointer<QTimer> poll = answerNextFileDialog([&](QFileDialog& dialog) {
        shown = true;
        if (fileType >= 0) {
            auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            if (!types) {
                ADD_FAILURE() << "no file type list";
            } else {
                // Chosen by keyboard, as a user would, so the dialog hears of the choice.
                types->setFocus();
                for (int step = types->currentIndex(); step < fileType; ++step) QTest::keyClick(types, Qt::Key_Down);
            }
        }
        if (!typed) {
            dialog.reject();
            return;
        }
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) {
            ADD_FAILURE() << "no file name box";
            dialog.reject();
            return;
        }
        // Typed into the focused box, as a user does: that also lets go of a file the dialog
        // had selected from its initial name.
        if (!QTest::qWaitForWindowActive(&dialog)) ADD_FAILURE() << "the dialog never became active";
        name->setFocus();
        name->setText(QString::fromStdString(typed->string()));
        QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
        // A refused name (or a "No" to the overwrite question) leaves the dialog up.
        if (dialog.isVisible()) dialog.reject();
    });
    act();
    delete poll.data();  // it refers to this call's locals
    EXPECT_TRUE(shown) << "no save dialog came up";
}

QRect OperationsTest::shownPicture() {
    auto* box = forms::controlAs<PicBox>(kMainWindowId, ids::图片框1);
    if (!box) return {};
    const QRect client = box->clientArea();
    const QImage image = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect found;
    for (int y = client.top(); y <= client.bottom(); ++y) {
        for (int x = client.left(); x <= client.right(); ++x) {
            if (image.pixel(x, y) != kPreviewGreen) found |= QRect(x, y, 1, 1);
        }
    }
    return found.translated(-client.topLeft());
}

}  // namespace tavrel::test_support
