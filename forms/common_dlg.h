#pragma once
// The common file dialog control: no visible part, only the dialog's settings. Showing the save
// dialog from these settings belongs here too.

#include <QObject>

#include "forms/control.h"

namespace tavrel::forms {

class CommonDlg final : public QObject, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 1;
    static constexpr std::int32_t kDialogType = 8;      // 0 open, 1 save, 2 font, 3 help
    static constexpr std::int32_t kTitle = 9;
    static constexpr std::int32_t kFileName = 10;       // initial name; the chosen path afterwards
    static constexpr std::int32_t kFilter = 11;         // description|pattern|... pairs
    static constexpr std::int32_t kInitialFilter = 12;  // counted from 0
    static constexpr std::int32_t kInitialDirectory = 13;
    static constexpr std::int32_t kDefaultExtension = 14;

    CommonDlg(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return nullptr; }
    bool canBeSeen() const override { return false; }

protected:
    void writeOwn(std::int32_t number, const PropertyValue& value) override;
};

}  // namespace tavrel::forms
