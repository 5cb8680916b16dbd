#pragma once
// Control kinds the loader can build: kind code -> the newest kind block version it reads and the
// factory that makes a live control from a record.

#include <cstdint>

#include "forms/description.h"

namespace tavrel::forms {

class Control;
class FormWindow;

// Makes the control as a child of the window; nullptr when it cannot be made.
using ControlFactory = Control* (*)(const ControlRecord& record, FormWindow& window);

struct ControlKind {
    std::uint32_t highestVersion = 0;
    ControlFactory factory = nullptr;  // nullptr for the window kind: the loader builds windows
};

// A later registration of the same code replaces the earlier one.
void registerControlKind(KindCode kind, std::uint32_t highestVersion, ControlFactory factory);
const ControlKind* findControlKind(KindCode kind);

template <class Kind>
Control* makeControl(const ControlRecord& record, FormWindow& window) {
    return new Kind(record, window);
}

}  // namespace tavrel::forms
