#pragma once
// The slider keeps a stored position apart from its thumb: reading gives the stored value, which
// changes only when the program writes it or when the user moves the thumb.

#include <QSlider>

#include "forms/control.h"

namespace tavrel::forms {

class SliderBar final : public QSlider, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 1;
    static constexpr std::int32_t kBorderStyle = 8;
    static constexpr std::int32_t kVertical = 9;
    static constexpr std::int32_t kTickMarks = 10;  // 0 none, 1 above, 2 below, 3 both sides
    static constexpr std::int32_t kTickFrequency = 11;
    static constexpr std::int32_t kPageSize = 15;
    static constexpr std::int32_t kLineSize = 16;
    static constexpr std::int32_t kMinimum = 17;
    static constexpr std::int32_t kMaximum = 18;
    static constexpr std::int32_t kPosition = 19;
    static constexpr std::int32_t kMaxStoredPosition = 32767;
    static constexpr std::int32_t kPositionChanged = 0;

    SliderBar(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return this; }

protected:
    void writeOwn(std::int32_t number, const PropertyValue& value) override;
    void applySetting(std::int32_t number) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The track, thumb and ticks keep inside the edge, for painting and for hit-testing alike.
    void initStyleOption(QStyleOptionSlider* option) const override;

private:
    // The control moved: the stored position follows the thumb, then the event fires.
    void reportPosition();
    // Range, steps and tick spacing; steps are kept within 1 .. |maximum - minimum|.
    void applyRange();
};

}  // namespace tavrel::forms
