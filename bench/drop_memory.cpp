// Peak memory of taking in dropped photos. Drops a 24-megapixel JPEG on the real window 20 times
// (offscreen, through the window's drop handling) and prints the peak resident size after the
// first drop and after the last. Fails when the last is more than 1.5 times the first: a drop must
// give back what the previous one took.
//
//   drop_memory [DROPS [FILE]]
// FILE is dropped instead of the photo made at start (bench/compare gives its own 24-megapixel JPEG).

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include "app/window_description.h"
#include "bench/peak_memory.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"
#include "image/bitmap.h"
#include "image/draw_panel.h"
#include "image/encode.h"
#include "image/pic_box.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr double kAllowedGrowth = 1.5;

// A photo-like picture: smooth gradients with fine detail, so the JPEG is of a camera's size.
bool makePhoto(const std::filesystem::path& path) {
    tavrel::Bitmap bitmap;
    if (!tavrel::allocateBitmap(bitmap, kWidth, kHeight, 0)) return false;
    for (int y = 0; y < kHeight; ++y) {
        tavrel::Pixel* row = bitmap.row(y);
        for (int x = 0; x < kWidth; ++x) {
            row[x] = tavrel::makePixel(static_cast<std::uint8_t>(x * 255 / kWidth), static_cast<std::uint8_t>(y * 255 / kHeight),
                                       static_cast<std::uint8_t>((x * 7) ^ (y * 13)));
        }
    }
    const tavrel::ByteBuffer jpeg = tavrel::encodeJpeg(bitmap);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    return !jpeg.empty() && out.good();
}

// Drags the file into the middle of the preview box and drops it, as the platform would.
void drop(QWidget& window, const std::filesystem::path& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    const QPoint at(450, 220);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &dropped);
    // Let the preview paint what it was given.
    window.repaint();
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char* argv[]) {
    int drops = 20;
    if (argc > 1) {
        const char* text = argv[1];
        const char* end = text + std::strlen(text);
        if (std::from_chars(text, end, drops).ptr != end) drops = 0;
    }
    if (drops < 1 || argc > 3) {
        (void)std::fprintf(stderr, "usage: %s [DROPS [FILE]]\n", argv[0]);
        return 2;
    }
    const bool made = argc < 3;
    const std::filesystem::path photo = made ? std::filesystem::temp_directory_path() / "tavrel-drop-memory-6000x4000.jpg"
                                             : std::filesystem::absolute(argv[2]);
    if (made) {
        // Made in a child process, so making it never counts in this process's peak.
        const pid_t child = ::fork();
        if (child == 0) ::_exit(makePhoto(photo) ? 0 : 1);
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            (void)std::fprintf(stderr, "could not make %s\n", photo.c_str());
            return 1;
        }
    } else if (!std::filesystem::is_regular_file(photo)) {
        (void)std::fprintf(stderr, "no such file: %s\n", photo.c_str());
        return 2;
    }

    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    tavrel::forms::prepareToolkit();
    QApplication application(argc, argv);
    tavrel::forms::initialise();
    tavrel::DrawPanel::registerKind();
    tavrel::PicBox::registerKind();
    if (!tavrel::forms::loadWindow(tavrel::mainWindowDescription())) return 1;
    QWidget* window = tavrel::forms::windowHandle(tavrel::kMainWindowId);

    std::printf("%s: %lld bytes\n", photo.c_str(), static_cast<long long>(std::filesystem::file_size(photo)));
    const long before = tavrel::peakResidentKiB();
    drop(*window, photo);
    const long first = tavrel::peakResidentKiB();
    for (int k = 1; k < drops; ++k) drop(*window, photo);
    const long last = tavrel::peakResidentKiB();
    tavrel::forms::endProgram(0);
    if (made) std::filesystem::remove(photo);

    const double ratio = static_cast<double>(last) / static_cast<double>(first);
    const auto mib = [](long kib) { return static_cast<double>(kib) / 1024.0; };
    std::printf("peak RSS before any drop: %.1f MiB\n", mib(before));
    std::printf("peak RSS after drop 1: %.1f MiB\n", mib(first));
    std::printf("peak RSS after drop %d: %.1f MiB (%.2f x the first; at most %.1f x allowed)\n", drops, mib(last),
                ratio, kAllowedGrowth);
    return ratio <= kAllowedGrowth ? 0 : 1;
}
