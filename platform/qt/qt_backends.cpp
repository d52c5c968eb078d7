#include "platform/qt/qt_backends.h"

#include "platform/backends.h"
#include "platform/dirs.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdlib>

namespace {

// The directories of this program (see platform/dirs.h); an installed
// program's own directory is made on the first run.
void setProgramDirs(const char* resourceFile) {
    const std::string program = QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    const std::string home = QDir::homePath().toLocal8Bit().toStdString();
    const ProgramDirs dirs = ChooseProgramDirs(program, resourceFile,
                                               UserFilesDir(std::getenv("XDG_CONFIG_HOME"), home));
    if (dirs.installed)
        QDir().mkpath(QString::fromLocal8Bit(dirs.files.c_str()));
    SetProjectDir(dirs.program.c_str());
    SetResourceDir(dirs.resources.c_str());
    SetFilesDir(dirs.files.c_str());
}

} // namespace

void InstallQtBackends(const char* resourceFile) {
    // They live as long as the process: it ends with exit from inside a
    // callback, and widgets must not be destroyed after the QApplication.
    static QtUi* ui = new QtUi;
    static QtSerial* serial = new QtSerial;
    static QtClock* clock = new QtClock;
    SetUiBackend(ui);
    SetSerialBackend(serial);
    SetClockBackend(clock);
    setProgramDirs(resourceFile);
}
