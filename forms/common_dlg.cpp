#include "forms/common_dlg.h"

#include <algorithm>

#include "forms/form_window.h"

namespace tavrel::forms {

CommonDlg::CommonDlg(const ControlRecord& record, FormWindow& window) : QObject(&window), Control(record, window) {}

void CommonDlg::writeOwn(std::int32_t number, const PropertyValue& value) {
    switch (number) {
        case kDialogType: storeSetting(number, std::clamp(numberFrom(value), 0, 3)); return;
        case kInitialFilter: storeSetting(number, std::max(numberFrom(value), 0)); return;
        default: Control::writeOwn(number, value); return;
    }
}

}  // namespace tavrel::forms
