// Speed of the work behind one user action on a large photo: decoding a 24-megapixel JPEG, and
// making a result from the decoded picture, painting it into the preview box, and a slider step. Run a Release build:
//   image_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// and bench/djpeg_median.sh for djpeg on the same file.
// The JPEG is written to $TMPDIR (or /tmp) as tavrel-bench-6000x4000.jpg for comparing with djpeg.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "bench/synthetic_photo.h"
#include "image/bitmap.h"
#include "image/decode.h"
#include "image/drawing_surface.h"
#include "image/encode.h"
#include "image/preview_render.h"
#include "image/registry.h"
#include "image/resize.h"

namespace {

using namespace tavrel;

constexpr ColorRef kButtonFace = 0xEFEFEF;


struct Fixture {
    std::string jpegPath;
    ImageRegistry registry;
    ImageHandle source = 0;
    bool ready = false;
};

Fixture& fixture() {
    static Fixture f = [] {
        Fixture made;
        const char* tmp = std::getenv("TMPDIR");
        made.jpegPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavrel-bench-6000x4000.jpg";
        const ByteBuffer jpeg = encodeJpeg(syntheticPhoto());
        std::FILE* file = std::fopen(made.jpegPath.c_str(), "wb");
        if (!file) return made;
        const bool written = std::fwrite(jpeg.data(), 1, jpeg.size(), file) == jpeg.size();
        if (std::fclose(file) != 0 || !written) return made;
        made.source = made.registry.loadImage(made.jpegPath);
        made.ready = made.source != 0;
        return made;
    }();
    return f;
}

void decodeJpeg24Megapixels(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ready) {
        state.SkipWithError("could not make or decode the test JPEG");
        return;
    }
    for (auto _ : state) {
        std::optional<DecodedImage> image = decodeImageFile(f.jpegPath);
        benchmark::DoNotOptimize(image);
    }
}

// resizeImage as a size change runs it: a surface at its form size, stretched to the new size.
void resize(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ready) {
        state.SkipWithError("could not make or decode the test JPEG");
        return;
    }
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    for (auto _ : state) {
        DrawingSurface surface(48, 32, pixelFromColorRef(kButtonFace), StretchMode::Halftone);
        ByteBuffer result = resizeImage(surface, f.registry, f.source, width, height);
        benchmark::DoNotOptimize(result);
    }
}

// The preview box's client area and the look it paints with.
PreviewStyle previewStyle() {
    PreviewStyle style;
    style.clientWidth = 414;
    style.clientHeight = 420;
    style.background = kButtonFace;
    style.mode = DisplayMode::Fit;
    style.stretchMode = StretchMode::Halftone;
    return style;
}

// Fit-and-centre paint of the dropped 24-megapixel picture itself, stretched anew every time
// (the renderer's kept result would hide the work of a first paint).
void previewFit24Megapixels(benchmark::State& state) {
    Fixture& f = fixture();
    const DecodedImage* picture = f.ready ? f.registry.find(f.source) : nullptr;
    if (!picture) {
        state.SkipWithError("could not make or decode the test JPEG");
        return;
    }
    const PreviewStyle style = previewStyle();
    Bitmap client;
    for (auto _ : state) {
        const bool painted = paintPreview(client, style, PreviewContent{picture, nullptr});
        benchmark::DoNotOptimize(painted);
        benchmark::DoNotOptimize(client);
    }
}

// The toolkit-free part of one slider position: the square result made from the 24-megapixel
// source, its BMP bytes decoded as the preview box takes them, and painted into the box.
void sliderStep(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ready) {
        state.SkipWithError("could not make or decode the test JPEG");
        return;
    }
    const auto side = static_cast<std::int32_t>(state.range(0));
    const PreviewStyle style = previewStyle();
    Bitmap client;
    for (auto _ : state) {
        DrawingSurface surface(48, 32, pixelFromColorRef(kButtonFace), StretchMode::Halftone);
        const ByteBuffer result = resizeImage(surface, f.registry, f.source, side, 0);
        const std::optional<DecodedImage> shown = decodeImage(result);
        if (!shown) {
            state.SkipWithError("the result did not decode");
            return;
        }
        const bool painted = paintPreview(client, style, PreviewContent{&*shown, nullptr});
        benchmark::DoNotOptimize(painted);
        benchmark::DoNotOptimize(client);
    }
}

// Wall-clock time decides; the CPU column adds up every thread of the process.
BENCHMARK(decodeJpeg24Megapixels)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(resize)
    ->ArgNames({"width", "height"})
    ->Args({420, 0})
    ->Args({840, 1200})   // preset 5
    ->Args({295, 413})    // preset 1
    ->Args({413, 626})    // preset 2
    ->Args({180, 252})    // preset 3
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(previewFit24Megapixels)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(sliderStep)
    ->ArgName("side")
    ->Arg(18)    // the slider's lowest position
    ->Arg(200)
    ->Arg(420)   // its highest
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
