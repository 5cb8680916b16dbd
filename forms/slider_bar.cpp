#include "forms/slider_bar.h"

#include <algorithm>
#include <cstdlib>

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionSlider>

#include "forms/edges.h"
#include "forms/form_window.h"

namespace tavrel::forms {

SliderBar::SliderBar(const ControlRecord& record, FormWindow& window) : QSlider(&window), Control(record, window) {
    // Every report of the control but the end of a track: each key or page step, every drag
    // move, and the release of a dragged thumb.
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderNoAction) reportPosition();
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] { reportPosition(); });
}

void SliderBar::reportPosition() {
    storeSetting(kPosition, std::int32_t{sliderPosition()});
    fireEvent(kPositionChanged);
}

void SliderBar::writeOwn(std::int32_t number, const PropertyValue& value) {
    if (number == kPosition) {
        // Stored as written within 0..32767; the thumb shows it clamped into the range. The
        // control reports nothing for a move the program makes.
        storeSetting(kPosition, std::clamp(numberFrom(value), 0, kMaxStoredPosition));
        applySetting(kPosition);
        return;
    }
    Control::writeOwn(number, value);
}

void SliderBar::applySetting(std::int32_t number) {
    switch (number) {
        case kVertical:
            setOrientation(numberSetting(kVertical) != 0 ? Qt::Vertical : Qt::Horizontal);
            // Like the track bar it stands for, a vertical slider has its minimum at the top.
            setInvertedAppearance(orientation() == Qt::Vertical);
            break;
        case kTickMarks:
            setTickPosition(static_cast<QSlider::TickPosition>(std::clamp(numberSetting(kTickMarks), 0, 3)));
            break;
        case kTickFrequency:
        case kPageSize:
        case kLineSize:
        case kMinimum:
        case kMaximum: applyRange(); break;
        case kPosition: {
            const bool blocked = blockSignals(true);
            setValue(std::clamp(numberSetting(kPosition), minimum(), maximum()));
            blockSignals(blocked);
            break;
        }
        case kBorderStyle: update(); break;
        default: break;
    }
}

void SliderBar::applyRange() {
    const std::int32_t first = numberSetting(kMinimum);
    const std::int32_t second = numberSetting(kMaximum);
    const bool blocked = blockSignals(true);
    setRange(std::min(first, second), std::max(first, second));
    const std::int32_t span = std::max(1, std::abs(second - first));
    setTickInterval(std::clamp(numberSetting(kTickFrequency), 1, span));
    setPageStep(std::clamp(numberSetting(kPageSize), 1, span));
    setSingleStep(std::clamp(numberSetting(kLineSize), 1, span));
    setValue(std::clamp(numberSetting(kPosition), minimum(), maximum()));
    blockSignals(blocked);
}

void SliderBar::keyPressEvent(QKeyEvent* event) {
    // Up and Left move toward the minimum, Down and Right toward the maximum; Page Up and Page
    // Down step a page the same ways.
    SliderAction action = SliderNoAction;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up: action = SliderSingleStepSub; break;
        case Qt::Key_Right:
        case Qt::Key_Down: action = SliderSingleStepAdd; break;
        case Qt::Key_PageUp: action = SliderPageStepSub; break;
        case Qt::Key_PageDown: action = SliderPageStepAdd; break;
        case Qt::Key_Home: action = SliderToMinimum; break;
        case Qt::Key_End: action = SliderToMaximum; break;
        default: QSlider::keyPressEvent(event); return;
    }
    triggerAction(action);
    event->accept();
}

void SliderBar::initStyleOption(QStyleOptionSlider* option) const {
    QSlider::initStyleOption(option);
    const int edge = edgeWidth(borderStyleFrom(numberSetting(kBorderStyle)));
    option->rect = option->rect.marginsRemoved(QMargins(edge, edge, edge, edge));
}

void SliderBar::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    QPainter painter(this);
    drawEdge(painter, rect(), borderStyleFrom(numberSetting(kBorderStyle)), palette());
}

}  // namespace tavrel::forms
