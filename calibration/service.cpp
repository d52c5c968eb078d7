#include "app/globals.h"
#include "app/herkunft.h"
#include "calibration/calibration.h"
#include "link/link.h"
#include "live/live.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

#include <cstdio>
#include <cstring>

// The three constants' fields, in the order of their slots 8, 9, 10.
static const int konstanten[3] = {SERVICE_CAL_8, SERVICE_CAL_9, SERVICE_CAL_0};

// A constant that failed: its status text, and its device number in `text`.
static void gescheitert(const char* status, int k, char* text, std::size_t size, int* fehler) {
    SetCtrlVal(p1, MAIN_STATUS, status);
    std::snprintf(text + std::strlen(text), size - std::strlen(text), "%s %d", *fehler ? "," : "",
                  k);
    (*fehler)++;
}

void st_cal(int richtung) {
    int i;
    int k;
    int w;
    int zahl;
    int fehler = 0;
    char text[60] = "Constant";

    for (i = 8; i < 11; i++) {
        // Slot 10 travels under device number 0.
        k = i == 10 ? 0 : i;
        w = HK_K8 + (i - 8);
        if (richtung) {
            GetCtrlVal(p3, SERVICE_CAL_8 + (i - 8), &ewert[i]);
            // Shown as it was read: the transmitter holds it already, with
            // more digits than the command carries.
            if (!herkunft_senden(w))
                continue;
            herkunft_gesendet(w);
            Fmt(out_buf, "D%d%f[e2p3]%c", k, ewert[i], 13);
        } else {
            herkunft_unbekannt(w);
            Fmt(out_buf, "d%d%c", k, 13);
        }
        tx_ociwr();
        if (ReturnRS232Err() != 0) {
            gescheitert("NO CONNECT 5", k, text, sizeof text, &fehler);
            continue;
        }
        zahl = Scan(in_buf + 2, "%f", &ewert[i]);
        SetCtrlVal(p3, SERVICE_CAL_8 + (i - 8), ewert[i]);
        if (zahl < 1) {
            herkunft_ohne_zahl(w);
            gescheitert("NO VALUE 5", k, text, sizeof text, &fehler);
            continue;
        }
        herkunft_gelesen(w);
        if (richtung && !herkunft_genommen(w, w))
            gescheitert("NOT TAKEN", k, text, sizeof text, &fehler);
    }
    if (!richtung)
        return;
    if (fehler) {
        // Said on the service panel, where the technician looks.
        std::snprintf(text + std::strlen(text), sizeof text - std::strlen(text), " not stored !");
        MessagePopup("Calibration", text);
    } else if (herkunft_bekannt(HK_WORT0, HK_PUNKT3)) {
        // Not over the failure of the settings' read-back.
        SetCtrlVal(p1, MAIN_STATUS, "ok");
    }
}

void setoffen(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    // No calibration before a poll of this opening has measured.
    keine_daten();
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
    if (!herkunft_bekannt(HK_K8, HK_K0) &&
        ConfirmPopup("Calibration", "Constants not read from the transmitter. Write "
                                    "the values shown ?") == 0)
        return 0;
    st_cal(1);
    return 0;
}
