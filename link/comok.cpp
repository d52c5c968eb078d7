#include "app/globals.h"
#include "app/lesung.h"
#include "link/link.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

void vollen(void) {
    Fmt(out_buf, "VV%c", 13);
    tx_owir();
    if (lesung_kennung)
        lesung_kennung(in_buf, ReturnRS232Err());
}

int comok(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    GetCtrlVal(p4, COM_PORT, &com_nummer);
    OpenComConfig(com_nummer, "", 9600, 0, 8, 1, 128, 24);
    if (ReturnRS232Err() != 0) {
        MessagePopup("", "COM-PORT kann nicht geoeffnet werden !");
        ExitProgram(0);
    }
    SetComTime(com_nummer, ZEIT_NORMAL);
    HidePanel(p4);
    vollen();
    holset();
    return 0;
}

int go(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    vollen();
    holset();
    return 0;
}
