#pragma once
// The window kind: a top-level widget that owns its controls, knows their list order (stacking and
// the tab cycle follow it) and raises the window-level events around closing.

#include <cstdint>
#include <vector>

#include <QWidget>

#include "forms/control.h"

namespace tavrel::forms {

class FormWindow final : public QWidget, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 6;

    FormWindow(const ControlRecord& record, WindowId formId);
    ~FormWindow() override;

    WindowId formId() const { return formId_; }
    QWidget* widget() override { return this; }

    // Controls in list order; the window's own entry is not among them.
    const std::vector<Control*>& controls() const { return controls_; }
    void setControls(std::vector<Control*> controls) { controls_ = std::move(controls); }
    // The window's own entry answers to kWindowEntryId.
    Control* find(ControlId id);

    // Visible, enabled tab stops ordered by tab order and, among equals, from the last record to
    // the first.
    std::vector<Control*> tabCycle();
    void moveFocus(bool forward);
    bool escapeCloses() const;

    // Places the window where its start position says; run once, before it is first shown.
    void placeAtStart();
    // Once closing has begun no event reaches a handler of this window.
    bool closing() const { return closing_; }

protected:
    void applySetting(std::int32_t number) override;
    void applyGeometry() override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyFrame();
    // The stored width and height are the outer size: the client gets what the frame leaves.
    void fitOuterSize();
    bool resizable() const;

    WindowId formId_;
    std::vector<Control*> controls_;
    bool closing_ = false;
};

}  // namespace tavrel::forms
