// A long session: slider steps, presets, custom previews, drops of every corpus file (broken ones
// included) and saves, interleaved on the real window. Every handler must return, and once every
// file has been seen the peak memory must stay put.

#include <QSlider>
#include <QTest>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "bench/peak_memory.h"
#include "app/operations.h"
#include "operations_fixture.h"
#include "qt_test_support.h"

namespace tavrel::test_support {
namespace {

// Every test input of the corpus, in a fixed order; the suites' reference renderings are left out.
std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path root(TAVREL_CORPUS_DIR);
    for (const char* kind : {"bmp", "gif", "ico", "jpeg", "pcx", "png"}) {
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(root / kind, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().filename() == "_expected") {
                it.disable_recursion_pending();
                continue;
            }
            if (it->is_regular_file()) files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::chrono::seconds sessionLength() {
    // A value that is not a whole number is ignored rather than read as a session of 0 seconds.
    if (const char* text = std::getenv("TAVREL_STRESS_SECONDS")) {
        const std::string_view typed(text);
        int seconds = 0;
        const auto [end, error] = std::from_chars(typed.data(), typed.data() + typed.size(), seconds);
        if (error == std::errc() && end == typed.data() + typed.size()) return std::chrono::seconds(seconds);
    }
#ifdef NDEBUG
    return std::chrono::seconds(60);
#else
    return std::chrono::seconds(20);  // Debug and sanitizer builds run many times slower
#endif
}

class Session : public OperationsTest {
protected:
    // One round of everything a person does, the `round`-th of the session.
    void playRound(int round, const std::vector<std::filesystem::path>& files) {
        auto* slider = qobject_cast<QSlider*>(widget(ids::滑块_图片大小));
        ASSERT_NE(slider, nullptr);
        slider->setFocus();
        for (int step = 0; step < 3; ++step) QTest::keyClick(slider, round % 7 < 4 ? Qt::Key_Right : Qt::Key_Left);

        if (!files.empty()) {
            const auto& file = files[static_cast<std::size_t>(round) % files.size()];
            collectMessageBoxes([&] { dropFiles({file}); });
        }
        if (round % 5 == 0) choosePreset(round / 5 % 4);
        if (round % 3 == 0) {
            // Sizes across the preview range and a few beyond it, which only warn.
            const int width = 1 + round * 37 % 500;
            const int height = 1 + round * 53 % 450;
            forms::writeProperty(kMainWindowId, ids::自定义_图片宽, 8, std::to_string(width));
            forms::writeProperty(kMainWindowId, ids::自定义_图片高, 8, std::to_string(height));
            collectMessageBoxes([&] { click(ids::预览); });
        }
        if (round % 20 == 0) {
            static const char* const kNames[] = {"session.bmp", "session.jpg", "session.png"};
            const auto target = folder_ / kNames[round / 20 % 3];
            forms::writeProperty(kMainWindowId, ids::提示_标签, 8, std::string());
            saveThroughDialog([] { saveResult(); }, target);
            const std::string said = text(ids::提示_标签);
            EXPECT_TRUE(said == "保存成功！" || said == "保存失败...") << said;
            if (said == "保存成功！") {
                EXPECT_TRUE(std::filesystem::exists(target));
            }
            std::filesystem::remove(target);
        }
    }
};

TEST_F(Session, ALongSessionReturnsFromEveryHandlerAndKeepsMemoryFlat) {
    const std::vector<std::filesystem::path> files = corpusFiles();
    if (files.empty()) std::printf("no corpus under %s: the session drops nothing\n", TAVREL_CORPUS_DIR);

    // Warm-up: every corpus file once (or a hundred rounds without a corpus), so the largest
    // picture and every path through the decoders has been met before memory is watched.
    const int warmUpRounds = std::max<int>(100, static_cast<int>(files.size()));
    int round = 0;
    for (; round < warmUpRounds; ++round) {
        playRound(round, files);
        if (HasFatalFailure()) return;
    }
    const long warmPeak = peakResidentKiB();
    ASSERT_GT(warmPeak, 0);
    std::printf("peak memory after warm-up (%d rounds): %ld KiB\n", round, warmPeak);

    const auto end = std::chrono::steady_clock::now() + sessionLength();
    const int watchedFrom = round;
    while (std::chrono::steady_clock::now() < end || round - watchedFrom < 100) {
        playRound(round++, files);
        if (HasFatalFailure()) return;
    }
    const long endPeak = peakResidentKiB();
    std::printf("peak memory at the end (%d rounds): %ld KiB, %+ld KiB since warm-up\n", round, endPeak,
                endPeak - warmPeak);
    EXPECT_LE(endPeak - warmPeak, 64 * 1024);
}

}  // namespace
}  // namespace tavrel::test_support
