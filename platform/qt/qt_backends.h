// The program's backends: Qt Widgets for the user interface, QSerialPort for
// the line, the GUI thread's clock; the program's directory is the one that
// holds the executable. Call once, after the QApplication exists.
#pragma once

#include "platform/backends.h"

void InstallQtBackends();
