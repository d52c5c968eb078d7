#include "app/globals.h"
#include "link/link.h"
#include "live/live.h"
#include "platform/platform.h"
#include "ui/ids.h"

#include <cstring>

int autoprezision(double v) {
    if (v < 2.0)
        return 3;
    if (v < 20.0)
        return 2;
    if (v < 200.0)
        return 1;
    return 0; // 200 and above, and not a number
}

void keine_daten(void) {
    static const int werte[4] = {SERVICE_U1_VALUE, SERVICE_U9_VALUE, SERVICE_U5_VALUE,
                                 SERVICE_OXYGEN};
    int k;

    fehlx = 1;
    for (k = 0; k < 4; k++)
        SetCtrlAttribute(p3, werte[k], ATTR_NO_DATA, 1);
}

void holen(void) {
    static const int nummer[3] = {1, 5, 9};
    double vorher[10];
    int k;
    int falsch;
    int zahlen;
    int schlecht = 0; // a "u" reply of this poll failed its check

    // A poll with a bad reply stores none of its values.
    std::memcpy(vorher, wert, sizeof vorher);
    SetCtrlVal(p3, SERVICE_BUSY, 1);
    leeren();
    for (k = 0; k < 3; k++) {
        Fmt(out_buf, "u%d%c", nummer[k], 13);
        tx_owir();
        if (nummer[k] == 1)
            zahlen = Scan(in_buf + 1, "%f", &wert[1]) == 1;
        else if (nummer[k] == 5)
            zahlen = Scan(in_buf + 1, "%f", &wert[5]) == 1;
        else
            zahlen = Scan(in_buf + 1, "%f%f", &wert[6], &wert[7]) == 2;
        // A reply without its numbers is no reading either.
        falsch = in_buf[0] != 'u' || !zahlen;
        // The first bad reply is the one the technician gets to see.
        if (falsch && !schlecht)
            SetCtrlVal(p3, SERVICE_STATUS, in_buf);
        leeren();
        if (ReturnRS232Err() != 0) {
            if (schlecht)
                std::memcpy(wert, vorher, sizeof vorher);
            SetCtrlVal(p3, SERVICE_STATUS, "ERROR1 NO CONNECT");
            keine_daten();
            return;
        }
        if (falsch)
            schlecht = 1;
    }
    Fmt(out_buf, "m2%c", 13);
    tx_owir();
    if (in_buf[0] != 'M') {
        SetCtrlVal(p3, SERVICE_STATUS, in_buf);
        wert[7] = 0.0;
        fehlx = 1;
    } else if (schlecht) {
        fehlx = 1; // the bad "u" reply stays in view, not "ok"
    } else {
        SetCtrlVal(p3, SERVICE_STATUS, "ok");
        fehlx = 0;
    }
    leeren();
    if (schlecht)
        std::memcpy(wert, vorher, sizeof vorher);
    if (ReturnRS232Err() != 0) {
        SetCtrlVal(p3, SERVICE_STATUS, "ERROR2 NO CONNECT");
        keine_daten();
        return;
    }
    if (!schlecht) {
        SetCtrlVal(p3, SERVICE_U1_VALUE, wert[1]);
        SetCtrlVal(p3, SERVICE_U9_VALUE, wert[6]);
        SetCtrlVal(p3, SERVICE_U5_VALUE, wert[5]);
        if (linear)
            SetCtrlAttribute(p3, SERVICE_OXYGEN, ATTR_PRECISION, autoprezision(wert[7]));
        SetCtrlVal(p3, SERVICE_OXYGEN, wert[7]);
    }
    // What a failed poll left on screen is no live value.
    if (fehlx)
        keine_daten();
    SetCtrlVal(p3, SERVICE_BUSY, 0);
}

int timer1(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)event;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (hol)
        holen();
    return 0;
}
