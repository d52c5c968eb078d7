// The program's entry: the Qt backends under the logic, the device list on
// the COM port panel, then start-up.
#include "app/shell.h"
#include "platform/qt/qt_backends.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"
#include "ports/com_port_panel.h"
#include "ports/system_lister.h"
#include "ui/callbacks.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallQtBackends(K964_UIR);
    // The COM port panel lists the serial devices present.
    static SystemPortLister lister;
    InstallPortPanel(*dynamic_cast<QtUi*>(CurrentUiBackend()),
                     *dynamic_cast<QtSerial*>(CurrentSerialBackend()), lister);
    InstallCallbacks(kCallbacks, kCallbackCount);
    return app_main();
}
