#include "forms/common_dlg.h"

#include <algorithm>
#include <cctype>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPointer>

#include "forms/form_window.h"

namespace tavrel::forms {
namespace {

// The extension a pattern such as "*.png" gives names typed without one; empty for "*.*" and
// other patterns that name no single extension.
QString extensionOf(const std::string& pattern) {
    const std::string first = pattern.substr(0, pattern.find(';'));
    if (first.size() < 3 || first.compare(0, 2, "*.") != 0) return {};
    const std::string extension = first.substr(2);
    if (extension.find_first_of("*?[") != std::string::npos) return {};
    return QString::fromStdString(extension);
}

// The toolkit reads a filter's patterns from a trailing "(...)": our descriptions carry theirs
// in full-width brackets, so the patterns are added and then hidden from the user.
QString toolkitFilter(const CommonDlg::FilterEntry& entry) {
    QString patterns = QString::fromStdString(entry.pattern);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return QString::fromStdString(entry.description) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

// Which entry a filter the dialog reports stands for: it names one in full, or by the
// description it shows when the patterns are hidden. -1 for none.
qsizetype filterIndex(const QStringList& filters, const std::vector<CommonDlg::FilterEntry>& entries, const QString& reported) {
    const qsizetype full = filters.indexOf(reported);
    if (full >= 0) return full;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (QString::fromStdString(entries[k].description) == reported) return static_cast<qsizetype>(k);
    }
    return -1;
}

}  // namespace

CommonDlg::CommonDlg(const ControlRecord& record, FormWindow& window) : QObject(&window), Control(record, window) {}

void CommonDlg::writeOwn(std::int32_t number, const PropertyValue& value) {
    switch (number) {
        case kDialogType: storeSetting(number, std::clamp(numberFrom(value), 0, 3)); return;
        case kInitialFilter: storeSetting(number, std::max(numberFrom(value), 0)); return;
        default: Control::writeOwn(number, value); return;
    }
}

std::vector<CommonDlg::FilterEntry> CommonDlg::filterEntries(const std::string& filter) {
    std::string text = filter;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t bar = text.find('|', start);
        const std::size_t end = bar == std::string::npos ? text.size() : bar;
        if (end == start) break;  // an empty item closes the list
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<FilterEntry> entries;
    for (std::size_t k = 0; k + 1 < items.size(); k += 2) entries.push_back({items[k], items[k + 1]});
    return entries;
}

bool CommonDlg::showDialog() {
    const auto type = static_cast<DialogType>(numberSetting(kDialogType));
    if (type != DialogType::Open && type != DialogType::Save) return false;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;

    QWidget* owner = QApplication::activeWindow();
    if (!owner) owner = &form();
    QFileDialog dialog(owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(type == DialogType::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(type == DialogType::Open && numberSetting(kFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                                                      : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, numberSetting(kOverwritePrompt) == 0);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);

    const std::string title = textSetting(kTitle);
    if (!title.empty()) dialog.setWindowTitle(QString::fromStdString(title));
    const std::string directory = textSetting(kInitialDirectory);
    if (!directory.empty()) dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(directory)));

    std::string extension = textSetting(kDefaultExtension);
    if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
    const QString defaultSuffix = QString::fromStdString(extension);
    dialog.setDefaultSuffix(defaultSuffix);

    const std::vector<FilterEntry> entries = filterEntries(textSetting(kFilter));
    QStringList filters;
    for (const FilterEntry& entry : entries) filters.push_back(toolkitFilter(entry));
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const auto initial = static_cast<qsizetype>(std::max(numberSetting(kInitialFilter), 0));
        const qsizetype shown = initial < filters.size() ? initial : 0;
        dialog.selectNameFilter(filters[shown]);
        // A name typed without an extension gets the chosen entry's, so choosing the PNG entry
        // and typing "photo" saves photo.png.
        const auto followFilter = [&dialog, &filters, &entries, defaultSuffix](const QString& chosen) {
            const qsizetype index = filterIndex(filters, entries, chosen);
            const QString suffix = index >= 0 ? extensionOf(entries[static_cast<std::size_t>(index)].pattern) : QString();
            dialog.setDefaultSuffix(suffix.isEmpty() ? defaultSuffix : suffix);
        };
        followFilter(filters[shown]);
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    }

    const std::string initialName = textSetting(kFileName);
    if (!initialName.empty()) dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(initialName)));

    const QPointer<CommonDlg> alive(this);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (!alive || !confirmed) return false;  // cppcheck-suppress knownConditionTrueFalse ; a handler may delete this control during exec()
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
    storeSetting(kFileName, QFile::encodeName(chosen.front()).toStdString());
    const qsizetype index = filterIndex(filters, entries, dialog.selectedNameFilter());
    chosenPattern_ = index >= 0 ? entries[static_cast<std::size_t>(index)].pattern : std::string();
    return true;
}

}  // namespace tavrel::forms
