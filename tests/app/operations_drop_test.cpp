// The drop target on the real window: which drags it takes with which effect, what each drop
// raises, that the source always hears "not done", and that revoking it ends all of that.

#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include "app/shell_handlers.h"
#include "forms/drop_target.h"
#include "operations_fixture.h"
#include "qt_test_support.h"

namespace tavrel::test_support {
namespace {

struct Raised {
    std::int32_t event;
    std::string text;
};
std::vector<Raised> raised;

template <std::int32_t event>
void recordDrop(const std::string& text) {
    raised.push_back({event, text});
}

TEST(DropEffect, KeysAskAndTheSourceAllows) {
    using forms::DropTarget;
    constexpr Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    struct Case {
        const char* name;
        bool acceptable;
        Qt::KeyboardModifiers keys;
        Qt::DropActions allowed;
        Qt::DropAction effect;
    };
    const Case cases[] = {
        {"not acceptable", false, Qt::NoModifier, all, Qt::IgnoreAction},
        {"no key: copy first", true, Qt::NoModifier, all, Qt::CopyAction},
        {"no key: move next", true, Qt::NoModifier, Qt::MoveAction | Qt::LinkAction, Qt::MoveAction},
        {"no key: link last", true, Qt::NoModifier, Qt::LinkAction, Qt::LinkAction},
        {"no key: nothing allowed", true, Qt::NoModifier, {}, Qt::IgnoreAction},
        {"ctrl: copy", true, Qt::ControlModifier, all, Qt::CopyAction},
        {"ctrl: copy not allowed", true, Qt::ControlModifier, Qt::MoveAction, Qt::IgnoreAction},
        {"shift: move", true, Qt::ShiftModifier, all, Qt::MoveAction},
        {"shift: move not allowed", true, Qt::ShiftModifier, Qt::CopyAction, Qt::IgnoreAction},
        {"ctrl and shift: a link is never taken", true, Qt::ControlModifier | Qt::ShiftModifier, all, Qt::IgnoreAction},
        {"alt alone counts as no key", true, Qt::AltModifier, all, Qt::CopyAction},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DropTarget::chooseEffect(c.acceptable, c.keys, c.allowed), c.effect);
    }
}

class DropTargetTest : public OperationsTest {
protected:
    void SetUp() override {
        OperationsTest::SetUp();
        raised.clear();
        target_ = forms::controlAs<forms::DropTarget>(kMainWindowId, ids::拖放对象1);
        ASSERT_NE(target_, nullptr);
        target_->bind(forms::DropTarget::kTextDropped, &recordDrop<forms::DropTarget::kTextDropped>);
        target_->bind(forms::DropTarget::kHtmlDropped, &recordDrop<forms::DropTarget::kHtmlDropped>);
        target_->bind(forms::DropTarget::kUrlDropped, &recordDrop<forms::DropTarget::kUrlDropped>);
        target_->bind(forms::DropTarget::kFilesDropped, &recordDrop<forms::DropTarget::kFilesDropped>);
    }

    QPoint middleOf(forms::ControlId id) {
        QWidget* shown = widget(id);
        return shown->mapTo(window_, shown->rect().center());
    }

