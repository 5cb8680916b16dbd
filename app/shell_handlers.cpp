#include "app/shell_handlers.h"

#include <string>

#include "app/app_state.h"
#include "app/window_description.h"
#include "forms/conversions.h"
#include "forms/form_layer.h"
#include "forms/label.h"
#include "forms/open_url.h"
#include "forms/slider_bar.h"

namespace tavrel {

void windowCreated() {
    AppState& state = appState();
    state.sizeMode = static_cast<std::int32_t>(SizeMode::CustomBoxes);

    // The built-in picture becomes sourceImage and is given to 图片框1 here, then the drop
    // target is registered on the main window; those three steps come with picture intake.

    // The slider's stored position is 0 until the user first moves it, whatever the thumb shows.
    const std::int32_t position = forms::readNumber(kMainWindowId, ids::滑块_图片大小, forms::SliderBar::kPosition);
    forms::writeProperty(kMainWindowId, ids::标签4, forms::Label::kCaption,
                         "当前图片大小：" + forms::numberToText(position));
}

void windowWillBeDestroyed() {
    // The drop target's registration is revoked here, while the window's handle is still valid.
}

void creditLabelReleased(std::int32_t, std::int32_t, std::int32_t) { forms::openUrl(kCreditAddress); }

void exitRoutine() {
    // The loading-dialog module's frame-dimension buffer is released first, once that module is in.
    releaseAppState();
}

}  // namespace tavrel
