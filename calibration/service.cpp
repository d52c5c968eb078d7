#include "app/globals.h"
#include "calibration/calibration.h"
#include "link/link.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

void st_cal(int richtung) {
    int i;
    int k;

    for (i = 8; i < 11; i++) {
        // Slot 10 travels under device number 0.
        k = i == 10 ? 0 : i;
        if (richtung) {
            GetCtrlVal(p3, SERVICE_CAL_8 + (i - 8), &ewert[i]);
            Fmt(out_buf, "D%d%f[e2p3]%c", k, ewert[i], 13);
        } else {
            Fmt(out_buf, "d%d%c", k, 13);
        }
        tx_ociwr();
        if (ReturnRS232Err() != 0) {
            SetCtrlVal(p1, MAIN_STATUS, "NO CONNECT 5");
            continue;
        }
        Scan(in_buf + 2, "%f", &ewert[i]);
        SetCtrlVal(p3, SERVICE_CAL_8 + (i - 8), ewert[i]);
    }
}

void setoffen(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    DisplayPanel(p3);
    vollen();
    holset();
    st_cal(0);
    hol = 1;
}

int kalok(int panel, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_CLOSE) {
        HidePanel(p3);
        hol = 0;
    }
    return 0;
}

int stcal(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        st_cal(1);
    return 0;
}
