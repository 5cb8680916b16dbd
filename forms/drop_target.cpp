#include "forms/drop_target.h"

#include "forms/form_window.h"

namespace tavrel::forms {

DropTarget::DropTarget(const ControlRecord& record, FormWindow& window) : QObject(&window), Control(record, window) {}

}  // namespace tavrel::forms
