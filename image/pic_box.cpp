#include "image/pic_box.h"

#include <algorithm>
#include <new>

#include <QPainter>

#include "forms/colours.h"
#include "forms/edges.h"
#include "forms/form_window.h"
#include "forms/kind_registry.h"

namespace tavrel {

PicBox::PicBox(const forms::ControlRecord& record, forms::FormWindow& window) : QWidget(&window), Control(record, window) {
    setFocusPolicy(Qt::NoFocus);
    // The box paints every pixel itself; nothing is erased under it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PicBox::registerKind() {
    forms::registerControlKind(forms::KindCode::PicBox, kHighestVersion, &forms::makeControl<PicBox>);
}

void PicBox::setPicture(std::span<const std::uint8_t> bytes) {
    try {
        storeSetting(kPicture, forms::Bytes(bytes.begin(), bytes.end()));
    } catch (const std::bad_alloc&) {
        // No room for the copy: the box shows no picture.
        storeSetting(kPicture, forms::Bytes{});
    }
    update(clientArea());
}

void PicBox::redraw() { update(); }

QRect PicBox::clientArea() const {
    const int edge = forms::edgeWidth(forms::borderStyleFrom(numberSetting(kBorderStyle)));
    return rect().marginsRemoved(QMargins(edge, edge, edge, edge));
}

void PicBox::writeOwn(std::int32_t number, const forms::PropertyValue& value) {
    switch (number) {
        case kPicture:
            if (const auto* bytes = std::get_if<forms::Bytes>(&value)) {
                setPicture(*bytes);
            } else {
                setPicture({});
            }
            return;
        case kBorderStyle: storeSetting(number, std::clamp(forms::numberFrom(value), 0, 5)); break;
        case kDisplayMode: storeSetting(number, std::clamp(forms::numberFrom(value), 0, 2)); break;
        default: storeSetting(number, value); break;
    }
    applySetting(number);
}

void PicBox::applySetting(std::int32_t) { update(); }

void PicBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(clientArea(), forms::colourFromRef(colourSetting(kBackgroundColour, forms::kButtonFaceMarker)));
    forms::drawEdge(painter, rect(), forms::borderStyleFrom(numberSetting(kBorderStyle)), palette());
}

}  // namespace tavrel
