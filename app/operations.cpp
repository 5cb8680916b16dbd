#include "app/operations.h"

#include <iterator>
#include <optional>
#include <utility>

#include "app/app_state.h"
#include "app/window_description.h"
#include "forms/combo_box.h"
#include "forms/common_dlg.h"
#include "forms/conversions.h"
#include "forms/edit_box.h"
#include "forms/file_access.h"
#include "forms/form_layer.h"
#include "forms/label.h"
#include "forms/message_box.h"
#include "forms/slider_bar.h"
#include "image/draw_panel.h"
#include "image/encode.h"
#include "image/pic_box.h"
#include "image/registry.h"

namespace tavrel {
namespace {

constexpr const char* kHintCaption = "提示信息：";
constexpr const char* kTooSmall = "哦喔！数值太小了！";
constexpr const char* kBeyondPreview = "数值超出预览范围建议保存后预览";
constexpr const char* kNoSize = "别闹哈...尺寸都木有";
constexpr const char* kPresetWarning = "目前证件尺寸可能不准确，建议别保存使用！";
constexpr const char* kSaved = "保存成功！";
constexpr const char* kSaveFailed = "保存失败...";

struct Size {
    std::int32_t width;
    std::int32_t height;
};

double boxNumber(forms::ControlId box) {
    return forms::textToNumber(forms::readText(kMainWindowId, box, forms::EditBox::kContent));
}

void setCaption(forms::ControlId label, const std::string& text) {
    forms::writeProperty(kMainWindowId, label, forms::Label::kCaption, text);
}

PicBox* previewBox() { return forms::controlAs<PicBox>(kMainWindowId, ids::图片框1); }

// The result is already the box's picture; previews repaint the box and hand it over once more.
void previewResult() {
    if (PicBox* box = previewBox()) {
        box->redraw();
        box->setPicture(appState().resultBytes);
    }
}

// The size the two custom boxes ask for, or nothing after telling the user there is none.
std::optional<Size> customSize() {
    const double width = boxNumber(ids::自定义_图片宽);
    if (!atLeastOne(width)) {
        forms::messageBox(kNoSize);
        return std::nullopt;
    }
    const double height = boxNumber(ids::自定义_图片高);
    if (!atLeastOne(height)) {
        forms::messageBox(kNoSize);
        return std::nullopt;
    }
    return Size{wholePart(width), wholePart(height)};
}

// Writes the result in the format the name asks for; a name without a known extension gets the
// format of the filter entry the user chose. An empty result (no memory for its size) is a failure,
// never an empty file reported as saved.
bool writeResult(const std::string& path, const std::string& chosenPattern) {
    const ByteBuffer& result = appState().resultBytes;
    if (result.empty()) return false;
    const EncodedFormat fallback = formatForName(chosenPattern, EncodedFormat::Bmp);
    if (formatForName(path, fallback) == EncodedFormat::Bmp) return forms::writeFile(path, {result});
    const ByteBuffer encoded = encodeForName(result, path, fallback);
    return !encoded.empty() && forms::writeFile(path, {encoded});
}

}  // namespace

bool atLeastOne(double value) { return value - 1 >= -0.0000001; }

std::int32_t wholePart(double value) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (!(value >= -kTwoTo63 && value < kTwoTo63)) return 0;  // NaN fails both tests
    const auto whole = static_cast<std::int64_t>(value);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

void resizeImage(std::int32_t width, std::int32_t height) {
    AppState& state = appState();
    PicBox* box = previewBox();
    // Every call replaces the result, so the previous one, and the box's copy of it, go before
    // the new one is made: two big results never need memory at once. Nothing is painted between.
    ByteBuffer().swap(state.resultBytes);
    if (box) box->setPicture({});
    if (auto* canvas = forms::controlAs<DrawPanel>(kMainWindowId, ids::画板1)) {
        state.resultBytes = canvas->resize(imageRegistry(), state.sourceImage, width, height);
    }
    if (box) box->setPicture(state.resultBytes);
}

void saveResult() {
    auto* dialog = forms::controlAs<forms::CommonDlg>(kMainWindowId, ids::通用对话框1);
    // Cancelling saves nothing and leaves the status label as it was.
    if (!dialog || !dialog->showDialog()) return;
    const std::string path = forms::readText(kMainWindowId, ids::通用对话框1, forms::CommonDlg::kFileName);
    setCaption(ids::提示_标签, writeResult(path, dialog->chosenPattern()) ? kSaved : kSaveFailed);
}

void imageIntake(const std::string& droppedPaths) {
    AppState& state = appState();
    ImageRegistry& registry = imageRegistry();
    // Nothing resizes while a drop is taken in, so the old source can go before the new one is
    // decoded: two big photos never need memory at once.
    if (const ImageHandle previous = std::exchange(state.sourceImage, 0)) registry.release(previous);
    // The box shares the picture it shows: it lets go too, or the old photo would live on.
    PicBox* box = previewBox();
    if (box) box->setPicture({});

    // One read and one decode serve the measuring, the preview and the new source.
    std::string path = droppedPaths;
    ByteBuffer bytes = forms::readFile(path);
    const ImageHandle dropped = registry.loadImage(bytes);
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (const auto* canvas = forms::controlAs<DrawPanel>(kMainWindowId, ids::画板1)) {
        width = canvas->imageWidth(registry, dropped);
        height = canvas->imageHeight(registry, dropped);
    }
    setCaption(ids::原图片尺寸_标签, "图片原大小是： " + forms::numberToText(width) + " x " + forms::numberToText(height));

    state.sourcePath.swap(path);
    state.sourceBytes.swap(bytes);
    ByteBuffer().swap(bytes);
    // The box shows the file itself, as dropped; an undecodable one leaves it blank.
    if (box) box->setPicture(state.sourceBytes, registry.share(dropped));
    state.sourceImage = dropped;
}

void sliderPositionChanged() {
    AppState& state = appState();
    state.squareSize = forms::readNumber(kMainWindowId, ids::滑块_图片大小, forms::SliderBar::kPosition);
    resizeImage(state.squareSize, 0);
    previewResult();
    const std::int32_t position = forms::readNumber(kMainWindowId, ids::滑块_图片大小, forms::SliderBar::kPosition);
    setCaption(ids::标签4, "当前图片大小：" + forms::numberToText(position));
}

void sizeBoxTextChanged() {
    const double typed = boxNumber(ids::编辑框1);
    if (!atLeastOne(typed)) {
        forms::messageBox(kTooSmall, forms::kOkOnly, kHintCaption);
        return;
    }
    appState().squareSize = wholePart(typed);
}

void squarePreview() {
    const AppState& state = appState();
    if (state.squareSize > kMaxPreviewSquare) {
        forms::messageBox(kBeyondPreview, forms::kOkOnly, kHintCaption);
        return;
    }
    // The thumb follows the box's text as it reads now; the slider reports no change for it.
    forms::writeProperty(kMainWindowId, ids::滑块_图片大小, forms::SliderBar::kPosition, wholePart(boxNumber(ids::编辑框1)));
    resizeImage(state.squareSize, 0);
    previewResult();
}

void squareSave() {
    resizeImage(appState().squareSize, 0);
    saveResult();
}

void presetChosen() {
    AppState& state = appState();
    setCaption(ids::提示_标签, kPresetWarning);
    state.sizeMode = static_cast<std::int32_t>(SizeMode::Preset);
    const std::int32_t selection = forms::readNumber(kMainWindowId, ids::组合框1, forms::ComboBox::kSelection);
    if (selection < 0 || selection >= static_cast<std::int32_t>(std::size(kPhotoPresets))) return;
    const PhotoPreset& preset = kPhotoPresets[selection];
    state.presetWidth = preset.width;
    state.presetHeight = preset.height;
    resizeImage(state.presetWidth, state.presetHeight);
    previewResult();
}

void customWidthChanged() { appState().sizeMode = static_cast<std::int32_t>(SizeMode::CustomBoxes); }

void customPreview() {
    if (appState().sizeMode != static_cast<std::int32_t>(SizeMode::CustomBoxes)) return;
    const std::optional<Size> size = customSize();
    if (!size) return;
    resizeImage(size->width, size->height);
    previewResult();
}

void customSave() {
    AppState& state = appState();
    if (state.sizeMode == static_cast<std::int32_t>(SizeMode::CustomBoxes)) {
        const std::optional<Size> size = customSize();
        if (!size) return;
        resizeImage(size->width, size->height);
    } else {
        resizeImage(state.presetWidth, state.presetHeight);
    }
    saveResult();
}

}  // namespace tavrel
