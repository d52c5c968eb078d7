#include "app/globals.h"
#include "app/shell.h"
#include "platform/platform.h"

// Saves the port number and ends the program. A file that cannot be written
// keeps its previous content; the program ends all the same.
void enden(void) {
    char dir[MAX_PATHNAME_LEN];
    char pfad[MAX_PATHNAME_LEN];
    int datei;

    GetFilesDir(dir);
    MakePathname(dir, K960_INI, pfad);
    datei = OpenFile(pfad, VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    if (datei >= 0) {
        FmtFile(datei, " %d  Ve-Data_2014\n", com_nummer);
        CloseFile(datei);
    }
    ExitProgram(0);
}

int schluss(int panel, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_CLOSE)
        enden();
    return 0;
}
