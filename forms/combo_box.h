#pragma once
// A combo box. A confirmed choice from the list (the item already selected included) raises list
// item selected (event 0) from a posted call, so the handler runs after the list has closed.

#include <QComboBox>

#include "forms/control.h"

namespace tavrel::forms {

class ComboBox final : public QComboBox, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 3;
    static constexpr std::int32_t kType = 8;  // 0 simple list, 1 editable drop-down, 2 drop-down list
    static constexpr std::int32_t kContent = 9;
    static constexpr std::int32_t kSorted = 14;
    static constexpr std::int32_t kTextColour = 16;
    static constexpr std::int32_t kBackgroundColour = 17;
    static constexpr std::int32_t kSelection = 19;
    static constexpr std::int32_t kItems = 20;
    static constexpr std::int32_t kItemNumbers = 21;  // one little-endian u32 per item
    static constexpr std::int32_t kItemSelected = 0;

    ComboBox(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return this; }

protected:
    PropertyValue readOwn(std::int32_t number) const override;
    void writeOwn(std::int32_t number, const PropertyValue& value) override;
    void applySetting(std::int32_t number) override;
    void applyGeometry() override;

private:
    void fillItems();
    void applySelection(std::int32_t index);

    bool mute_ = false;  // set while the form layer itself changes the box
};

}  // namespace tavrel::forms
