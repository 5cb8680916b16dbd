#include "forms/combo_box.h"

#include <algorithm>
#include <utility>

#include <QLineEdit>

#include "forms/colours.h"
#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

constexpr std::int32_t kDropDownList = 2;

}  // namespace

ComboBox::ComboBox(const ControlRecord& record, FormWindow& window) : QComboBox(&window), Control(record, window) {
    connect(this, &QComboBox::activated, this, [this] {
        if (mute_) return;
        QMetaObject::invokeMethod(this, [this] { fireEvent(kItemSelected); }, Qt::QueuedConnection);
    });
}

PropertyValue ComboBox::readOwn(std::int32_t number) const {
    switch (number) {
        case kSelection: return std::int32_t{currentIndex()};
        case kContent: return currentText().toStdString();
        case kItems: {
            TextList items;
            for (int i = 0; i < count(); ++i) items.push_back(itemText(i).toStdString());
            return items;
        }
        default: return Control::readOwn(number);
    }
}

void ComboBox::writeOwn(std::int32_t number, const PropertyValue& value) {
    switch (number) {
        case kSelection: applySelection(numberFrom(value)); return;
        case kContent:
            if (QLineEdit* field = lineEdit()) field->setText(QString::fromStdString(textFrom(value)));
            return;
        default: Control::writeOwn(number, value); return;
    }
}

void ComboBox::applySetting(std::int32_t number) {
    switch (number) {
        case kType: {
            const bool editable = numberSetting(kType) != kDropDownList;
            if (editable != isEditable()) {
                mute_ = true;
                setEditable(editable);
                mute_ = false;
            }
            break;
        }
        case kSorted:
        case kItems:
        case kItemNumbers: fillItems(); break;
        case kSelection: applySelection(numberSetting(kSelection)); break;
        case kTextColour:
        case kBackgroundColour: {
            QPalette colours = palette();
            const QColor ink = colourFromRef(colourSetting(kTextColour));
            const QColor paper = colourFromRef(colourSetting(kBackgroundColour, 0xFFFFFFu));
            colours.setColor(QPalette::Text, ink);
            colours.setColor(QPalette::ButtonText, ink);
            colours.setColor(QPalette::Base, paper);
            colours.setColor(QPalette::Button, paper);
            setPalette(colours);
            break;
        }
        default: break;
    }
}

void ComboBox::fillItems() {
    // Item i carries number i + 1 of the stored list; numbers without an item are dropped.
    const TextList texts = listSetting(kItems);
    const Bytes numbers = bytesSetting(kItemNumbers);
    std::vector<std::pair<std::string, std::uint32_t>> items;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::uint32_t itemNumber = 0;
        if (numbers.size() >= 4 * (i + 1)) {
            for (int b = 3; b >= 0; --b) itemNumber = (itemNumber << 8) | numbers[4 * i + static_cast<std::size_t>(b)];
        }
        items.emplace_back(texts[i], itemNumber);
    }
    if (numberSetting(kSorted) != 0) {
        std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    mute_ = true;
    clear();
    for (const auto& [itemText, itemNumber] : items) addItem(QString::fromStdString(itemText), itemNumber);
    mute_ = false;
    applySelection(numberSetting(kSelection));
}

void ComboBox::applySelection(std::int32_t index) {
    mute_ = true;
    setCurrentIndex(std::clamp(index, -1, count() - 1));
    mute_ = false;
}

void ComboBox::applyGeometry() {
    // The stored height is the dropped-down size; the closed box is as tall as its font needs.
    setGeometry(left_, top_, width_, sizeHint().height());
}

}  // namespace tavrel::forms
