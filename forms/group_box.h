#pragma once
// A captioned frame that contains other controls. Its client area is its whole rectangle, so the
// controls inside keep their stored places counted from its top-left corner.

#include <QWidget>

#include "forms/control.h"

namespace tavrel::forms {

class GroupBox final : public QWidget, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 1;
    static constexpr std::int32_t kCaption = 8;
    static constexpr std::int32_t kCaptionAlignment = 9;
    static constexpr std::int32_t kTextColour = 10;
    static constexpr std::int32_t kBackgroundColour = 11;

    GroupBox(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return this; }
    bool capturesMouse() const override { return false; }

protected:
    void applySetting(std::int32_t number) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tavrel::forms
