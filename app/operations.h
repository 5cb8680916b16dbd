#pragma once
// The handlers behind the controls: taking in a dropped picture, square scaling, custom sizes
// and ID-photo presets, and saving the result.

#include <cstdint>
#include <string>

namespace tavrel {

// The previews stay within the preview box: larger squares are only saved.
inline constexpr std::int32_t kMaxPreviewSquare = 420;

// An ID-photo preset of the combo box 组合框1, by its selection.
struct PhotoPreset {
    std::int32_t width;
    std::int32_t height;
};
inline constexpr PhotoPreset kPhotoPresets[] = {
    {295, 413},   // "  1 寸"
    {413, 626},   // "  2 寸"
    {180, 252},   // "  3 寸"
    {840, 1200},  // "  5 寸"
};

// Typed numbers: a value counts as at least 1 within a ten-millionth below it.
bool atLeastOne(double value);
// Truncated toward zero to 64 bits, of which the low 32 are kept; beyond the 64-bit range
// (infinite and not-a-number included) 0.
std::int32_t wholePart(double value);

// Stretches sourceImage onto the canvas 画板1 at width x height (a single non-zero value gives a
// square), keeps the canvas's BMP in resultBytes and gives it to 图片框1.
void resizeImage(std::int32_t width, std::int32_t height);
// Asks for a file name with 通用对话框1 and writes resultBytes there in the format the name asks
// for; the outcome goes to 提示_标签. A cancelled dialog writes nothing and says nothing.
void saveResult();

// Files dropped on the window: one path, or every path followed by "\r\n".
void imageIntake(const std::string& droppedPaths);

// Square scaling.
void sliderPositionChanged();
void sizeBoxTextChanged();
void squarePreview();
void squareSave();

// Custom width x height and the ID-photo presets.
void presetChosen();
void customWidthChanged();
void customPreview();
void customSave();

}  // namespace tavrel
