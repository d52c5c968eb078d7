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
#include "profiles/profile_cli.h"
#include "ui/callbacks.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static std::vector<std::string> arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

// --read and --compare: the panels loaded where no one sees them, popups on
// standard error, the port opened and the transmitter read as always.
static int batch(char* program, const CommandLine& cl) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // What the offscreen windows cannot do is nothing the bench needs to read.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "k964: %s\n", qPrintable(text));
    });
    int qargc = 1;
    char* qargv[] = {program, nullptr};
    QApplication app(qargc, qargv);
    InstallQtBackends(K964_UIR);
    static BatchUi quiet(*CurrentUiBackend());
    SetUiBackend(&quiet);
    InstallCallbacks(kCallbacks, kCallbackCount);
    static Addons* addons = new Addons; // lives until the process exits
    if (!cl.traceFile.empty() && !addons->traceTo(cl.traceFile)) {
        std::fprintf(stderr, "k964: cannot write the trace file %s: %s\n", cl.traceFile.c_str(),
                     std::strerror(errno));
        return kExitError;
    }
    starten();
    StoreHistory history;
    const int status = cl.action == CommandLine::Read
                           ? run_profile_read(cl.port, cl.profileFile, cl.tag, version_text(),
                                              Addons::isoNow(), &history)
                           : run_profile_compare(cl.port, cl.profileFile);
    return RunExitHooks(status);
}

int main(int argc, char** argv) {
    // The command line is answered before Qt opens the display, so that the
    // usage, a wrong argument included, needs none.
    const CommandLine cl = parse_command_line(arguments(argc, argv));
    if (cl.action == CommandLine::Help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (cl.action == CommandLine::Version) {
        std::printf("%s\n", version_text());
        return 0;
    }
    if (cl.action == CommandLine::Wrong) {
        std::fprintf(stderr, "k964: %s\n%s", cl.error.c_str(), kUsage);
        return 2;
    }
    if (cl.action == CommandLine::Read || cl.action == CommandLine::Compare)
        return batch(argv[0], cl);
    QApplication app(argc, argv);
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
    addons->attach(p1, p3);
    RunUserInterface();
    return RunExitHooks(0);
}
