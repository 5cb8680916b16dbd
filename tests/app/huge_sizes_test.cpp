// Typed sizes up to the canvas's 32627 x 32627 through the real window. The thin ones come out
// exactly sized and save; where memory is short the biggest give an empty result, a blank preview
// and "保存失败..." with no file written, and the process is neither crashed nor killed.

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "app/operations.h"
#include "bench/peak_memory.h"
#include "image/bmp_export.h"
#include "image/decode.h"
#include "image/drawing_surface.h"
#include "image/memory_check.h"
#include "operations_fixture.h"
#include "qt_test_support.h"

namespace tavrel::test_support {
namespace {

using Size = std::pair<std::int32_t, std::int32_t>;

constexpr std::int32_t kMax = DrawingSurface::kMaxSize;
constexpr Pixel kBrick = makePixel(200, 40, 40);  // far from the preview's green
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

bool writeTo(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

// The test process moved into a child of its own memory cgroup, with a memory limit, for as long
// as the object lives. The child stays inside every limit of the group it came from.
class MemoryCage {
public:
    explicit MemoryCage(std::uint64_t limit) {
        if (::geteuid() != 0) {
            why_ = "not running as root";
            return;
        }
        const std::vector<MemoryGroup> groups = ownMemoryGroups();
        if (groups.empty()) why_ = "no memory cgroup of this process is mounted";
        for (const MemoryGroup& group : groups) {
            removeLeftCages(group);
            if (enter(group, limit)) return;
        }
    }
    ~MemoryCage() {
        if (cage_.empty()) return;
        writeTo(home_ + "/cgroup.procs", std::to_string(::getpid()));
        ::rmdir(cage_.c_str());
    }
    MemoryCage(const MemoryCage&) = delete;
    MemoryCage& operator=(const MemoryCage&) = delete;

    bool entered() const { return !cage_.empty(); }
    const std::string& why() const { return why_; }

    // Processes of the cage the kernel killed for want of memory; -1 when it does not say.
    long oomKills() const {
        std::ifstream in(cage_ + (version_ == 2 ? "/memory.events" : "/memory.oom_control"));
        std::string key;
        long count = -1;
        while (in >> key >> count) {
            if (key == "oom_kill") return count;
        }
        return -1;
    }

private:
    // Cages left by runs that were killed before they could remove theirs: those whose process
    // is gone. (A cage in use is not empty and could not be removed anyway.)
    static void removeLeftCages(const MemoryGroup& group) {
        constexpr std::string_view kPrefix = "tavrel-pressure-";
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator(group.folder, error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (!name.starts_with(kPrefix)) continue;
            pid_t owner = 0;
            std::from_chars(name.data() + kPrefix.size(), name.data() + name.size(), owner);
            if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) ::rmdir(it->path().c_str());
        }
    }

    bool enter(const MemoryGroup& group, std::uint64_t limit) {
        const std::string cage = group.folder + "/tavrel-pressure-" + std::to_string(::getpid());
        const auto fail = [&](const std::string& what) {
            why_ += (why_.empty() ? "" : "; ") + what + " (cgroup v" + std::to_string(group.version) + "): " +
                    std::strerror(errno);
            ::rmdir(cage.c_str());
            return false;
        };
        if (::mkdir(cage.c_str(), 0755) != 0 && errno != EEXIST) return fail("cannot make a child group");
        // v2 gives a child memory files only where the parent hands the controller down, which a
        // group holding processes cannot do; the parent is left as it is.
        const std::string limitFile = cage + (group.version == 2 ? "/memory.max" : "/memory.limit_in_bytes");
        if (!writeTo(limitFile, std::to_string(limit))) return fail("cannot limit the child group");
        if (!writeTo(cage + "/cgroup.procs", std::to_string(::getpid()))) return fail("cannot enter the child group");
        cage_ = cage;
        home_ = group.folder;
        version_ = group.version;
        return true;
    }

    std::string cage_;
    std::string home_;
    int version_ = 0;
    std::string why_;
};

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Whether every pixel of a BMP result is `colour`.
bool allPixelsAre(const ByteBuffer& bmp, Pixel colour) {
    const std::optional<Bitmap> bitmap = bitmapFromBmp(bmp);
    return bitmap && !bitmap->pixels.empty() &&
           std::all_of(bitmap->pixels.begin(), bitmap->pixels.end(), [colour](Pixel p) { return p == colour; });
}

class HugeSizes : public OperationsTest {
protected:
    void SetUp() override {
        OperationsTest::SetUp();
        if (HasFatalFailure()) return;
        const auto picture = folder_ / "brick.bmp";
        writeBytes(picture, exportBmp(solidBitmap(64, 48, kBrick)));
        dropFiles({picture});
        ASSERT_EQ(text(ids::原图片尺寸_标签), "图片原大小是： 64 x 48");
        saves_ = folder_ / "saves";
        std::filesystem::create_directory(saves_);
    }

