#pragma once
// The picture box: keeps its own copy of the picture bytes it is given and paints its client area
// in its background colour.

#include <cstdint>
#include <span>

#include <QWidget>

#include "forms/control.h"
#include "image/image_types.h"

namespace tavrel {

class PicBox final : public QWidget, public forms::Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 2;
    static constexpr std::int32_t kBorderStyle = 8;
    static constexpr std::int32_t kBackgroundColour = 9;
    static constexpr std::int32_t kPicture = 10;
    static constexpr std::int32_t kDisplayMode = 11;  // 0 natural size, 1 stretched, 2 fitted and centred
    static constexpr std::int32_t kPlayAnimation = 12;

    PicBox(const forms::ControlRecord& record, forms::FormWindow& window);

    // Makes the kind known to the form layer's loader.
    static void registerKind();

    QWidget* widget() override { return this; }
    bool capturesMouse() const override { return false; }

    // Keeps a copy of the bytes as the picture property and repaints with them.
    void setPicture(std::span<const std::uint8_t> bytes);
    // Asks for a repaint of the whole client area; the paint comes from the message loop.
    void redraw();

    // The client area: inside the edge.
    QRect clientArea() const;

protected:
    void writeOwn(std::int32_t number, const forms::PropertyValue& value) override;
    void applySetting(std::int32_t number) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tavrel
