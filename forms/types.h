#pragma once
// Numbers shared by the window description, the form layer and the handlers: ids, kind codes,
// property and event numbers, property values, event arguments and the binding table.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tavrel::forms {

using WindowId = std::uint32_t;
using ControlId = std::uint32_t;

// The window is one entry of its own control list; window-level properties and events use it.
inline constexpr ControlId kWindowEntryId = 0x06010000u;

// Kind code = library number * 0x10000 + kind number; stored in every description record.
enum class KindCode : std::uint32_t {
    Window = 0x00010001u,
    EditBox = 0x00010005u,
    PicBox = 0x00010006u,
    DrawPanel = 0x00010008u,
    GroupBox = 0x00010009u,
    Label = 0x0001000Au,
    Button = 0x0001000Bu,
    ComboBox = 0x0001000Eu,
    SliderBar = 0x00010014u,
    CommonDlg = 0x0001001Fu,
    DropTarget = 0x00020001u,
};

// Properties every kind shares, the window included; kind-specific ones start at kFirstOwnProperty.
namespace property {
inline constexpr std::int32_t kLeft = 0;
inline constexpr std::int32_t kTop = 1;
inline constexpr std::int32_t kWidth = 2;
inline constexpr std::int32_t kHeight = 3;
inline constexpr std::int32_t kTag = 4;
inline constexpr std::int32_t kVisible = 5;
inline constexpr std::int32_t kDisabled = 6;
inline constexpr std::int32_t kMousePointer = 7;
inline constexpr std::int32_t kFirstOwnProperty = 8;
}  // namespace property

// Limits of property writes: places and sizes are clamped, never refused.
inline constexpr std::int32_t kMaxPlace = 32627;
inline constexpr std::int32_t kMaxSize = 32627;

// Events common to every kind with a window. Kind-specific events count up from 0.
enum class CommonEvent : std::int32_t {
    LeftDown = -1,
    LeftUp = -2,
    LeftDoubleClick = -3,
    RightDown = -4,
    RightUp = -5,
    MouseMove = -6,
    FocusGained = -7,
    FocusLost = -8,
    KeyDown = -9,
    KeyUp = -10,
    Character = -11,
    Wheel = -12,
};

// Events of the window itself. 1 asks whether the window may close; 3 and 4 follow created
// before the window is first shown.
enum class WindowEvent : std::int32_t {
    Created = 0,
    CloseQuery = 1,
    WillBeDestroyed = 2,
    Loaded = 3,
    AboutToShow = 4,
};

// Bits of the key-state argument of mouse events.
enum KeyState : std::int32_t { kCtrlHeld = 1, kShiftHeld = 2, kAltHeld = 4 };

using Bytes = std::vector<std::uint8_t>;
using TextList = std::vector<std::string>;

// A property value: a 32-bit number (colours 0x00BBGGRR included), a UTF-8 text, bytes, or a
// list of texts (the combo box's items).
using PropertyValue = std::variant<std::int32_t, std::string, Bytes, TextList>;

// Colours are unsigned 0x00BBGGRR words; the form stores them in 32-bit number properties.
inline constexpr std::int32_t colourValue(std::uint32_t colour) { return static_cast<std::int32_t>(colour); }

// Arguments an event carries: mouse events fill x, y and keyState, the drop target a text.
struct EventArgs {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t keyState = 0;
    std::string text;
};

// Handlers are plain functions. Most take nothing; mouse handlers take x, y and the key state;
// the drop target's handlers take the dropped text.
using PlainHandler = void (*)();
using MouseHandler = void (*)(std::int32_t x, std::int32_t y, std::int32_t keyState);
using TextHandler = void (*)(const std::string& text);
using Handler = std::variant<PlainHandler, MouseHandler, TextHandler>;

// One row of a window's binding table.
struct Binding {
    WindowId window;
    ControlId control;
    std::int32_t event;
    Handler handler;
};

}  // namespace tavrel::forms
