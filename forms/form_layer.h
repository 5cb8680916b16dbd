#pragma once
// The form layer's procedures: start and end of the program, loading windows from their
// description, event delivery through the binding tables, and property access by id.

#include <cstdint>
#include <string>

#include "forms/description.h"
#include "forms/types.h"

class QWidget;

namespace tavrel::forms {

class Control;
class FormWindow;

// Before the application object exists: places are device pixels, so no scaling.
void prepareToolkit();
// Once the application object exists: the default GUI font, the look, the keyboard and mouse
// pre-processing of form windows, the standard control kinds, and the program's folder as the
// current directory.
void initialise();

using ExitRoutine = void (*)();
// Exit routines run once, in registration order, when the program ends.
void registerExitRoutine(ExitRoutine routine);

// Builds the window hidden with events held, raises its created event, then shows it. When the
// description cannot be built (unknown kind, a kind block newer than the loader knows, a bad
// binding, a control that cannot be made) an error message box is shown and false returned.
bool loadWindow(const WindowDescription& description);
// Runs the message loop until the last window has closed; returns the loop's exit code.
int runMessageLoop();
// The program-end sequence: hold events, unload what is left, run the exit routines in order.
// Returns exitCode for the process to end with.
int endProgram(int exitCode);

// While the hold is above zero no event reaches a handler.
int eventHold();
void holdEvents();
void releaseEvents();

// Delivers one event to the handler the binding table names; returns once it has run.
void raiseEvent(WindowId window, ControlId control, std::int32_t event, const EventArgs& args = {});

// Property access by (window, control, property number); a missing control reads as 0 and
// ignores writes.
PropertyValue readProperty(WindowId window, ControlId control, std::int32_t number);
void writeProperty(WindowId window, ControlId control, std::int32_t number, const PropertyValue& value);
std::int32_t readNumber(WindowId window, ControlId control, std::int32_t number);
std::string readText(WindowId window, ControlId control, std::int32_t number);

FormWindow* findWindow(WindowId window);
Control* findControl(WindowId window, ControlId control);
// Typed access for control methods, e.g. the canvas's drawing; nullptr for another kind.
template <class Kind>
Kind* controlAs(WindowId window, ControlId control) {
    return dynamic_cast<Kind*>(findControl(window, control));
}
// The native window of a loaded window (its top-level widget); nullptr when not loaded.
QWidget* windowHandle(WindowId window);

namespace detail {
// Forgets a closing window at once and deletes it once the close has run its course; the loop
// ends when no window is left.
void unloadLater(FormWindow& window);
// Makes a freshly built window reachable by its id.
void addLoadedWindow(FormWindow* window);
}  // namespace detail

}  // namespace tavrel::forms