    void typeCustomSize(std::int32_t width, std::int32_t height) {
        typeInto(ids::自定义_图片宽, std::to_string(width));
        typeInto(ids::自定义_图片高, std::to_string(height));
    }

    // Saves through 保存_按钮2 or 按钮_保存 to `name` in the saves folder, answering Yes when
    // asked to replace a file there.
    void save(forms::ControlId button, const std::string& name) {
        forms::writeProperty(kMainWindowId, ids::提示_标签, 8, std::string());
        if (std::filesystem::exists(saves_ / name)) {
            answering_.push_back(answerNextMessageBox([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }));
        }
        saveThroughDialog([&] { click(button); }, saves_ / name);
    }

    // Custom sizes whose results are a hundred kilobytes. Wide comes before tall: the canvas takes
    // the new width first, so a wide size right after a tall one passes through a full-size canvas.
    void checkThinSizes() {
        struct Case {
            Size size;
            const char* file;
        };
        const Case cases[] = {
            {{kMax, 1}, "wide.bmp"},
            {{1, kMax}, "tall.bmp"},
            {{1, kMax}, "tall.png"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.file);
            typeCustomSize(c.size.first, c.size.second);
            click(ids::预览);
            EXPECT_EQ(bmpSize(appState().resultBytes), c.size);
            EXPECT_TRUE(allPixelsAre(appState().resultBytes, kBrick));

            save(ids::保存_按钮2, c.file);
            EXPECT_EQ(text(ids::提示_标签), "保存成功！");
            EXPECT_EQ(bmpSize(appState().resultBytes), c.size);  // the save made the same size again
            const ByteBuffer saved = readBytes(saves_ / c.file);
            if (std::string(c.file).ends_with(".bmp")) {
                EXPECT_EQ(saved, appState().resultBytes);
                const std::uint64_t stride = (static_cast<std::uint64_t>(c.size.first) * 3 + 3) / 4 * 4;
                EXPECT_EQ(saved.size(), 54 + stride * static_cast<std::uint64_t>(c.size.second));
            } else {
                const std::optional<DecodedImage> decoded = decodeImage(saved);
                ASSERT_TRUE(decoded);
                EXPECT_EQ(Size(decoded->width, decoded->height), c.size);
            }
        }
    }

