// Saving the result through the real save dialog: the dialog's offer, the format each name
// gets, the overwrite question, cancelling, and failures that must keep the old file.

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/operations.h"
#include "file_access_support.h"
#include "forms/common_dlg.h"
#include "image/decode.h"
#include "operations_fixture.h"
#include "qt_test_support.h"

namespace tavrel::test_support {
namespace {

using Size = std::pair<std::int32_t, std::int32_t>;

std::string dialogFileName() { return forms::readText(kMainWindowId, ids::通用对话框1, forms::CommonDlg::kFileName); }

TEST(SaveDialogFilter, ListsDescriptionAndPatternPairsUpToTheFirstEmptyItem) {
    using Entry = forms::CommonDlg::FilterEntry;
    struct Case {
        const char* filter;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {"JPG格式（*.jpg）|*.jpg|png格式（*.png）|*.png|",
         {{"JPG格式（*.jpg）", "*.jpg"}, {"png格式（*.png）", "*.png"}}},
        {"A|*.a", {{"A", "*.a"}}},                    // no closing bar
        {"A|*.a|B", {{"A", "*.a"}}},                  // a description without a pattern
        {"A|*.a||B|*.b|", {{"A", "*.a"}}},            // the empty item ends the list
        {"A|*.a|  \t", {{"A", "*.a"}}},               // trailing white space
        {"   ", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(forms::CommonDlg::filterEntries(c.filter), c.entries);
    }
}

TEST_F(OperationsTest, TheDialogOffersJpgAndPngAndCancelChangesNothing) {
    choosePreset(0);
    const std::string status = text(ids::提示_标签);
    bool checked = false;
    const QPointer<QTimer> poll = answerNextFileDialog([&](QFileDialog& dialog) {
        checked = true;
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("jpg"));
        if (types) {
            ASSERT_EQ(types->count(), 2);
            EXPECT_EQ(types->itemText(0), QString::fromUtf8("JPG格式（*.jpg）"));
            EXPECT_EQ(types->itemText(1), QString::fromUtf8("png格式（*.png）"));
            EXPECT_EQ(types->currentIndex(), 0);
        } else {
            ADD_FAILURE() << "no file type list";
        }
        if (name) {
            EXPECT_EQ(name->text(), QString::fromUtf8("图片文件"));
        } else {
            ADD_FAILURE() << "no file name box";
        }
        dialog.reject();
    });
    click(ids::保存_按钮2);
    delete poll.data();
    EXPECT_TRUE(checked);
    EXPECT_EQ(text(ids::提示_标签), status);  // neither success nor failure was reported
    EXPECT_EQ(dialogFileName(), "图片文件");
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
    for (const char* name : {"图片文件", "图片文件.jpg"}) EXPECT_FALSE(std::filesystem::exists(name)) << name;
}

TEST_F(OperationsTest, ASavedFileIsInTheFormatItsNameAsksFor) {
    choosePreset(0);  // 295 x 413, saved by 保存_按钮2 in preset mode
    struct Case {
        const char* typed;
        int fileType;       // filter entry chosen in the dialog; -1 leaves the JPG one
        const char* saved;  // the name on disk
        ImageKind kind;
    };
    const Case cases[] = {
        {"result.bmp", -1, "result.bmp", ImageKind::Bmp},
        {"result.jpg", -1, "result.jpg", ImageKind::Jpeg},
        {"result.JPEG", -1, "result.JPEG", ImageKind::Jpeg},
        {"result.png", -1, "result.png", ImageKind::Png},
        {"plain", -1, "plain.jpg", ImageKind::Jpeg},          // the default extension
        {"chosen", 1, "chosen.png", ImageKind::Png},          // the chosen entry's extension
        {"odd.gif", -1, "odd.gif", ImageKind::Jpeg},          // unknown extension: the entry's format
        {"other.gif", 1, "other.gif", ImageKind::Png},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        forms::writeProperty(kMainWindowId, ids::提示_标签, 8, std::string());
        saveThroughDialog([&] { click(ids::保存_按钮2); }, folder_ / c.typed, c.fileType);
        const auto saved = folder_ / c.saved;
        EXPECT_EQ(text(ids::提示_标签), "保存成功！");
        EXPECT_EQ(dialogFileName(), saved.string());
        const std::optional<DecodedImage> decoded = decodeImageFile(saved.string());
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->kind, c.kind);
        EXPECT_EQ(Size(decoded->width, decoded->height), Size(295, 413));
        if (c.kind == ImageKind::Bmp) {
            EXPECT_EQ(readBytes(saved), appState().resultBytes);  // our bytes as they are
            EXPECT_EQ(readBytes(saved).size(), 366798u);
        }
    }
}

TEST_F(OperationsTest, ReplacingAFileAsksFirst) {
    const auto target = folder_ / "old.bmp";
    writeBytes(target, ByteBuffer{'o', 'l', 'd'});
    std::string question;
    answering_.push_back(answerNextMessageBox([&](QMessageBox& box) {
        question = box.text().toStdString();
        box.button(QMessageBox::Yes)->click();
    }));
    saveThroughDialog([&] { click(ids::按钮_保存); }, target);
    EXPECT_NE(question.find("old.bmp"), std::string::npos);
    EXPECT_EQ(text(ids::提示_标签), "保存成功！");
    EXPECT_EQ(readBytes(target), appState().resultBytes);
}

TEST_F(OperationsTest, SavesThatCannotBeWrittenSaySoAndKeepTheOldFile) {
    writeBytes(folder_ / "plain", ByteBuffer{'f', 'i', 'l', 'e'});
    struct Case {
        const char* name;
        std::filesystem::path target;
    };
    const Case cases[] = {
        {"missing folder", folder_ / "missing" / "square.bmp"},
        {"folder is a file", folder_ / "plain" / "square.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        forms::writeProperty(kMainWindowId, ids::提示_标签, 8, std::string());
        saveThroughDialog([&] { click(ids::按钮_保存); }, c.target);
        EXPECT_EQ(text(ids::提示_标签), "保存失败...");
        EXPECT_FALSE(std::filesystem::exists(c.target));
    }
    EXPECT_EQ(readBytes(folder_ / "plain"), (ByteBuffer{'f', 'i', 'l', 'e'}));
}

TEST_F(OperationsTest, SavingOntoAReadOnlyFileSaysSoAndKeepsIt) {
    const auto target = folder_ / "kept.bmp";
    const ByteBuffer old{'o', 'l', 'd'};
    writeBytes(target, old);
    const Unwritable readOnly(target);
    if (!readOnly.made()) GTEST_SKIP() << Unwritable::why();
    answering_.push_back(answerNextMessageBox([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }));
    saveThroughDialog([&] { click(ids::按钮_保存); }, target);
    EXPECT_EQ(text(ids::提示_标签), "保存失败...");
    EXPECT_EQ(readBytes(target), old);
}

TEST_F(OperationsTest, AnEmptyResultIsNeverSavedAsSuccess) {
    appState().resultBytes.clear();  // what a size without memory for it leaves
    const auto target = folder_ / "empty.bmp";
    saveThroughDialog([] { saveResult(); }, target);
    EXPECT_EQ(text(ids::提示_标签), "保存失败...");
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace tavrel::test_support
