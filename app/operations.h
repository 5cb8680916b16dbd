#pragma once
// The handlers behind the controls: taking in a dropped picture, square scaling, custom sizes
// and ID-photo presets, and saving the result.

#include <string>

namespace tavrel {

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
