#include "app/globals.h"
#include "app/herkunft.h"
#include "calibration/calibration.h"
#include "link/link.h"
#include "live/live.h"
#include "platform/platform.h"
#include "ui/ids.h"

// 1 when the last poll refuses the calibration; the popup says why.
static int verweigert(int spanne) {
    if (fehlx) {
        MessagePopup("Calibration", " ERROR !!");
        return 1;
    }
    if (spanne && (wert[1] > 10.0 || wert[1] < -10.0)) {
        MessagePopup("Calibration", "ERROR OUT OF RANGE !!");
        return 1;
    }
    return 0;
}

// One guarded, confirmed calibration command; the transmitter takes the
// calibration point itself, the reply only tells that it answered.
static void kalibrieren(int spanne, const char* frage, const char* fehlertext) {
    int fehl1;
    int ja;
    int i;

    if (verweigert(spanne))
        return;
    ja = ConfirmPopup("CALIBRATION", frage);
    if (ja == 0)
        return;
    // No poll ran while the question was open: the span is taken only on a
    // reading from now.
    if (spanne) {
        holen();
        if (verweigert(spanne))
            return;
    }
    SetCtrlVal(p3, SERVICE_BUSY, 1);
    SetCtrlVal(p3, SERVICE_STATUS, "SAVE");
    if (spanne)
        Fmt(out_buf, "D!D!%c", 13);
    else
        Fmt(out_buf, "D?D?%c", 13);
    tx_owir();
    fehl1 = ReturnRS232Err();
    // The reply's form is not known: whatever came is there to be seen.
    SetCtrlAttribute(p3, SERVICE_STATUS, ATTR_TOOLTIP_TEXT, in_buf);
    if (fehl1 != 0) {
        SetCtrlVal(p3, SERVICE_STATUS, fehlertext);
        // It may have calibrated all the same.
        for (i = HK_K8; i <= HK_K0; i++)
            herkunft_unbekannt(i);
    } else {
        Delay(1.0);
        SetCtrlVal(p3, SERVICE_STATUS, "ok");
        hol = 1;
        // The transmitter changed its own constants: shown as they are now.
        st_cal(0);
    }
    SetCtrlVal(p3, SERVICE_BUSY, 0);
}

int nullen(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        kalibrieren(0, "SET Vcal = 0 mV ?", "ERROR NO CONNECT");
    return 0;
}

int setzen(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        kalibrieren(1, "SET Vcal = V ?", "NO CONNECT");
    return 0;
}
