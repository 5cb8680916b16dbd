#pragma once
// The main window as data: its own settings, its 26 controls and its binding table.

#include "forms/description.h"
#include "forms/types.h"

namespace tavrel {

inline constexpr forms::WindowId kMainWindowId = 0x52010001u;

// Control ids of the main window, named as the form names them.
namespace ids {
inline constexpr forms::ControlId 图片框1 = 0x16014832u;
inline constexpr forms::ControlId 按钮_保存 = 0x160147CEu;
inline constexpr forms::ControlId 组合框1 = 0x1601486Bu;
inline constexpr forms::ControlId 标签10 = 0x1601486Au;
inline constexpr forms::ControlId 原图片尺寸_标签 = 0x16014861u;
inline constexpr forms::ControlId 拖放对象1 = 0x160147BCu;
inline constexpr forms::ControlId 预览 = 0x16014816u;
inline constexpr forms::ControlId 自定义_图片高 = 0x16014810u;
inline constexpr forms::ControlId 标签9 = 0x1601480Eu;
inline constexpr forms::ControlId 标签_网站 = 0x16014807u;
inline constexpr forms::ControlId 标签7 = 0x16014806u;
inline constexpr forms::ControlId 通用对话框1 = 0x160147EAu;
inline constexpr forms::ControlId 提示_标签 = 0x160147E7u;
inline constexpr forms::ControlId 保存_按钮2 = 0x160147E5u;
inline constexpr forms::ControlId 自定义_图片宽 = 0x160147E3u;
inline constexpr forms::ControlId 标签5 = 0x160147E2u;
inline constexpr forms::ControlId 分组框2 = 0x160147E1u;
inline constexpr forms::ControlId 标签4 = 0x160147CFu;
inline constexpr forms::ControlId 按钮_确定 = 0x160147D1u;
inline constexpr forms::ControlId 编辑框1 = 0x160147D2u;
inline constexpr forms::ControlId 标签2 = 0x160147D3u;
inline constexpr forms::ControlId 滑块_图片大小 = 0x160147D4u;
inline constexpr forms::ControlId 标签1 = 0x160147D5u;
inline constexpr forms::ControlId 分组框1 = 0x160147CDu;
inline constexpr forms::ControlId 画板1 = 0x16011D3Du;
inline constexpr forms::ControlId 标签3 = 0x1601486Cu;
}  // namespace ids

// The description the program loads at start, with the binding table of app/bindings.
forms::WindowDescription mainWindowDescription();

}  // namespace tavrel
