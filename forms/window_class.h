#pragma once
// Window classes: a name under which top-level windows of one kind are made, registered once per
// process before any window exists, for creators that know the name but not the code behind it.

#include <string_view>

class QWidget;

namespace tavrel::forms {

// Makes a new top-level window of the class, hidden; nullptr when it cannot be made.
using WindowFactory = QWidget* (*)();

// False for an empty name, a null factory, or a name already registered: the first registration
// of a name stays.
bool registerWindowClass(std::string_view name, WindowFactory factory);
bool isWindowClassRegistered(std::string_view name);

// A new hidden top-level window of the class, owned by the caller; nullptr for an unknown class
// or when the window cannot be made.
QWidget* createWindowOfClass(std::string_view name);

}  // namespace tavrel::forms
