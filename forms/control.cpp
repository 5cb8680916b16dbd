#include "forms/control.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCursor>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include "forms/conversions.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

// The stock cursors a mouse-pointer property can name, by their stock numbers.
Qt::CursorShape cursorShapeFor(std::int32_t stockNumber) {
    switch (stockNumber) {
        case 32513: return Qt::IBeamCursor;
        case 32514: return Qt::WaitCursor;
        case 32515: return Qt::CrossCursor;
        case 32516: return Qt::UpArrowCursor;
        case 32642: return Qt::SizeFDiagCursor;
        case 32643: return Qt::SizeBDiagCursor;
        case 32644: return Qt::SizeHorCursor;
        case 32645: return Qt::SizeVerCursor;
        case 32646: return Qt::SizeAllCursor;
        case 32648: return Qt::ForbiddenCursor;
        case 32649: return Qt::PointingHandCursor;
        case 32650: return Qt::BusyCursor;
        case 32651: return Qt::WhatsThisCursor;
        default: return Qt::ArrowCursor;  // 0 and 32512 are the arrow; unknown numbers too
    }
}

}  // namespace

std::int32_t numberFrom(const PropertyValue& value) {
    if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
    if (const auto* text = std::get_if<std::string>(&value)) {
        const double typed = textToNumber(*text);
        if (std::isnan(typed)) return 0;
        constexpr double kLow = std::numeric_limits<std::int32_t>::min();
        constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(std::clamp(std::trunc(typed), kLow, kHigh));
    }
    return 0;
}

std::string textFrom(const PropertyValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<std::int32_t>(&value)) return numberToText(*number);
    return {};
}

Control::Control(const ControlRecord& record, FormWindow& window)
    : left_(record.left),
      top_(record.top),
      width_(std::clamp(record.width, 0, kMaxSize)),
      height_(std::clamp(record.height, 0, kMaxSize)),
      window_(window),
      id_(record.id),
      kind_(record.kind),
      name_(record.name),
      parentId_(record.parent),
      tabOrder_(record.tabOrder),
      tabStop_((record.flags & kTabStop) != 0),
      visible_((record.flags & kVisible) != 0),
      disabled_((record.flags & kDisabled) != 0),
      mousePointer_(record.mousePointer) {
    for (const Setting& setting : record.block.settings) settings_[setting.property] = setting.value;
}

// The widgets may outlive this part of the object while Qt takes them down: forget them first
// so input that arrives meanwhile finds no control.
Control::~Control() { detachInputs(); }

void Control::detachInputs() {
    for (const QPointer<QWidget>& input : registeredInputs_) {
        if (input) input->setProperty(kControlPropertyName, QVariant());
    }
    registeredInputs_.clear();
}

WindowId Control::windowId() const { return window_.formId(); }

PropertyValue Control::readProperty(std::int32_t number) const {
    switch (number) {
        case property::kLeft: return left_;
        case property::kTop: return top_;
        case property::kWidth: return width_;
        case property::kHeight: return height_;
        case property::kTag: return tag_;
        case property::kVisible: return std::int32_t{visible_};
        case property::kDisabled: return std::int32_t{disabled_};
        case property::kMousePointer: return mousePointer_;
        default: break;
    }
    if (number < property::kFirstOwnProperty) return std::int32_t{0};
    return readOwn(number);
}

