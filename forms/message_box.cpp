#include "forms/message_box.h"

#include <utility>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tavrel::forms {
namespace {

struct BoxButton {
    const char* text;
    MessageBoxResult result;
};

// The buttons of each button set in their order on screen.
std::vector<BoxButton> buttonsFor(std::uint32_t flags) {
    switch (flags & 0xFu) {
        case kOkCancel: return {{"确定", MessageBoxResult::Ok}, {"取消", MessageBoxResult::Cancel}};
        case kAbortRetryIgnore:
            return {{"中止", MessageBoxResult::Abort}, {"重试", MessageBoxResult::Retry}, {"忽略", MessageBoxResult::Ignore}};
        case kYesNoCancel:
            return {{"是", MessageBoxResult::Yes}, {"否", MessageBoxResult::No}, {"取消", MessageBoxResult::Cancel}};
        case kYesNo: return {{"是", MessageBoxResult::Yes}, {"否", MessageBoxResult::No}};
        case kRetryCancel: return {{"重试", MessageBoxResult::Retry}, {"取消", MessageBoxResult::Cancel}};
        default: return {{"确定", MessageBoxResult::Ok}};
    }
}

QMessageBox::ButtonRole roleFor(MessageBoxResult result) {
    switch (result) {
        case MessageBoxResult::Cancel:
        case MessageBoxResult::Abort: return QMessageBox::RejectRole;
        case MessageBoxResult::No: return QMessageBox::NoRole;
        case MessageBoxResult::Yes: return QMessageBox::YesRole;
        default: return QMessageBox::AcceptRole;
    }
}

QMessageBox::Icon iconFor(std::uint32_t flags) {
    switch (flags & 0xF0u) {
        case kIconStop: return QMessageBox::Critical;
        case kIconQuestion: return QMessageBox::Question;
        case kIconExclamation: return QMessageBox::Warning;
        case kIconInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

std::int32_t messageBox(const std::string& text, std::uint32_t flags, const std::optional<std::string>& title) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return static_cast<std::int32_t>(MessageBoxResult::Ok);

    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(title.value_or(kDefaultMessageBoxTitle)));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(iconFor(flags));
    // Task-modal: no window of the program takes input while the box is up.
    box.setWindowModality(Qt::ApplicationModal);

    const std::vector<BoxButton> buttons = buttonsFor(flags);
    std::vector<std::pair<QPushButton*, MessageBoxResult>> made;
    for (const BoxButton& button : buttons) {
        made.emplace_back(box.addButton(QString::fromUtf8(button.text), roleFor(button.result)), button.result);
    }
    const std::size_t defaultIndex = (flags & 0xF00u) == kDefaultSecond ? 1 : (flags & 0xF00u) == kDefaultThird ? 2 : 0;
    if (defaultIndex < made.size()) box.setDefaultButton(made[defaultIndex].first);
    // Closing the box counts as Cancel where there is one, otherwise as the only button.
    QPushButton* escape = made.size() == 1 ? made.front().first : nullptr;
    for (const auto& [button, result] : made) {
        if (result == MessageBoxResult::Cancel) escape = button;
    }
    if (escape) box.setEscapeButton(escape);

    box.exec();
    for (const auto& [button, result] : made) {
        if (box.clickedButton() == button) return static_cast<std::int32_t>(result);
    }
    return static_cast<std::int32_t>(escape == nullptr ? MessageBoxResult::Ok : MessageBoxResult::Cancel);
}

}  // namespace tavrel::forms
