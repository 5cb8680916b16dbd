// Speed of user actions on a large photo through the real main window, offscreen, with the
// toolkit's painting: a slider step, the four ID-photo presets, the fit-and-centre paint of a
// freshly set 24-megapixel picture, and a drop of a 24-megapixel JPEG to its first painted preview.
// Each action goes through the control the user would touch and its real handler; the preview box
// is then painted at once (QWidget::repaint) so the paint is part of the time. Run a Release build:
//   gui_bench [--input=FILE] --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// Without --input, a photo-like 6000 x 4000 JPEG is made at start in the temporary folder and
// removed at the end; bench/compare passes the file it also gives djpeg.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include "app/app_state.h"
#include "bench/synthetic_photo.h"
#include "app/operations.h"
#include "app/window_description.h"
#include "forms/combo_box.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"
#include "forms/slider_bar.h"
#include "image/bitmap.h"
#include "image/decode.h"
#include "image/draw_panel.h"
#include "image/encode.h"
#include "image/pic_box.h"

namespace {

using namespace tavrel;



ByteBuffer readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What every benchmark works on: the real window and the photo, as a file and as its bytes.
struct Bench {
    std::filesystem::path photo;
    ByteBuffer photoBytes;
    QWidget* window = nullptr;
    PicBox* box = nullptr;
    forms::SliderBar* slider = nullptr;
    forms::ComboBox* presets = nullptr;
};

Bench bench;

// Drags the photo into the middle of the preview box and drops it, through the window's native
// side as the platform would deliver it; the window's drop target raises the intake handler.
void dropPhoto() {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(bench.photo.string()))});
    const QPoint at = bench.box->geometry().center();
    const Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, allowed, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bench.window->windowHandle(), &enter);
    QDropEvent dropped(QPointF(at), allowed, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bench.window->windowHandle(), &dropped);
}

// Paints the preview box now; false when no paint reached it (a hidden or unexposed window).
bool paintBox() {
    const std::uint64_t before = bench.box->paintCount();
    bench.box->repaint();
    return bench.box->paintCount() != before;
}

// Runs what the last action left queued (label repaints and the like), outside the timed part.
void settle(benchmark::State& state) {
    state.PauseTiming();
    QCoreApplication::processEvents();
    state.ResumeTiming();
}

// The photo dropped and shown, as the start of every action on it.
bool photoDropped() {
    dropPhoto();
    QCoreApplication::processEvents();
    return appState().sourceImage != 0 && paintBox();
}

// One slider step near `side`: the thumb is dragged between side - 1 and side, so each step is a
// real move (a drag to where the thumb already is reports nothing) and no kept result serves it.
void sliderStep(benchmark::State& state) {
    if (!photoDropped()) {
        state.SkipWithError("the photo was not taken in");
        return;
    }
    const auto side = static_cast<int>(state.range(0));
    bench.slider->setSliderDown(true);
    bench.slider->setSliderPosition(side - 2);
    bool painted = true;
    bool lower = false;
    for (auto _ : state) {
        // As a drag moves the thumb: the control reports the move and the handler resizes.
        bench.slider->setSliderPosition(lower ? side - 1 : side);
        lower = !lower;
        painted = paintBox() && painted;
        settle(state);
    }
    bench.slider->setSliderDown(false);
    QCoreApplication::processEvents();
    if (!painted) state.SkipWithError("the preview box did not paint");
    if (appState().squareSize != side && appState().squareSize != side - 1) state.SkipWithError("the handler did not run");
}

// One ID-photo preset chosen from the combo box: the choice is confirmed as the open list does,
// the posted event runs the handler, and the box paints the result.
void preset(benchmark::State& state) {
    if (!photoDropped()) {
        state.SkipWithError("the photo was not taken in");
        return;
    }
    const auto row = static_cast<int>(state.range(0));
    bool painted = true;
    for (auto _ : state) {
        bench.presets->setCurrentIndex(row);
        emit bench.presets->activated(row);
        QCoreApplication::sendPostedEvents(bench.presets, QEvent::MetaCall);
        painted = paintBox() && painted;
        settle(state);
    }
    if (!painted) state.SkipWithError("the preview box did not paint");
    const PhotoPreset& asked = kPhotoPresets[row];
    if (appState().presetWidth != asked.width || appState().presetHeight != asked.height) {
        state.SkipWithError("the handler did not run");
    }
}

