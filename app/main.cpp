#include <QApplication>

#include "app/entry.h"
#include "app/window_description.h"
#include "forms/form_layer.h"

int main(int argc, char* argv[]) {
    tavrel::forms::prepareToolkit();
    QApplication application(argc, argv);
    return tavrel::runProgram(tavrel::mainWindowDescription());
}
