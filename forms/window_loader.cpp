// Building a window from its description: check it whole first, then create the controls, move
// them into their group boxes, fix their stacking and show the visible ones, with events held.

#include <algorithm>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>

#include "forms/control.h"
#include "forms/conversions.h"
#include "forms/form_layer.h"
#include "forms/form_window.h"
#include "forms/kind_registry.h"
#include "forms/message_box.h"

namespace tavrel::forms {
namespace {

constexpr const char* kLoadFailedTitle = "Tavrel";

std::string hex(std::uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xFu];
    return text;
}

std::string nameOf(const ControlRecord& record) {
    return record.name.empty() ? std::string("窗口") : "“" + record.name + "”";
}

bool handlerIsSet(const Handler& handler) {
    return std::visit([](auto call) { return call != nullptr; }, handler);
}

// The first reason the description cannot be built, or empty when it can.
std::string checkDescription(const WindowDescription& description) {
    if (description.records.empty() || description.records.front().kind != KindCode::Window ||
        description.records.front().id != kWindowEntryId) {
        return "窗口描述不完整。";
    }
    std::set<ControlId> ids;
    std::set<ControlId> groupBoxes;
    for (const ControlRecord& record : description.records) {
        const ControlKind* kind = findControlKind(record.kind);
        if (!kind) return nameOf(record) + "的类型 " + hex(static_cast<std::uint32_t>(record.kind)) + " 未知。";
        if (record.block.version > kind->highestVersion) {
            return nameOf(record) + "的设置版本 " + numberToText(static_cast<std::int32_t>(record.block.version)) +
                   " 高于可读的版本 " + numberToText(static_cast<std::int32_t>(kind->highestVersion)) + "。";
        }
        const bool isWindow = &record == &description.records.front();
        if (!isWindow && (record.kind == KindCode::Window || record.id == kWindowEntryId)) {
            return nameOf(record) + "不能是窗口。";
        }
        if (!ids.insert(record.id).second) return nameOf(record) + "的标识 " + hex(record.id) + " 重复。";
        if (record.kind == KindCode::GroupBox) groupBoxes.insert(record.id);
    }
    for (const ControlRecord& record : description.records) {
        if (record.parent != 0 && groupBoxes.count(record.parent) == 0) {
            return nameOf(record) + "的容器 " + hex(record.parent) + " 不是分组框。";
        }
    }
    std::set<std::pair<ControlId, std::int32_t>> bound;
    for (const Binding& binding : description.bindings) {
        const std::string where = hex(binding.control) + " 的事件 " + numberToText(binding.event);
        if (binding.window != description.id || ids.count(binding.control) == 0) return "事件绑定指向未知控件：" + where + "。";
        if (!bound.insert({binding.control, binding.event}).second) return "事件绑定重复：" + where + "。";
        if (!handlerIsSet(binding.handler)) return "事件绑定缺少处理程序：" + where + "。";
    }
    return {};
}

// Creates every control, last record first; nullptr (with the reason) when one cannot be made.
FormWindow* buildWindow(const WindowDescription& description, std::string& problem) {
    const std::vector<ControlRecord>& records = description.records;
    FormWindow* window = nullptr;
    try {
        window = new FormWindow(records.front(), description.id);
        window->applyRecord();
        window->placeAtStart();

        std::vector<Control*> controls(records.size() - 1, nullptr);
        for (std::size_t i = records.size() - 1; i >= 1; --i) {
            const ControlRecord& record = records[i];
            Control* control = findControlKind(record.kind)->factory(record, *window);
            if (!control) {
                problem = nameOf(record) + "无法创建。";
                delete window;
                return nullptr;
            }
            control->applyRecord();
            controls[i - 1] = control;
        }
        window->setControls(controls);

        // Controls inside a group box count their places from its client area.
        for (Control* control : controls) {
            if (control->parentId() == 0 || !control->widget()) continue;
            Control* group = window->find(control->parentId());
            control->widget()->setParent(group->widget());
            control->applyPlace();
        }
        // Within each parent the list order is the stacking order, first record on top.
        for (std::size_t i = 0; i < controls.size(); ++i) {
            QWidget* shown = controls[i]->widget();
            if (!shown) continue;
            QWidget* above = nullptr;
            for (std::size_t j = i; j-- > 0;) {
                if (controls[j]->widget() && controls[j]->parentId() == controls[i]->parentId()) {
                    above = controls[j]->widget();
                    break;
                }
            }
            if (above) {
                shown->stackUnder(above);
            } else {
                shown->raise();
            }
        }
        for (Control* control : controls) control->applyVisibility();
        for (const Binding& binding : description.bindings) {
            window->find(binding.control)->bind(binding.event, binding.handler);
        }
        // The first stop of the tab cycle holds the focus when the window appears.
        const std::vector<Control*> cycle = window->tabCycle();
        if (!cycle.empty()) cycle.front()->focusTarget()->setFocus(Qt::OtherFocusReason);
        return window;
    } catch (const std::bad_alloc&) {
        problem = "内存不足。";
        delete window;
        return nullptr;
    }
}

}  // namespace

bool loadWindow(const WindowDescription& description) {
    std::string problem = checkDescription(description);
    FormWindow* window = nullptr;
    if (problem.empty()) {
        holdEvents();
        window = buildWindow(description, problem);
        releaseEvents();
    }
    if (!window) {
        messageBox("无法载入窗口：" + problem, kIconStop, std::string(kLoadFailedTitle));
        return false;
    }
    detail::addLoadedWindow(window);

    const WindowId id = description.id;
    raiseEvent(id, kWindowEntryId, static_cast<std::int32_t>(WindowEvent::Created));
    // The created handler may have closed the window; then nothing more happens to it.
    if (!findWindow(id) || window->closing()) return true;
    raiseEvent(id, kWindowEntryId, static_cast<std::int32_t>(WindowEvent::Loaded));
    if (!findWindow(id) || window->closing()) return true;
    raiseEvent(id, kWindowEntryId, static_cast<std::int32_t>(WindowEvent::AboutToShow));
    if (!findWindow(id) || window->closing()) return true;
    window->show();
    return true;
}

}  // namespace tavrel::forms
