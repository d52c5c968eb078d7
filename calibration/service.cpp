#include "app/globals.h"
#include "calibration/calibration.h"
#include "link/link.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

#include <cstdio>
#include <cstring>

// The three constants' fields, in the order of their slots 8, 9, 10.
static const int konstanten[3] = {SERVICE_CAL_8, SERVICE_CAL_9, SERVICE_CAL_0};

void st_cal(int richtung) {
    int i;
    int k;
    int fehler = 0;
    char text[60] = "Constant";

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
            std::snprintf(text + std::strlen(text), sizeof text - std::strlen(text), "%s %d",
                          fehler ? "," : "", k);
            fehler++;
            continue;
        }
        Scan(in_buf + 2, "%f", &ewert[i]);
        SetCtrlVal(p3, SERVICE_CAL_8 + (i - 8), ewert[i]);
    }
    if (!richtung) {
        kgelesen = fehler == 0;
    } else if (fehler) {
        // Said on the service panel, where the technician looks.
        std::snprintf(text + std::strlen(text), sizeof text - std::strlen(text), " not stored !");
        MessagePopup("Calibration", text);
    } else {
        SetCtrlVal(p1, MAIN_STATUS, "ok");
    }
}

void setoffen(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    // No calibration before a poll of this opening has measured.
    fehlx = 1;
    kgelesen = 0;
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
    if (event != EVENT_COMMIT)
        return 0;
    if (!eingabe_ok(p3, konstanten, 3))
        return 0;
    if (!kgelesen && ConfirmPopup("Calibration", "Constants not read from the transmitter. Write "
                                                 "the values shown ?") == 0)
        return 0;
    st_cal(1);
    return 0;
}
