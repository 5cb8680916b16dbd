#include "image/draw_panel.h"

#include <algorithm>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include "forms/colours.h"
#include "forms/edges.h"
#include "forms/form_window.h"
#include "forms/kind_registry.h"
#include "image/bitmap.h"
#include "image/resize.h"

namespace tavrel {
namespace {

StretchMode screenStretchMode() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return stretchModeForDepth(screen ? screen->depth() : 0);
}

// Every newly made part of the store gets the background colour, the button face by default.
Pixel backgroundPixel(const forms::ControlRecord& record) {
    std::uint32_t stored = forms::kButtonFaceMarker;
    for (const forms::Setting& setting : record.block.settings) {
        if (setting.property == DrawPanel::kBackgroundColour) {
            stored = static_cast<std::uint32_t>(forms::numberFrom(setting.value));
        }
    }
    const QColor colour = forms::colourFromRef(stored);
    return makePixel(static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
                     static_cast<std::uint8_t>(colour.blue()));
}

}  // namespace

DrawPanel::DrawPanel(const forms::ControlRecord& record, forms::FormWindow& window)
    : QWidget(&window),
      Control(record, window),
      surface_(width_, height_, backgroundPixel(record), screenStretchMode()) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawPanel::registerKind() {
    forms::registerControlKind(forms::KindCode::DrawPanel, kHighestVersion, &forms::makeControl<DrawPanel>);
}

void DrawPanel::drawImage(const ImageRegistry& registry, ImageHandle image, std::int32_t x, std::int32_t y,
                          std::int32_t width, std::int32_t height) {
    chooseStretchMode();
    surface_.drawImage(registry, image, x, y, width, height);
    update();
}

ByteBuffer DrawPanel::grabImage(std::int32_t width, std::int32_t height) {
    chooseStretchMode();
    return surface_.grabImage(width, height);
}

ByteBuffer DrawPanel::resize(const ImageRegistry& registry, ImageHandle source, std::int32_t width,
                             std::int32_t height) {
    chooseStretchMode();
    ByteBuffer result = resizeImage(surface_, registry, source, width, height);
    width_ = surface_.width();
    height_ = surface_.height();
    applyGeometry();  // the surface already has this size: nothing is rebuilt
    return result;
}

std::int32_t DrawPanel::imageWidth(const ImageRegistry& registry, ImageHandle image) const {
    return surface_.imageWidth(registry, image);
}

std::int32_t DrawPanel::imageHeight(const ImageRegistry& registry, ImageHandle image) const {
    return surface_.imageHeight(registry, image);
}

forms::PropertyValue DrawPanel::readOwn(std::int32_t number) const {
    // The drawable area lies inside the one-pixel edge and is never below 1 x 1.
    if (number == kDrawingWidth) return std::max(1, surface_.width() - 2);
    if (number == kDrawingHeight) return std::max(1, surface_.height() - 2);
    return Control::readOwn(number);
}

void DrawPanel::writeOwn(std::int32_t number, const forms::PropertyValue& value) {
    if (number == kDrawingWidth || number == kDrawingHeight) return;
    Control::writeOwn(number, value);
}

void DrawPanel::applyGeometry() {
    Control::applyGeometry();
    // Width first, then height: each change of size rebuilds the store keeping its top-left part.
    surface_.setWidth(width_);
    surface_.setHeight(height_);
    update();
}

void DrawPanel::chooseStretchMode() { surface_.setStretchMode(screenStretchMode()); }

void DrawPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const Bitmap& store = surface_.store();
    if (store.width > 0 && store.height > 0 && !store.pixels.empty()) {
        // Pixels are blue, green, red, unused in memory: the toolkit's 32-bit RGB layout.
        const QImage shown(reinterpret_cast<const uchar*>(store.pixels.data()), store.width, store.height,
                           static_cast<qsizetype>(store.width) * 4, QImage::Format_RGB32);
        painter.drawImage(QPoint(1, 1), shown);
    }
    forms::drawEdge(painter, rect(), forms::borderStyleFrom(numberSetting(kBorderStyle)), palette());
}

}  // namespace tavrel
