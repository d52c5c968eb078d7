// The program's backends: Qt Widgets for the user interface, QSerialPort for
// the line, the GUI thread's clock; the program's directory is the one that
// holds the executable, and its panels and files are where platform/dirs.h
// says for a program whose panels file is `resourceFile`. Call once, after
// the QApplication exists.
#pragma once

#include "platform/backends.h"

void InstallQtBackends(const char* resourceFile);
