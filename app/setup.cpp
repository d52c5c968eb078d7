#include "app/globals.h"
#include "app/shell.h"
#include "platform/platform.h"
#include "ui/ids.h"

void setup(void) {
    char dir[MAX_PATHNAME_LEN];
    char pfad[MAX_PATHNAME_LEN];
    int datei;
    int gelesen = 0;

    com_nummer = 1;
    GetFilesDir(dir);
    MakePathname(dir, K960_INI, pfad);
    // An installed program keeps its own file; until it has one, the file
    // beside the program still says which port was used last.
    if (!FileExists(pfad)) {
        GetProjectDir(dir);
        MakePathname(dir, K960_INI, pfad);
    }
    datei = OpenFile(pfad, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    if (datei >= 0)
        gelesen = ScanFile(datei, "%s>%d", &com_nummer);
    if (datei < 0 || gelesen < 1)
        com_nummer = 1;
    CloseFile(datei);

    DisplayPanel(p1);
    SetPanelAttribute(p1, ATTR_TITLE, p1_titel);
    DisplayPanel(p4);
    SetCtrlVal(p4, COM_PORT, com_nummer);
}
