#include "app/window_description.h"

#include <string>
#include <utility>
#include <vector>

#include "app/bindings.h"
#include "app/window_icon.h"

namespace tavrel {
namespace {

using forms::Bytes;
using forms::colourValue;
using forms::ControlId;
using forms::ControlRecord;
using forms::KindCode;
using forms::Setting;
using forms::TextList;

constexpr std::uint32_t kButtonFace = 0xFF000000u;  // marker: the system button face
constexpr std::int32_t kHandCursor = 32649;
constexpr std::uint32_t kShown = forms::kVisible;
constexpr std::uint32_t kShownTabStop = forms::kVisible | forms::kTabStop;

struct Place {
    ControlId parent;  // 0 = the window
    std::int32_t left, top, width, height;
};

ControlRecord record(KindCode kind, const char* name, ControlId id, Place place, std::uint32_t flags,
                     std::uint32_t version, std::vector<Setting> settings) {
    ControlRecord made;
    made.kind = kind;
    made.name = name;
    made.id = id;
    made.parent = place.parent;
    made.left = place.left;
    made.top = place.top;
    made.width = place.width;
    made.height = place.height;
    made.flags = flags;
    made.block.version = version;
    made.block.settings = std::move(settings);
    return made;
}

ControlRecord mainWindow() {
    return record(KindCode::Window, "", forms::kWindowEntryId, {0, 50, 50, 666, 464}, kShown, 6,
                  {
                      {8, std::string("Tavrel")},        // caption
                      {9, 2},                            // border style: fixed frame
                      {10, colourValue(kButtonFace)},    // background colour
                      {11, Bytes{}},                     // background picture: none
                      {12, 1},                           // background picture mode
                      {13, Bytes{}},                     // background music: none
                      {14, 0},                           // music play setting
                      {15, 1},                           // control button (system menu, close)
                      {16, 0},                           // maximise button
                      {17, 1},                           // minimise button
                      {18, 1},                           // start position: centred
                      {19, 1},                           // movable
                      {20, windowIconBytes()},           // icon, a 64 x 64 ICO file
                      {21, 0},                           // Enter moves focus
                      {22, 1},                           // Esc closes
                      {23, 0},                           // F1 opens help
                      {24, std::string("Quessel： Dorn")},  // help file (never used)
                      {25, 0},                           // help context
                      {26, 1},                           // show in taskbar
                      {27, 0},                           // drag by body
                      {28, 0},                           // shape: rectangular
                      {29, 0},                           // always on top
                      {30, 0},                           // keep caption active
                      {31, std::string("Tavrel")},       // window class name
                  });
}

ControlRecord label(const char* name, ControlId id, Place place, const char* caption, std::uint32_t textColour = 0,
                    bool wordWrap = false, std::int32_t mousePointer = 0) {
    ControlRecord made = record(KindCode::Label, name, id, place, kShown, 2,
                                {
                                    {8, std::string(caption)},         // caption
                                    {9, 0},                            // text effect: plain
                                    {10, 0},                           // border style: none
                                    {11, 8},                           // gradient frame width
                                    {12, colourValue(0x808080u)},      // gradient frame colours
                                    {13, colourValue(0xFFFFFFu)},
                                    {14, colourValue(0x808080u)},
                                    {15, Bytes{}},                     // font: the default GUI font
                                    {16, colourValue(textColour)},     // text colour
                                    {17, colourValue(kButtonFace)},    // background colour
                                    {18, Bytes{}},                     // background picture
                                    {19, 1},                           // background picture mode
                                    {20, 0},                           // gradient background: none
                                    {21, colourValue(0x808080u)},      // gradient background colours
                                    {22, colourValue(0xFFFFFFu)},
                                    {23, colourValue(0x808080u)},
                                    {24, 0},                           // horizontal alignment: left
                                    {25, wordWrap ? 1 : 0},            // word wrap
                                    {26, 1},                           // vertical alignment: centred
                                    {27, std::string()},               // data source
                                    {28, std::string()},               // data column
                                });
    made.mousePointer = mousePointer;
    return made;
}

ControlRecord button(const char* name, ControlId id, Place place, const char* caption) {
    return record(KindCode::Button, name, id, place, kShownTabStop, 1,
                  {
                      {8, Bytes{}},               // picture: none
                      {9, 0},                     // default button: no
                      {10, std::string(caption)}, // caption
                      {11, 1},                    // horizontal alignment: centred
                      {12, 1},                    // vertical alignment: centred
                      {13, Bytes{}},              // font: the default GUI font
                  });
}

ControlRecord editBox(const char* name, ControlId id, Place place) {
    return record(KindCode::EditBox, name, id, place, kShownTabStop, 2,
                  {
                      {8, std::string()},            // content: empty
                      {9, 3},                        // border style: thin sunken edge
                      {10, colourValue(0x000000u)},  // text colour
                      {11, colourValue(0xFFFFFFu)},  // background colour
                      {12, Bytes{}},                 // font: the default GUI font
                      {13, 1},                       // hide selection
                      {14, 0},                       // maximum length: no limit
                      {15, 0},                       // multi-line: no
                      {16, 0},                       // scroll bars: none
                      {17, 1},                       // alignment: centred
                      {18, 3},                       // input mode: integer text
                      {19, std::int32_t{'*'}},       // password character
                      {20, 0},                       // case conversion: none
                      {21, 0},                       // spin buttons: none
                      {22, 0},                       // spin minimum
                      {23, 100},                     // spin maximum
                      {24, 0},                       // selection start
                      {25, 0},                       // selection length
                      {27, std::string()},           // data source
                      {28, std::string()},           // data column
                  });
}

ControlRecord groupBox(const char* name, ControlId id, Place place, const char* caption,
                       std::vector<ControlId> children) {
    ControlRecord made = record(KindCode::GroupBox, name, id, place, kShown, 1,
                                {
                                    {8, std::string(caption)},       // caption
                                    {9, 0},                          // caption alignment: left
                                    {10, colourValue(0x000000u)},    // text colour
                                    {11, colourValue(kButtonFace)},  // background colour
                                    {12, Bytes{}},                   // font: the default GUI font
                                });
    made.children = std::move(children);
    return made;
}

// Item numbers travel as one little-endian u32 each.
Bytes itemNumbers(std::initializer_list<std::uint32_t> numbers) {
    Bytes packed;
    for (std::uint32_t number : numbers) {
        for (int shift = 0; shift < 32; shift += 8) packed.push_back(static_cast<std::uint8_t>(number >> shift));
    }
    return packed;
}

}  // namespace

forms::WindowDescription mainWindowDescription() {
    using namespace ids;
    forms::WindowDescription description;
    description.id = kMainWindowId;
    description.records = {
        mainWindow(),
        record(KindCode::PicBox, "图片框1", 图片框1, {0, 242, 10, 416, 422}, kShown, 2,
               {
                   {8, 3},                        // border style: thin sunken edge
                   {9, colourValue(0x0080E000u)}, // background colour: green
                   {10, Bytes{}},                 // picture: none
                   {11, 2},                       // display mode: fit and centre
                   {12, 1},                       // play animation
                   {13, std::string()},           // data source
                   {14, std::string()},           // data column
               }),
        button("按钮_保存", 按钮_保存, {分组框1, 160, 158, 57, 32}, "保存"),
        record(KindCode::ComboBox, "组合框1", 组合框1, {分组框2, 77, 100, 72, 20}, kShownTabStop, 3,
               {
                   {8, 2},                        // type: drop-down list
                   {9, std::string()},            // content
                   {10, 0},                       // maximum length: no limit
                   {11, 0},                       // selection start
                   {12, 0},                       // selection length
                   {14, 1},                       // sorted
                   {15, 1},                       // extra item height
                   {16, colourValue(0x000000u)},  // text colour
                   {17, colourValue(0xFFFFFFu)},  // background colour
                   {18, Bytes{}},                 // font: the default GUI font
                   {19, 0},                       // current selection: the first item
                   {20, TextList{"  1 寸", "  2 寸", "  3 寸", "  5 寸"}},  // list items
                   {21, itemNumbers({1, 2, 3, 4, 5})},  // item numbers (the fifth has no item)
                   {22, std::string()},           // data source
                   {23, std::string()},           // data column
                   {24, 0},                       // data setting
               }),
        label("标签10", 标签10, {分组框2, 6, 100, 66, 24}, "证件照尺寸："),
        label("原图片尺寸_标签", 原图片尺寸_标签, {0, 16, 113, 208, 24}, "图片原尺寸：0"),
        record(KindCode::DropTarget, "拖放对象1", 拖放对象1, {0, 168, 227, 26, 26}, kShown, 1,
               {
                   {8, 1},   // accept text
                   {9, 0},   // accept HTML
                   {10, 0},  // accept web addresses
                   {11, 1},  // accept files
               }),
        button("预览", 预览, {分组框2, 162, 58, 56, 25}, "预览"),
        editBox("自定义_图片高", 自定义_图片高, {分组框2, 77, 60, 72, 23}),
        label("标签9", 标签9, {分组框2, 6, 60, 56, 24}, "图片高度："),
        label("标签_网站", 标签_网站, {0, 10, 420, 112, 12}, "Quessel： Dorn", 0x000060C0u, false, kHandCursor),
        label("标签7", 标签7, {分组框2, 6, 138, 146, 12}, "大小木有限制自己定吧...", 0x000000FFu),
        record(KindCode::CommonDlg, "通用对话框1", 通用对话框1, {0, 200, 226, 26, 26}, kShown, 1,
               {
                   {8, 1},                                   // dialog type: save
                   {9, std::string()},                       // title: the system's
                   {10, std::string("图片文件")},            // file name
                   {11, std::string("JPG格式（*.jpg）|*.jpg|png格式（*.png）|*.png|")},  // filter
                   {12, 0},                                  // initial filter: the first pair
                   {13, std::string()},                      // initial directory
                   {14, std::string(".jpg")},                // default extension
                   {15, 0},                                  // prompt to create
                   {16, 1},                                  // file must exist
                   {17, 1},                                  // prompt before overwriting
                   {18, 1},                                  // path must exist
                   {19, 0},                                  // keep current directory
                   {20, 0},                                  // font dialog: colour
                   {21, 0},                                  // bold
                   {22, 0},                                  // italic
                   {23, 0},                                  // strike-out
                   {24, 0},                                  // underline
                   {25, std::string()},                      // face name
                   {26, 0},                                  // size
                   {27, std::string()},                      // help file
                   {28, 0},                                  // help command
                   {29, 0},                                  // help value
               }),
        label("提示_标签", 提示_标签, {0, 8, 400, 240, 12}, "", 0x000000FFu),
        button("保存_按钮2", 保存_按钮2, {分组框2, 162, 95, 56, 25}, "保存"),
        editBox("自定义_图片宽", 自定义_图片宽, {分组框2, 77, 20, 72, 23}),
        label("标签5", 标签5, {分组框2, 6, 20, 56, 24}, "图片宽度："),
        groupBox("分组框2", 分组框2, {0, 8, 232, 224, 160}, "自定图片宽高",
                 {组合框1, 标签10, 预览, 自定义_图片高, 标签9, 标签7, 保存_按钮2, 自定义_图片宽, 标签5}),
        label("标签4", 标签4, {分组框1, 6, 133, 210, 24}, "当前图片大小：0"),
        button("按钮_确定", 按钮_确定, {分组框1, 161, 69, 56, 32}, "确定"),
        editBox("编辑框1", 编辑框1, {分组框1, 83, 72, 72, 25}),
        label("标签2", 标签2, {分组框1, 6, 72, 80, 24}, "自定义大小："),
        record(KindCode::SliderBar, "滑块_图片大小", 滑块_图片大小, {分组框1, 37, 25, 181, 32}, kShownTabStop, 1,
               {
                   {8, 3},    // border style: thin sunken edge
                   {9, 0},    // vertical: no
                   {10, 2},   // tick marks below the track
                   {11, 30},  // tick frequency
                   {12, 0},   // selection range shown: no
                   {13, 0},   // selection start
                   {14, 0},   // selection length
                   {15, 10},  // page size
                   {16, 10},  // line size
                   {17, 10},  // minimum
                   {18, 420}, // maximum
                   {19, 0},   // position as stored: the thumb still starts at the minimum
               }),
        label("标签1", 标签1, {分组框1, 6, 27, 32, 24}, "尺寸："),
        groupBox("分组框1", 分组框1, {0, 8, 9, 224, 203}, "图片矩形缩放",
                 {标签3, 按钮_保存, 标签4, 按钮_确定, 编辑框1, 标签2, 滑块_图片大小, 标签1}),
        record(KindCode::DrawPanel, "画板1", 画板1, {0, 48, 370, 48, 32}, 0, 1,
               {
                   {8, 3},                           // border style: thin sunken edge
                   {9, colourValue(kButtonFace)},    // background colour
                   {10, Bytes{}},                    // background picture: none
                   {11, 2},                          // background picture mode
                   {12, 1},                          // auto-redraw: keep a backing store
                   {13, 0},                          // scale mode: pixels
                   {14, 1},                          // pen type: solid
                   {15, 12},                         // drawing mode: copy pen
                   {16, 0},                          // pen width
                   {17, colourValue(0x000000u)},     // pen colour
                   {18, 1},                          // brush type: solid
                   {19, colourValue(0xFFFFFFu)},     // brush colour
                   {20, colourValue(0x000000u)},     // text colour
                   {21, colourValue(kButtonFace)},   // text background: transparent
                   {22, Bytes{}},                    // font: the default GUI font
               }),
        label("标签3", 标签3, {分组框1, 6, 165, 178, 29}, "可以直接拖入图片调整大小。\r\n最大到尺寸到420", 0x008050FFu,
              true),
    };
    description.bindings = mainWindowBindings();
    return description;
}

}  // namespace tavrel