// The fit-and-centre paint of the 24-megapixel picture just set on the box: setting it is untimed
// (handed over decoded, so the untimed part stays short); every paint is the first for its
// picture, so no kept result serves it.
void fitPaint(benchmark::State& state) {
    std::optional<DecodedImage> picture = decodeImage(bench.photoBytes);
    if (!picture) {
        state.SkipWithError("the photo did not decode");
        return;
    }
    const auto decoded = std::make_shared<const DecodedImage>(std::move(*picture));
    bool painted = true;
    for (auto _ : state) {
        state.PauseTiming();
        bench.box->setPicture(bench.photoBytes, decoded);
        state.ResumeTiming();
        painted = paintBox() && painted;
        settle(state);
    }
    if (!painted) state.SkipWithError("the preview box did not paint");
}

// A drop of the 24-megapixel JPEG to the first painted preview: the drop event, the intake handler
// (reading, decoding, measuring, handing the file to the box) and the box's paint.
void dropToPreview(benchmark::State& state) {
    bool painted = true;
    for (auto _ : state) {
        dropPhoto();
        painted = paintBox() && painted;
        settle(state);
    }
    if (!painted) state.SkipWithError("the preview box did not paint");
    if (appState().sourcePath != bench.photo.string()) state.SkipWithError("the drop was not taken in");
}

// --input=FILE, taken out of the arguments before the benchmark library reads them.
std::string takeInputOption(int& argc, char** argv) {
    constexpr const char* kOption = "--input=";
    std::string input;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kOption, std::strlen(kOption)) == 0) {
            input = argv[i] + std::strlen(kOption);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return input;
}

bool writeWhole(const std::filesystem::path& path, const ByteBuffer& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return !bytes.empty() && out.good();
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string input = takeInputOption(argc, argv);
    const bool made = input.empty();
    bench.photo = made ? std::filesystem::temp_directory_path() /
                             ("tavrel-gui-bench-" + std::to_string(::getpid()) + "-6000x4000.jpg")
                       : std::filesystem::absolute(input);
    if (made && !writeWhole(bench.photo, encodeJpeg(syntheticPhoto()))) {
        (void)std::fprintf(stderr, "could not make %s\n", bench.photo.c_str());
        return 1;
    }
    bench.photoBytes = readWhole(bench.photo);
    if (bench.photoBytes.empty()) {
        (void)std::fprintf(stderr, "could not read %s\n", bench.photo.c_str());
        return 1;
    }

    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    forms::prepareToolkit();
    QApplication application(argc, argv);
    forms::initialise();
    DrawPanel::registerKind();
    PicBox::registerKind();
    if (!forms::loadWindow(mainWindowDescription())) return 1;
    bench.window = forms::windowHandle(kMainWindowId);
    bench.box = forms::controlAs<PicBox>(kMainWindowId, ids::图片框1);
    bench.slider = forms::controlAs<forms::SliderBar>(kMainWindowId, ids::滑块_图片大小);
    bench.presets = forms::controlAs<forms::ComboBox>(kMainWindowId, ids::组合框1);
    if (!bench.window || !bench.box || !bench.slider || !bench.presets) return 1;
    // Painting needs the window on screen; offscreen it is exposed once shown and the events run.
    for (int round = 0; round < 100 && !(bench.window->windowHandle() && bench.window->windowHandle()->isExposed()); ++round) {
        QCoreApplication::processEvents();
    }

    // Wall-clock time decides: the stretches share their rows with a second thread.
    benchmark::RegisterBenchmark("sliderStep", sliderStep)
        ->ArgName("side")
        ->Arg(100)
        ->Arg(295)
        ->Arg(420)  // the slider's highest position
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
    benchmark::RegisterBenchmark("preset", preset)
        ->ArgName("row")
        ->DenseRange(0, static_cast<int>(std::size(kPhotoPresets)) - 1)  // 1, 2, 3 and 5 寸
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
    benchmark::RegisterBenchmark("fitPaint24Megapixels", fitPaint)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
    benchmark::RegisterBenchmark("dropToPreview24Megapixels", dropToPreview)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    forms::endProgram(0);
    if (made) std::filesystem::remove(bench.photo);
    return 0;
}
