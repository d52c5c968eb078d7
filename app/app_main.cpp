#include "app/globals.h"
#include "app/shell.h"
#include "platform/platform.h"
#include "ui/ids.h"

#include <cstdio>

// Without its panels the program cannot do anything useful: say which file
// is at fault, where the technician looks for it, and stop.
static void resource_fehlt(void) {
    char dir[MAX_PATHNAME_LEN];
    char pfad[MAX_PATHNAME_LEN];
    char text[MAX_PATHNAME_LEN + 100];

    GetResourceDir(dir);
    MakePathname(dir, K964_UIR, pfad);
    std::snprintf(text, sizeof text,
                  "The user interface file \"%s\" is missing or damaged. Reinstall k964.", pfad);
    std::fprintf(stderr, "k964: %s\n", text);
    MessagePopup("K964", text);
    ExitProgram(1);
}

void starten(void) {
    p1 = LoadPanel(0, K964_UIR, PANEL_MAIN);
    if (p1 < 0)
        resource_fehlt();
    p3 = LoadPanel(0, K964_UIR, PANEL_SERVICE);
    p4 = LoadPanel(p1, K964_UIR, PANEL_COM);
    m1 = GetPanelMenuBar(p1);
    if (p3 < 0 || p4 < 0 || m1 <= 0)
        resource_fehlt();
    setup();
    hol = 0;
}

int app_main(void) {
    starten();
    RunUserInterface();
    return 0;
}
