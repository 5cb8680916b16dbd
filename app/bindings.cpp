#include "app/bindings.h"

#include "app/operations.h"
#include "app/shell_handlers.h"
#include "app/window_description.h"

namespace tavrel {

std::vector<forms::Binding> mainWindowBindings() {
    using forms::WindowEvent;
    constexpr auto created = static_cast<std::int32_t>(WindowEvent::Created);
    constexpr auto willBeDestroyed = static_cast<std::int32_t>(WindowEvent::WillBeDestroyed);
    constexpr auto leftUp = static_cast<std::int32_t>(forms::CommonEvent::LeftUp);
    constexpr std::int32_t kFilesDropped = 3;
    constexpr std::int32_t kOwnFirst = 0;  // position changed, text changed, clicked, item selected
    return {
        {kMainWindowId, forms::kWindowEntryId, created, &windowCreated},
        {kMainWindowId, forms::kWindowEntryId, willBeDestroyed, &windowWillBeDestroyed},
        {kMainWindowId, ids::拖放对象1, kFilesDropped, &imageIntake},
        {kMainWindowId, ids::标签_网站, leftUp, &creditLabelReleased},
        {kMainWindowId, ids::滑块_图片大小, kOwnFirst, &sliderPositionChanged},
        {kMainWindowId, ids::编辑框1, kOwnFirst, &sizeBoxTextChanged},
        {kMainWindowId, ids::按钮_确定, kOwnFirst, &squarePreview},
        {kMainWindowId, ids::按钮_保存, kOwnFirst, &squareSave},
        {kMainWindowId, ids::组合框1, kOwnFirst, &presetChosen},
        {kMainWindowId, ids::自定义_图片宽, kOwnFirst, &customWidthChanged},
        {kMainWindowId, ids::预览, kOwnFirst, &customPreview},
        {kMainWindowId, ids::保存_按钮2, kOwnFirst, &customSave},
    };
}

}  // namespace tavrel
