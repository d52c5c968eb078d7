// The program's entry: its own options, the Qt backends under the logic, the
// device list on the COM port panel, the additions at their seams, then
// start-up.
#include "addons/addons.h"
#include "addons/command_line.h"
#include "app/globals.h"
#include "app/shell.h"
#include "platform/exit_hooks.h"
#include "platform/qt/qt_backends.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"
#include "ports/com_port_panel.h"
#include "ports/system_lister.h"
#include "ui/callbacks.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

// --help and --version are answered before Qt starts, so they need no
// display.
bool answered(const CommandLine& cl) {
    if (cl.action == CommandLine::Help)
        std::fputs(kUsage, stdout);
    else if (cl.action == CommandLine::Version)
        std::printf("%s\n", version_text());
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (answered(parse_command_line(arguments(argc, argv), false)))
        return 0;
    QApplication app(argc, argv);
    const CommandLine cl = parse_command_line(arguments(argc, argv));
    if (answered(cl))
        return 0;
    if (cl.action == CommandLine::Wrong) {
        std::fprintf(stderr, "k964: %s\n%s", cl.error.c_str(), kUsage);
        return 2;
    }
    InstallQtBackends(K964_UIR);
    // The COM port panel lists the serial devices present.
    static SystemPortLister lister;
    InstallPortPanel(*dynamic_cast<QtUi*>(CurrentUiBackend()),
                     *dynamic_cast<QtSerial*>(CurrentSerialBackend()), lister);
    InstallCallbacks(kCallbacks, kCallbackCount);
    static Addons* addons = new Addons; // lives until the process exits
    if (!cl.traceFile.empty() && !addons->traceTo(cl.traceFile)) {
        std::fprintf(stderr, "k964: cannot write the trace file %s: %s\n", cl.traceFile.c_str(),
                     std::strerror(errno));
        return 1;
    }
    starten();
    addons->attach(p3);
    RunUserInterface();
    return RunExitHooks(0);
}
