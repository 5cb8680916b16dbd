#pragma once
// The main window's binding table: which handler each bound event of the window reaches.

#include <vector>

#include "forms/types.h"

namespace tavrel {

std::vector<forms::Binding> mainWindowBindings();

}  // namespace tavrel
