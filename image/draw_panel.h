#pragma once
// The canvas control: a hidden child of the window whose backing store is the off-screen drawing
// surface. Its width and height writes resize the surface; its methods draw and grab through it.

#include <cstdint>

#include <QWidget>

#include "forms/control.h"
#include "image/drawing_surface.h"
#include "image/image_types.h"

namespace tavrel {

class ImageRegistry;

class DrawPanel final : public QWidget, public forms::Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 1;
    static constexpr std::int32_t kBorderStyle = 8;
    static constexpr std::int32_t kBackgroundColour = 9;
    static constexpr std::int32_t kDrawingWidth = 23;   // read only: the drawable area
    static constexpr std::int32_t kDrawingHeight = 24;

    DrawPanel(const forms::ControlRecord& record, forms::FormWindow& window);

    // Makes the kind known to the form layer's loader.
    static void registerKind();

    QWidget* widget() override { return this; }

    // Draws a registered picture with its top-left at (x, y) stretched to width x height
    // (-1: its own size). Invalid handles draw nothing.
    void drawImage(const ImageRegistry& registry, ImageHandle image, std::int32_t x, std::int32_t y,
                   std::int32_t width = -1, std::int32_t height = -1);
    // The store as a 24-bit BMP of width x height (0: the store's size, -p: p per cent of it).
    ByteBuffer grabImage(std::int32_t width, std::int32_t height);
    // The resize sequence on this canvas: size, draw `source` stretched over it, grab the result
    // (a single non-zero size gives a square). The canvas's own size follows, as its writes would.
    ByteBuffer resize(const ImageRegistry& registry, ImageHandle source, std::int32_t width, std::int32_t height);
    std::int32_t imageWidth(const ImageRegistry& registry, ImageHandle image) const;
    std::int32_t imageHeight(const ImageRegistry& registry, ImageHandle image) const;

    const DrawingSurface& surface() const { return surface_; }

protected:
    forms::PropertyValue readOwn(std::int32_t number) const override;
    void writeOwn(std::int32_t number, const forms::PropertyValue& value) override;
    void applyGeometry() override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Chosen anew for every stretch: the display's depth may have changed since the last one.
    void chooseStretchMode();

    DrawingSurface surface_;
};

}  // namespace tavrel
