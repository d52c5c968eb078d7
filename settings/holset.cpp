#include "app/globals.h"
#include "app/herkunft.h"
#include "app/lesung.h"
#include "link/link.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

// The main panel's values that come from word i, or -1.
static int wort_wert(int i) {
    return i == 0 ? HK_WORT0 : i == 8 ? HK_WORT8 : -1;
}

void holset(void) {
    int fehl1 = 0;
    int i;
    int w;
    int modus;
    int ohne = 0; // the values whose reply held no number, one bit each
    int zahl;

    SetCtrlVal(p1, MAIN_STATUS, "GET");
    // Until it has run to its end, the panel shows nothing of this read-back.
    for (w = HK_WORT0; w <= HK_PUNKT3; w++)
        herkunft_unbekannt(w);
    for (i = 0; i < 9; i++) {
        Fmt(out_buf, "s%d%c", i, 13);
        tx_cowir();
        w = wort_wert(i);
        zahl = Scan(in_buf + 2, "%d", &set[i]);
        if (zahl < 1 && w >= 0)
            ohne |= 1 << w;
        fehl1 = ReturnRS232Err();
        if (lesung_wort)
            lesung_wort(i, zahl, fehl1);
        if (fehl1 != 0) {
            SetCtrlVal(p1, MAIN_STATUS, "NO CONNECT 3");
            herkunft_zeigen();
            return;
        }
    }
    // Word 13 is read for completeness; its line errors are not reported.
    Fmt(out_buf, "t12%c", 13);
    tx_cowir();
    zahl = Scan(in_buf + 3, "%d", &set[13]);
    if (lesung_wort)
        lesung_wort(13, zahl, ReturnRS232Err());
    for (i = 1; i < 4; i++) {
        Fmt(out_buf, "d%d%c", i, 13);
        tx_cowir();
        if (Scan(in_buf + 2, "%f", &ewert[i]) < 1)
            ohne |= 1 << (HK_PUNKT1 + i - 1);
        fehl1 = ReturnRS232Err();
        if (fehl1 != 0) {
            SetCtrlVal(p1, MAIN_STATUS, "NO CONNECT 4");
            herkunft_zeigen();
            return;
        }
    }
    SetCtrlVal(p1, MAIN_CONFIG_BIT0, (set[0] & 0x01) ? 1 : 0);
    SetCtrlVal(p1, MAIN_CONFIG_BIT3, (set[0] & 0x08) ? 1 : 0);
    modus = (set[0] & 0x20) ? 1 : 0;
    if (!(set[0] & 0x10))
        modus = 2;
    SetCtrlVal(p1, MAIN_MODE, modus);
    SetCtrlVal(p1, MAIN_SETTING_8, static_cast<int>(set[8]));
    dimzpoint();
    herkunft_lesung();
    for (w = HK_WORT0; w <= HK_PUNKT3; w++) {
        if (ohne & (1 << w))
            herkunft_ohne_zahl(w);
        else
            herkunft_gelesen(w);
    }
    // A reply without a number, or a value that is not what Save just
    // wrote, is no success.
    if (ohne & ((1 << HK_WORT0) | (1 << HK_WORT8)))
        SetCtrlVal(p1, MAIN_STATUS, "NO VALUE 3");
    else if (ohne)
        SetCtrlVal(p1, MAIN_STATUS, "NO VALUE 4");
    else if (!herkunft_genommen(HK_WORT0, HK_PUNKT3))
        SetCtrlVal(p1, MAIN_STATUS, "NOT TAKEN");
    else
        SetCtrlVal(p1, MAIN_STATUS, "ok");
    herkunft_zeigen();
}
