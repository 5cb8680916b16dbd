#pragma once
// A single-line text box. Text changed (event 0) follows every change the user makes and every
// write of its text by the program, once per write, after the new text is in place.

#include <QLineEdit>

#include "forms/control.h"

namespace tavrel::forms {

class EditBox final : public QLineEdit, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 2;
    static constexpr std::int32_t kContent = 8;
    static constexpr std::int32_t kBorderStyle = 9;
    static constexpr std::int32_t kTextColour = 10;
    static constexpr std::int32_t kBackgroundColour = 11;
    static constexpr std::int32_t kMaximumLength = 14;
    static constexpr std::int32_t kAlignment = 17;
    static constexpr std::int32_t kInputMode = 18;
    static constexpr std::int32_t kSelectionStart = 24;
    static constexpr std::int32_t kSelectionLength = 25;
    static constexpr std::int32_t kSelectedText = 26;
    static constexpr std::int32_t kTextChanged = 0;

    // Input modes: what typing may put into the box.
    enum class InputMode : std::int32_t { Normal = 0, ReadOnly = 1, Password = 2, Integer = 3, Decimal = 4 };

    EditBox(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return this; }

protected:
    PropertyValue readOwn(std::int32_t number) const override;
    void writeOwn(std::int32_t number, const PropertyValue& value) override;
    void applySetting(std::int32_t number) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The typed text without the characters the input mode discards.
    QString typeable(const QString& typed) const;
    void applyColours();

    bool mute_ = false;  // set while the form layer itself changes the text
};

}  // namespace tavrel::forms
