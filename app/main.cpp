// The program's entry: the Qt backends under the logic, then start-up.
#include "app/shell.h"
#include "platform/qt/qt_backends.h"
#include "ui/callbacks.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallQtBackends(K964_UIR);
    InstallCallbacks(kCallbacks, kCallbackCount);
    return app_main();
}
