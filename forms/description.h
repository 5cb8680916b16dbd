#pragma once
// A window described as data: the window's own record first, then one record per control in list
// order (the order fixes stacking and the tab cycle), plus the window's binding table.

#include <cstdint>
#include <string>
#include <vector>

#include "forms/types.h"

namespace tavrel::forms {

// Bits of a record's flags word.
enum ControlFlag : std::uint32_t {
    kVisible = 1u,
    kDisabled = 2u,
    kTabStop = 4u,
};

// One kind-specific setting by property number (8 and up).
struct Setting {
    std::int32_t property;
    PropertyValue value;
};

// The kind's own settings, opened by the format version they were written in.
struct KindBlock {
    std::uint32_t version = 0;
    std::vector<Setting> settings;
};

struct ControlRecord {
    KindCode kind = KindCode::Window;
    std::string name;            // empty for the window
    ControlId id = 0;            // kWindowEntryId for the window
    ControlId parent = 0;        // the containing group box; 0 = the window
    std::int32_t left = 0;       // in the parent's client area
    std::int32_t top = 0;
    std::int32_t width = 0;      // the window's width and height are its outer size
    std::int32_t height = 0;
    std::vector<ControlId> children;  // a group box lists the controls it contains
    std::int32_t mousePointer = 0;    // stock cursor number, 0 = default arrow
    std::uint32_t flags = 0;          // ControlFlag bits
    std::uint32_t tabOrder = 0;
    KindBlock block;
};

struct WindowDescription {
    WindowId id = 0;
    std::vector<ControlRecord> records;  // records[0] is the window itself
    std::vector<Binding> bindings;       // checked against the records when the window loads
};

}  // namespace tavrel::forms
