#include "forms/form_layer.h"

#include <map>
#include <type_traits>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

#include "forms/button.h"
#include "forms/combo_box.h"
#include "forms/common_dlg.h"
#include "forms/drop_target.h"
#include "forms/edit_box.h"
#include "forms/form_window.h"
#include "forms/group_box.h"
#include "forms/kind_registry.h"
#include "forms/label.h"
#include "forms/message_filter.h"
#include "forms/slider_bar.h"

namespace tavrel::forms {
namespace {

// The default GUI font: one line of it fits the form's 12-pixel label rows.
constexpr const char* kDefaultFontFamily = "WenQuanYi Micro Hei";
constexpr int kDefaultFontPixels = 12;

struct FormLayerState {
    int eventHold = 0;
    bool loopEntered = false;
    std::vector<ExitRoutine> exitRoutines;
    std::map<WindowId, FormWindow*> windows;
    MessageFilter* filter = nullptr;
};

FormLayerState& state() {
    static FormLayerState formLayer;
    return formLayer;
}

void registerStandardKinds() {
    registerControlKind(KindCode::Window, FormWindow::kHighestVersion, nullptr);
    registerControlKind(KindCode::EditBox, EditBox::kHighestVersion, &makeControl<EditBox>);
    registerControlKind(KindCode::GroupBox, GroupBox::kHighestVersion, &makeControl<GroupBox>);
    registerControlKind(KindCode::Label, Label::kHighestVersion, &makeControl<Label>);
    registerControlKind(KindCode::Button, Button::kHighestVersion, &makeControl<Button>);
    registerControlKind(KindCode::ComboBox, ComboBox::kHighestVersion, &makeControl<ComboBox>);
    registerControlKind(KindCode::SliderBar, SliderBar::kHighestVersion, &makeControl<SliderBar>);
    registerControlKind(KindCode::CommonDlg, CommonDlg::kHighestVersion, &makeControl<CommonDlg>);
    registerControlKind(KindCode::DropTarget, DropTarget::kHighestVersion, &makeControl<DropTarget>);
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

void callHandler(const Handler& handler, const EventArgs& args) {
    std::visit(Overloaded{
                   [](PlainHandler call) { call(); },
                   [&](MouseHandler call) { call(args.x, args.y, args.keyState); },
                   [&](TextHandler call) { call(args.text); },
               },
               handler);
}

void unloadWindow(WindowId id) {
    auto found = state().windows.find(id);
    if (found == state().windows.end()) return;
    FormWindow* window = found->second;
    state().windows.erase(found);
    delete window;
}

}  // namespace

void prepareToolkit() {
    // Every place and size of a form is in device pixels.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

void initialise() {
    FormLayerState& formLayer = state();
    if (!formLayer.filter) {
        // One look everywhere, so the button face and the control metrics the layout was made
        // for do not depend on the desktop's theme.
        if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
            QApplication::setStyle(style);
            QApplication::setPalette(style->standardPalette());
        }
        QFont font(QString::fromLatin1(kDefaultFontFamily));
        font.setPixelSize(kDefaultFontPixels);
        QApplication::setFont(font);
        // The program ends when its last form window is gone, not when a message box closes.
        QApplication::setQuitOnLastWindowClosed(false);
        formLayer.filter = new MessageFilter(qApp);
        qApp->installEventFilter(formLayer.filter);
        registerStandardKinds();
    }
    // Relative paths count from the program's own folder.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

void registerExitRoutine(ExitRoutine routine) {
    if (routine) state().exitRoutines.push_back(routine);
}

int runMessageLoop() {
    FormLayerState& formLayer = state();
    if (formLayer.windows.empty()) return 0;
    formLayer.loopEntered = true;
    const int exitCode = QApplication::exec();
    formLayer.loopEntered = false;
    return exitCode;
}

int endProgram(int exitCode) {
    FormLayerState& formLayer = state();
    holdEvents();
    while (!formLayer.windows.empty()) unloadWindow(formLayer.windows.begin()->first);
    // Windows closed but not yet deleted go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const std::vector<ExitRoutine> routines = std::exchange(formLayer.exitRoutines, {});
    for (ExitRoutine routine : routines) routine();
    formLayer.eventHold = 0;
    return exitCode;
}

int eventHold() { return state().eventHold; }
void holdEvents() { ++state().eventHold; }
void releaseEvents() {
    if (state().eventHold > 0) --state().eventHold;
}

void raiseEvent(WindowId window, ControlId control, std::int32_t event, const EventArgs& args) {
    if (state().eventHold > 0) return;
    FormWindow* form = findWindow(window);
    if (!form || form->closing()) return;
    Control* target = form->find(control);
    if (!target) return;
    const Handler* bound = target->handlerFor(event);
    if (!bound) return;
    // A copy: the handler may change the binding it was found through.
    const Handler handler = *bound;
    callHandler(handler, args);
}

PropertyValue readProperty(WindowId window, ControlId control, std::int32_t number) {
    Control* target = findControl(window, control);
    return target ? target->readProperty(number) : PropertyValue{std::int32_t{0}};
}

void writeProperty(WindowId window, ControlId control, std::int32_t number, const PropertyValue& value) {
    if (Control* target = findControl(window, control)) target->writeProperty(number, value);
}

std::int32_t readNumber(WindowId window, ControlId control, std::int32_t number) {
    return numberFrom(readProperty(window, control, number));
}

std::string readText(WindowId window, ControlId control, std::int32_t number) {
    return textFrom(readProperty(window, control, number));
}

FormWindow* findWindow(WindowId window) {
    auto found = state().windows.find(window);
    return found == state().windows.end() ? nullptr : found->second;
}

Control* findControl(WindowId window, ControlId control) {
    FormWindow* form = findWindow(window);
    return form ? form->find(control) : nullptr;
}

QWidget* windowHandle(WindowId window) { return findWindow(window); }

namespace detail {

void unloadLater(FormWindow& window) {
    FormLayerState& formLayer = state();
    formLayer.windows.erase(window.formId());
    QObject::connect(&window, &QObject::destroyed, qApp, [] {
        FormLayerState& formLayer = state();
        if (formLayer.windows.empty() && formLayer.loopEntered) QCoreApplication::exit(0);
    });
    // Deleted when control is back in the loop that closed it, never under a running handler.
    window.deleteLater();
}

void addLoadedWindow(FormWindow* window) { state().windows[window->formId()] = window; }

}  // namespace detail

}  // namespace tavrel::forms
