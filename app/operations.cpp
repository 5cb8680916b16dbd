#include "app/operations.h"

namespace tavrel {

// Bound now so the binding table is complete; each body is filled in with its operation.

void imageIntake(const std::string&) {}

void sliderPositionChanged() {}
void sizeBoxTextChanged() {}
void squarePreview() {}
void squareSave() {}

void presetChosen() {}
void customWidthChanged() {}
void customPreview() {}
void customSave() {}

}  // namespace tavrel
