#pragma once
// Static text that paints itself: its whole rectangle in the background colour, then the caption.

#include <QWidget>

#include "forms/control.h"

namespace tavrel::forms {

class Label final : public QWidget, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 2;
    // Settings by property number.
    static constexpr std::int32_t kCaption = 8;
    static constexpr std::int32_t kBorderStyle = 10;
    static constexpr std::int32_t kTextColour = 16;
    static constexpr std::int32_t kBackgroundColour = 17;
    static constexpr std::int32_t kHorizontalAlignment = 24;
    static constexpr std::int32_t kWordWrap = 25;
    static constexpr std::int32_t kVerticalAlignment = 26;

    Label(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return this; }
    bool capturesMouse() const override { return false; }

protected:
    void applySetting(std::int32_t number) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tavrel::forms
