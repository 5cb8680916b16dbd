#pragma once
// The handlers that belong to the main window itself, the credit label's, and the exit routine.

#include <cstdint>

namespace tavrel {

// The author's profile page on the forum, opened by the credit label.
inline constexpr const char* kCreditAddress = "https://bbs.tavrel.example/home.php?mod=space&uid=52018";

// Runs while the window is still hidden.
void windowCreated();
// Runs while the window and its controls still exist.
void windowWillBeDestroyed();
// Left button released over 标签_网站; the position and keys do not matter.
void creditLabelReleased(std::int32_t x, std::int32_t y, std::int32_t keyState);
// Runs once when the program ends.
void exitRoutine();

}  // namespace tavrel
