#pragma once
// The program's entry and lifetime, from a ready application object to the exit code.

#include "forms/description.h"

namespace tavrel {

// Extended precision, rounding to nearest, every floating-point exception masked.
void resetFloatingPoint();

// Starts the form layer, registers the exit routine, runs the module initialisers, loads the
// window and runs the message loop. Returns 0 after a normal close, -1 when the window cannot
// be built.
int runProgram(const forms::WindowDescription& description);

}  // namespace tavrel
