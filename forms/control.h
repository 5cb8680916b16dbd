#pragma once
// The live side of one description record: the current values of its properties (starting from
// the stored ones), its bindings, and the widget that shows it. Each kind is one Qt class deriving
// from its widget and from Control.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "forms/description.h"
#include "forms/types.h"

namespace tavrel::forms {

class FormWindow;

class Control {
public:
    Control(const ControlRecord& record, FormWindow& window);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlId id() const { return id_; }
    KindCode kind() const { return kind_; }
    const std::string& name() const { return name_; }
    ControlId parentId() const { return parentId_; }
    std::uint32_t tabOrder() const { return tabOrder_; }
    bool tabStop() const { return tabStop_; }
    bool visibleFlag() const { return visible_; }
    bool disabledFlag() const { return disabled_; }
    FormWindow& form() const { return window_; }
    WindowId windowId() const;

    // The widget placed in the window; nullptr for kinds without a visible part.
    virtual QWidget* widget() = 0;
    // The part of widget() that takes the keyboard focus.
    virtual QWidget* focusTarget() { return widget(); }
    // Widgets whose input counts as addressed to this control (widget() and its working parts).
    virtual std::vector<QWidget*> inputWidgets() { return {widget()}; }
    // Buttons, sliders and edit boxes keep the mouse from press to release; labels and frames
    // only hear a release that happens over them.
    virtual bool capturesMouse() const { return true; }
    // Non-visual kinds stay hidden whatever their visible flag says.
    virtual bool canBeSeen() const { return true; }

    PropertyValue readProperty(std::int32_t number) const;
    void writeProperty(std::int32_t number, const PropertyValue& value);

    void bind(std::int32_t event, const Handler& handler) { bindings_[event] = handler; }
    const Handler* handlerFor(std::int32_t event) const;

    // Run once right after construction: shows every stored setting and the common properties.
    void applyRecord();
    // Shows or hides the widget as the visible flag and the kind say.
    void applyVisibility();
    // Moves the widget to the stored place in its parent's client area.
    void applyPlace() { applyGeometry(); }
    // From here on input to the control's widgets finds no control (used while taking it down).
    void detachInputs();

protected:
    // Kind-specific properties (8 and up). By default a read returns the stored value and a write
    // stores the value and lets the kind show it.
    virtual PropertyValue readOwn(std::int32_t number) const;
    virtual void writeOwn(std::int32_t number, const PropertyValue& value);
    // Makes the widget show the stored setting `number`.
    virtual void applySetting(std::int32_t /*number*/) {}
    // Called after left, top, width or height changed (already clamped and stored).
    virtual void applyGeometry();

    void fireEvent(std::int32_t event, const EventArgs& args = {}) const;

    bool hasSetting(std::int32_t number) const { return settings_.count(number) != 0; }
    std::int32_t numberSetting(std::int32_t property, std::int32_t fallback = 0) const;
    std::uint32_t colourSetting(std::int32_t property, std::uint32_t fallback = 0) const;
    std::string textSetting(std::int32_t property) const;
    Bytes bytesSetting(std::int32_t property) const;
    TextList listSetting(std::int32_t property) const;
    void storeSetting(std::int32_t property, PropertyValue value) { settings_[property] = std::move(value); }

    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;

private:
    void applyCursor();

    FormWindow& window_;
    ControlId id_;
    KindCode kind_;
    std::string name_;
    ControlId parentId_;
    std::uint32_t tabOrder_;
    bool tabStop_;
    bool visible_;
    bool disabled_;
    std::int32_t mousePointer_;
    std::string tag_;
    std::map<std::int32_t, PropertyValue> settings_;
    std::map<std::int32_t, Handler> bindings_;
    std::vector<QPointer<QWidget>> registeredInputs_;
};

// Input widgets carry their control under this dynamic property name.
inline constexpr const char* kControlPropertyName = "tavrelControl";
// The control an input widget belongs to; nullptr for widgets of no control.
Control* controlOfWidget(const QObject* object);

// Reading a value as the other type: texts convert as the form layer's conversions do.
std::int32_t numberFrom(const PropertyValue& value);
std::string textFrom(const PropertyValue& value);

}  // namespace tavrel::forms
