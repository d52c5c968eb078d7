#include "platform/qt/qt_backends.h"

#include "platform/backends.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"

#include <QCoreApplication>

void InstallQtBackends() {
    // They live as long as the process: it ends with exit from inside a
    // callback, and widgets must not be destroyed after the QApplication.
    static QtUi* ui = new QtUi;
    static QtSerial* serial = new QtSerial;
    static QtClock* clock = new QtClock;
    SetUiBackend(ui);
    SetSerialBackend(serial);
    SetClockBackend(clock);
    SetProjectDir(QCoreApplication::applicationDirPath().toLocal8Bit().constData());
}
