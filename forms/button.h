#pragma once
// A push button: clicked (event 0) on a mouse click inside it or Space while it has the focus.

#include <QPushButton>

#include "forms/control.h"

namespace tavrel::forms {

class Button final : public QPushButton, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 1;
    static constexpr std::int32_t kPicture = 8;
    static constexpr std::int32_t kCaption = 10;
    static constexpr std::int32_t kClicked = 0;

    Button(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return this; }

protected:
    void applySetting(std::int32_t number) override;
};

}  // namespace tavrel::forms