    std::filesystem::path saves_;
};

TEST_F(HugeSizes, ThinSizesComeOutExactlySizedAndSave) { checkThinSizes(); }

TEST_F(HugeSizes, WhereMemoryIsShortTheBiggestSizesGiveNothingAndSaySo) {
    // Far below the 7.5 GB that a 32627 x 32627 result takes (its canvas and its BMP), and well
    // above what the window needs for everything else.
    const MemoryCage cage(3 * kGiB / 2);
    if (!cage.entered()) GTEST_SKIP() << "no memory cgroup to limit the test in: " << cage.why();
    const ByteBuffer old{'o', 'l', 'd'};
    writeBytes(saves_ / "old.bmp", old);

    // Custom sizes: the preview is blank, the save fails and writes no file.
    typeCustomSize(kMax, kMax);
    click(ids::预览);
    EXPECT_TRUE(appState().resultBytes.empty());
    EXPECT_TRUE(shownPicture().isEmpty());
    save(ids::保存_按钮2, "custom.bmp");
    EXPECT_EQ(text(ids::提示_标签), "保存失败...");
    EXPECT_TRUE(appState().resultBytes.empty());

    // The square box: its preview refuses the size before anything is made; its save over an
    // old file fails and keeps it.
    typeInto(ids::编辑框1, std::to_string(kMax));
    EXPECT_EQ(appState().squareSize, kMax);
    const std::vector<ShownBox> shown = collectMessageBoxes([&] { click(ids::按钮_确定); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "数值超出预览范围建议保存后预览");
    save(ids::按钮_保存, "old.bmp");
    EXPECT_EQ(text(ids::提示_标签), "保存失败...");
    EXPECT_EQ(readBytes(saves_ / "old.bmp"), old);

    EXPECT_EQ(namesIn(saves_), std::vector<std::string>{"old.bmp"});  // nothing new, nothing half-written
    // Thin sizes still fit in the same memory once the big ones have failed.
    checkThinSizes();
    EXPECT_EQ(cage.oomKills(), 0);
}

TEST_F(HugeSizes, ASizeThatFailedForWantOfMemoryIsMadeOnceTheMemoryIsThere) {
    const Size big{9000, 9000};  // a canvas of 309 MiB, a result of 232 MiB
    {
        const MemoryCage cage(kGiB / 4);
        if (!cage.entered()) GTEST_SKIP() << "no memory cgroup to limit the test in: " << cage.why();
        typeCustomSize(big.first, big.second);
        click(ids::预览);
        EXPECT_TRUE(appState().resultBytes.empty());
        EXPECT_EQ(cage.oomKills(), 0);
    }
    // The canvas already has this size; asked again, it is built now that the memory is there.
    click(ids::预览);
    EXPECT_EQ(bmpSize(appState().resultBytes), big);
    EXPECT_TRUE(allPixelsAre(appState().resultBytes, kBrick));
}

#if defined(__SANITIZE_ADDRESS__)
#define TAVREL_HUGE_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVREL_HUGE_UNDER_ASAN 1
#endif
#endif

// Whether row `y` (from the top) of one of our bottom-up 24-bit BMP results is all `colour`.
bool bmpRowIs(const ByteBuffer& bmp, std::int32_t width, std::int32_t height, std::int32_t y, Pixel colour) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
    const std::uint8_t* row = bmp.data() + 54 + stride * static_cast<std::uint64_t>(height - 1 - y);
    for (std::int32_t x = 0; x < width; ++x, row += 3) {
        if (makePixel(row[2], row[1], row[0]) != colour) return false;
    }
    return true;
}

// The full-size square, made and saved: about 7.5 GB for the canvas and the result, and 3.2 GB
// on disk. Only the Release build makes it, on its own (huge_sizes.cmake), where the memory is
// there. Where it can, it runs in a cgroup of 9 GiB: room for the result, none for another copy of
// it, so nothing unchecked on the way (the preview box's copy) may run the process out of memory.
TEST_F(HugeSizes, TheFullSizeSquareIsMadeAndSavedWhereMemoryAllows) {
#if !defined(NDEBUG) || defined(TAVREL_HUGE_UNDER_ASAN)
    GTEST_SKIP() << "the full-size result is made in the Release build only";
#else
    const std::uint64_t stride = (static_cast<std::uint64_t>(kMax) * 3 + 3) / 4 * 4;
    const std::uint64_t fileBytes = 54 + stride * kMax;
    const std::uint64_t canvasBytes = std::uint64_t{kMax - 2} * (kMax - 2) * sizeof(Pixel);
    const MemoryCage cage(9 * kGiB);
    const std::optional<std::uint64_t> available = readMemoryFigures().smallest();
    if (available && *available < canvasBytes + fileBytes + kGiB / 2) {
        GTEST_SKIP() << "needs " << (canvasBytes + fileBytes) / (1 << 20) << " MiB, " << *available / (1 << 20)
                     << " MiB available";
    }
    if (std::filesystem::space(saves_).available < fileBytes + kGiB) GTEST_SKIP() << "no room on disk for the file";
    if (!cage.entered()) std::printf("not limited by a cgroup: %s\n", cage.why().c_str());

    const auto start = std::chrono::steady_clock::now();
    typeInto(ids::编辑框1, std::to_string(kMax));
    save(ids::按钮_保存, "full.bmp");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%d x %d made and saved in %.1f s, peak resident %ld MiB\n", kMax, kMax, took.count(),
                peakResidentKiB() / 1024);

    EXPECT_EQ(text(ids::提示_标签), "保存成功！");
    const ByteBuffer& result = appState().resultBytes;
    ASSERT_EQ(bmpSize(result), Size(kMax, kMax));
    ASSERT_EQ(result.size(), fileBytes);
    for (const std::int32_t y : {0, kMax / 2, kMax - 1}) EXPECT_TRUE(bmpRowIs(result, kMax, kMax, y, kBrick)) << y;
    EXPECT_EQ(std::filesystem::file_size(saves_ / "full.bmp"), fileBytes);
    std::ifstream saved(saves_ / "full.bmp", std::ios::binary);
    ByteBuffer head(54);
    saved.read(reinterpret_cast<char*>(head.data()), 54);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), result.begin()));
    if (cage.entered()) {
        EXPECT_EQ(cage.oomKills(), 0);
    }
#endif
}

}  // namespace
}  // namespace tavrel::test_support
