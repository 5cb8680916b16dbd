#pragma once
// The message box handlers show: modal for the whole program while it is up.

#include <cstdint>
#include <optional>
#include <string>

namespace tavrel::forms {

// Flag bits: buttons in the low four bits, then the icon and the default button.
enum MessageBoxFlag : std::uint32_t {
    kOkOnly = 0x0u,
    kOkCancel = 0x1u,
    kAbortRetryIgnore = 0x2u,
    kYesNoCancel = 0x3u,
    kYesNo = 0x4u,
    kRetryCancel = 0x5u,
    kIconStop = 0x10u,
    kIconQuestion = 0x20u,
    kIconExclamation = 0x30u,
    kIconInformation = 0x40u,
    kDefaultSecond = 0x100u,
    kDefaultThird = 0x200u,
};

// The button the user pressed; Ok also when the box could not be shown.
enum class MessageBoxResult : std::int32_t {
    Ok = 0,
    Cancel = 1,
    Abort = 2,
    Retry = 3,
    Ignore = 4,
    Yes = 5,
    No = 6,
};

inline constexpr const char* kDefaultMessageBoxTitle = "信息：";

// Shows `text` and waits until the box is closed; every window of the program takes no input
// meanwhile. Returns the pressed button's code (MessageBoxResult).
std::int32_t messageBox(const std::string& text, std::uint32_t flags = kOkOnly,
                        const std::optional<std::string>& title = std::nullopt);

}  // namespace tavrel::forms
