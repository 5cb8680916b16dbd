#pragma once
// The common file dialog control: no visible part, only the dialog's settings. Shown, it asks the
// user for a file name with the platform's open or save dialog and keeps the chosen path.

#include <string>
#include <vector>

#include <QObject>

#include "forms/control.h"

namespace tavrel::forms {

class CommonDlg final : public QObject, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 1;
    static constexpr std::int32_t kDialogType = 8;      // 0 open, 1 save, 2 font, 3 help
    static constexpr std::int32_t kTitle = 9;
    static constexpr std::int32_t kFileName = 10;       // initial name; the chosen path afterwards
    static constexpr std::int32_t kFilter = 11;         // description|pattern|... pairs
    static constexpr std::int32_t kInitialFilter = 12;  // counted from 0
    static constexpr std::int32_t kInitialDirectory = 13;
    static constexpr std::int32_t kDefaultExtension = 14;
    static constexpr std::int32_t kPromptToCreate = 15;
    static constexpr std::int32_t kFileMustExist = 16;
    static constexpr std::int32_t kOverwritePrompt = 17;
    static constexpr std::int32_t kPathMustExist = 18;
    static constexpr std::int32_t kKeepDirectory = 19;

    // The dialog types this control shows a file dialog for.
    enum class DialogType : std::int32_t { Open = 0, Save = 1, Font = 2, Help = 3 };

    // One entry of the filter list: what the user reads, and the pattern ("*.jpg") it stands for.
    struct FilterEntry {
        std::string description;
        std::string pattern;
        bool operator==(const FilterEntry&) const = default;
    };
    // The filter text's entries: trailing white space is dropped and the list ends at the first
    // empty item; a description without a pattern is no entry.
    static std::vector<FilterEntry> filterEntries(const std::string& filter);

    CommonDlg(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return nullptr; }
    bool canBeSeen() const override { return false; }

    // Shows the open or save dialog modal to the active window and returns once it is closed.
    // True when the user confirmed a name: the file name property then holds its full path (native
    // bytes). False on cancel, for the font and help types, or when no dialog could be shown; the
    // file name property keeps its value. The save dialog asks before replacing a file when
    // property 17 is set, and its default extension follows the chosen filter entry.
    bool showDialog();
    // The pattern of the filter entry chosen at the last confirmation; empty before the first.
    const std::string& chosenPattern() const { return chosenPattern_; }

protected:
    void writeOwn(std::int32_t number, const PropertyValue& value) override;

private:
    std::string chosenPattern_;
};

}  // namespace tavrel::forms
