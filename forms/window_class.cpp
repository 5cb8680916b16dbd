#include "forms/window_class.h"

#include <functional>
#include <map>
#include <new>
#include <string>

#include <QWidget>

namespace tavrel::forms {
namespace {

std::map<std::string, WindowFactory, std::less<>>& windowClasses() {
    static std::map<std::string, WindowFactory, std::less<>> registered;
    return registered;
}

}  // namespace

bool registerWindowClass(std::string_view name, WindowFactory factory) {
    if (name.empty() || !factory) return false;
    try {
        return windowClasses().emplace(std::string(name), factory).second;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool isWindowClassRegistered(std::string_view name) { return windowClasses().count(name) != 0; }

QWidget* createWindowOfClass(std::string_view name) {
    auto found = windowClasses().find(name);
    if (found == windowClasses().end()) return nullptr;
    QWidget* window = nullptr;
    try {
        window = found->second();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // A window of a class stands alone on the desktop and belongs to its caller, whatever parent
    // the factory gave it.
    if (window && window->parentWidget()) window->setParent(nullptr);
    return window;
}

}  // namespace tavrel::forms