    forms::DropTarget* target_ = nullptr;
};

TEST_F(DropTargetTest, EachDragGetsItsEffectAndEachDropItsEvents) {
    const std::string photo = (folder_ / "a.jpg").string();
    const std::string second = (folder_ / "b.png").string();
    const auto files = [](std::initializer_list<std::string> paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
        data->setUrls(urls);
        return data;
    };
    const auto text = [](const char* plain, const char* html) {
        auto* data = new QMimeData;
        if (plain) data->setText(QString::fromUtf8(plain));
        if (html) data->setHtml(QString::fromUtf8(html));
        return data;
    };
    auto* address = new QMimeData;
    address->setUrls({QUrl(QStringLiteral("https://example.org/picture.png"))});

    constexpr Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    struct Case {
        const char* name;
        std::unique_ptr<QMimeData> data;
        Qt::KeyboardModifiers keys;
        Qt::DropActions allowed;
        forms::ControlId over;
        Qt::DropAction effect;  // shown while dragging
        std::vector<Raised> events;
    };
    Case cases[] = {
        {"one file", std::unique_ptr<QMimeData>(files({photo})), Qt::NoModifier, all, ids::图片框1, Qt::CopyAction,
         {{3, photo}}},
        {"two files", std::unique_ptr<QMimeData>(files({photo, second})), Qt::NoModifier, all, ids::图片框1,
         Qt::CopyAction, {{3, photo + "\r\n" + second + "\r\n"}}},
        {"over an edit box", std::unique_ptr<QMimeData>(files({photo})), Qt::NoModifier, all, ids::编辑框1,
         Qt::CopyAction, {{3, photo}}},
        {"shift moves", std::unique_ptr<QMimeData>(files({photo})), Qt::ShiftModifier, Qt::CopyAction | Qt::MoveAction,
         ids::图片框1, Qt::MoveAction, {{3, photo}}},
        {"shift without move", std::unique_ptr<QMimeData>(files({photo})), Qt::ShiftModifier, Qt::CopyAction,
         ids::图片框1, Qt::IgnoreAction, {}},
        {"ctrl and shift", std::unique_ptr<QMimeData>(files({photo})), Qt::ControlModifier | Qt::ShiftModifier, all,
         ids::图片框1, Qt::IgnoreAction, {}},
        {"a source that only links", std::unique_ptr<QMimeData>(files({photo})), Qt::NoModifier, Qt::LinkAction,
         ids::图片框1, Qt::LinkAction, {{3, photo}}},
        {"plain text", std::unique_ptr<QMimeData>(text("hello", nullptr)), Qt::NoModifier, all, ids::图片框1,
         Qt::CopyAction, {{0, "hello"}}},
        {"text with HTML", std::unique_ptr<QMimeData>(text("hello", "<b>hello</b>")), Qt::NoModifier, all,
         ids::图片框1, Qt::CopyAction, {}},
        {"HTML alone", std::unique_ptr<QMimeData>(text(nullptr, "<b>hello</b>")), Qt::NoModifier, all, ids::图片框1,
         Qt::IgnoreAction, {}},
        {"web address", std::unique_ptr<QMimeData>(address), Qt::NoModifier, all, ids::图片框1, Qt::IgnoreAction, {}},
    };
    auto* sizeBox = qobject_cast<QLineEdit*>(widget(ids::编辑框1));
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        raised.clear();
        const DropAnswer answer = dragAndDrop(*window_, middleOf(c.over), *c.data, c.allowed, c.keys);
        EXPECT_EQ(answer.enterAccepted, c.effect != Qt::IgnoreAction);
        EXPECT_EQ(answer.enterAction, c.effect);
        // Whatever was raised, the source hears that nothing was done with its data.
        EXPECT_FALSE(answer.dropAccepted);
        if (c.effect != Qt::IgnoreAction) {
            EXPECT_EQ(answer.dropAction, Qt::IgnoreAction);
        }
        ASSERT_EQ(raised.size(), c.events.size());
        for (std::size_t k = 0; k < raised.size(); ++k) {
            EXPECT_EQ(raised[k].event, c.events[k].event);
            EXPECT_EQ(raised[k].text, c.events[k].text);
        }
        EXPECT_TRUE(sizeBox->text().isEmpty());  // the edit box never takes the drop itself
    }
}

TEST_F(DropTargetTest, NoDropIsTakenWhileAMessageBoxWaits) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((folder_ / "a.jpg").string()))});
    DropAnswer duringBox;
    answering_.push_back(answerNextMessageBox([&](QMessageBox& box) {
        duringBox = dragAndDrop(*window_, middleOf(ids::图片框1), data);
        box.accept();
    }));
    typeInto(ids::编辑框1, "0");  // "哦喔！数值太小了！"
    EXPECT_FALSE(duringBox.enterAccepted);
    EXPECT_TRUE(raised.empty());
    dragAndDrop(*window_, middleOf(ids::图片框1), data);
    EXPECT_EQ(raised.size(), 1u);  // once the box is gone, drops come in again
}

TEST_F(DropTargetTest, RegistrationIsOnceAndRevokingEndsDrops) {
    EXPECT_TRUE(target_->registered());
    EXPECT_FALSE(target_->registerDropTarget(window_));  // the first registration stands

    windowWillBeDestroyed();
    EXPECT_FALSE(target_->registered());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((folder_ / "a.jpg").string()))});
    const DropAnswer answer = dragAndDrop(*window_, middleOf(ids::图片框1), data);
    EXPECT_FALSE(answer.enterAccepted);
    EXPECT_TRUE(raised.empty());

    EXPECT_TRUE(target_->registerDropTarget(window_));
    dragAndDrop(*window_, middleOf(ids::图片框1), data);
    EXPECT_EQ(raised.size(), 1u);
}

}  // namespace
}  // namespace tavrel::test_support