void Control::writeProperty(std::int32_t number, const PropertyValue& value) {
    switch (number) {
        case property::kLeft:
            left_ = std::clamp(numberFrom(value), -kMaxPlace, kMaxPlace);
            applyGeometry();
            return;
        case property::kTop:
            top_ = std::clamp(numberFrom(value), -kMaxPlace, kMaxPlace);
            applyGeometry();
            return;
        case property::kWidth:
            width_ = std::clamp(numberFrom(value), 0, kMaxSize);
            applyGeometry();
            return;
        case property::kHeight:
            height_ = std::clamp(numberFrom(value), 0, kMaxSize);
            applyGeometry();
            return;
        case property::kTag: tag_ = textFrom(value); return;
        case property::kVisible:
            visible_ = numberFrom(value) != 0;
            applyVisibility();
            return;
        case property::kDisabled:
            disabled_ = numberFrom(value) != 0;
            if (QWidget* shown = widget()) shown->setEnabled(!disabled_);
            return;
        case property::kMousePointer:
            mousePointer_ = numberFrom(value);
            applyCursor();
            return;
        default: break;
    }
    if (number >= property::kFirstOwnProperty) writeOwn(number, value);
}

const Handler* Control::handlerFor(std::int32_t event) const {
    auto found = bindings_.find(event);
    return found == bindings_.end() ? nullptr : &found->second;
}

void Control::applyRecord() {
    for (const auto& [number, value] : settings_) applySetting(number);
    QWidget* shown = widget();
    if (!shown) return;
    applyGeometry();
    shown->setEnabled(!disabled_);
    applyCursor();
    if (QWidget* focus = focusTarget(); focus && focus->focusPolicy() != Qt::NoFocus) {
        focus->setFocusPolicy(tabStop_ ? Qt::StrongFocus : Qt::ClickFocus);
    }
    for (QWidget* input : inputWidgets()) {
        if (!input) continue;
        // Mouse moves are common events of every control, buttons held or not.
        input->setMouseTracking(true);
        input->setProperty(kControlPropertyName, QVariant::fromValue(static_cast<void*>(this)));
        registeredInputs_.emplace_back(input);
    }
}

void Control::applyVisibility() {
    if (QWidget* shown = widget()) shown->setVisible(visible_ && canBeSeen());
}

PropertyValue Control::readOwn(std::int32_t number) const {
    auto found = settings_.find(number);
    return found == settings_.end() ? PropertyValue{std::int32_t{0}} : found->second;
}

void Control::writeOwn(std::int32_t number, const PropertyValue& value) {
    storeSetting(number, value);
    applySetting(number);
}

void Control::applyGeometry() {
    if (QWidget* shown = widget()) shown->setGeometry(left_, top_, width_, height_);
}

void Control::fireEvent(std::int32_t event, const EventArgs& args) const { raiseEvent(windowId(), id_, event, args); }

std::int32_t Control::numberSetting(std::int32_t property, std::int32_t fallback) const {
    auto found = settings_.find(property);
    return found == settings_.end() ? fallback : numberFrom(found->second);
}

std::uint32_t Control::colourSetting(std::int32_t property, std::uint32_t fallback) const {
    return static_cast<std::uint32_t>(numberSetting(property, static_cast<std::int32_t>(fallback)));
}

std::string Control::textSetting(std::int32_t property) const {
    auto found = settings_.find(property);
    return found == settings_.end() ? std::string{} : textFrom(found->second);
}

Bytes Control::bytesSetting(std::int32_t property) const {
    auto found = settings_.find(property);
    if (found == settings_.end()) return {};
    if (const auto* stored = std::get_if<Bytes>(&found->second)) return *stored;
    return {};
}

TextList Control::listSetting(std::int32_t property) const {
    auto found = settings_.find(property);
    if (found == settings_.end()) return {};
    if (const auto* stored = std::get_if<TextList>(&found->second)) return *stored;
    return {};
}

void Control::applyCursor() {
    QWidget* shown = widget();
    if (!shown) return;
    if (mousePointer_ == 0) {
        shown->unsetCursor();
    } else {
        shown->setCursor(QCursor(cursorShapeFor(mousePointer_)));
    }
}

Control* controlOfWidget(const QObject* object) {
    if (!object) return nullptr;
    const QVariant stored = object->property(kControlPropertyName);
    return stored.isValid() ? static_cast<Control*>(stored.value<void*>()) : nullptr;
}

}  // namespace tavrel::forms
