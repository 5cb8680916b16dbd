#include "qt_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include "forms/form_layer.h"

namespace tavrel::test_support {
namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform lists what it cannot do (size hints, raising, grabbing); nothing to learn.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    if (previousHandler) previousHandler(type, context, message);
}

// One application object for the whole test program.
class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        forms::prepareToolkit();
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = new QApplication(argc_, argv_);
        previousHandler = qInstallMessageHandler(quietMessages);
    }
    void TearDown() override {
        delete application_;
        application_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "tavrel-tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* application_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QPointer<QTimer> answerNextMessageBox(std::function<void(QMessageBox&)> answer) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        poll->stop();
        answer(*box);
        poll->deleteLater();
    });
    poll->start();
    return poll;
}

void clickButton(QMessageBox& box, const char* text) {
    for (QAbstractButton* button : box.buttons()) {
        if (button->text() == QString::fromUtf8(text)) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << text;
    box.reject();
}

}  // namespace tavrel::test_support
