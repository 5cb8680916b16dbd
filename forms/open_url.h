#pragma once
// Hands a web address to the desktop, which opens it in the user's browser.

#include <string>

namespace tavrel::forms {

// A failure is not reported.
void openUrl(const std::string& address);

}  // namespace tavrel::forms
