#include "app/shell_handlers.h"

#include <span>
#include <string>

#include "app/app_state.h"
#include "app/default_picture.h"
#include "app/window_description.h"
#include "forms/conversions.h"
#include "forms/drop_target.h"
#include "forms/form_layer.h"
#include "forms/label.h"
#include "forms/open_url.h"
#include "forms/slider_bar.h"
#include "image/pic_box.h"
#include "image/registry.h"
#include "loading_dialog/loading_dialog.h"

namespace tavrel {

void windowCreated() {
    AppState& state = appState();
    state.sizeMode = static_cast<std::int32_t>(SizeMode::CustomBoxes);

    // The built-in picture is the first source and what the preview shows at start; a picture
    // that did not decode leaves sourceImage 0 and the box green.
    const std::span<const std::uint8_t> builtIn = defaultPictureBytes();
    state.sourceImage = imageRegistry().loadImage(builtIn);
    forms::writeProperty(kMainWindowId, ids::图片框1, PicBox::kPicture, forms::Bytes(builtIn.begin(), builtIn.end()));

    // Pictures come in only by being dropped on the window.
    if (auto* target = forms::controlAs<forms::DropTarget>(kMainWindowId, ids::拖放对象1)) {
        target->registerDropTarget(forms::windowHandle(kMainWindowId));
    }

    // The slider's stored position is 0 until the user first moves it, whatever the thumb shows.
    const std::int32_t position = forms::readNumber(kMainWindowId, ids::滑块_图片大小, forms::SliderBar::kPosition);
    forms::writeProperty(kMainWindowId, ids::标签4, forms::Label::kCaption,
                         "当前图片大小：" + forms::numberToText(position));
}

void windowWillBeDestroyed() {
    // Revoked while the window still exists, so no drop reaches a window on its way down.
    if (auto* target = forms::controlAs<forms::DropTarget>(kMainWindowId, ids::拖放对象1)) target->unregisterDropTarget();
}

void creditLabelReleased(std::int32_t, std::int32_t, std::int32_t) { forms::openUrl(kCreditAddress); }

void exitRoutine() {
    releaseFrameDimensionGuid();
    releaseAppState();
}

}  // namespace tavrel
