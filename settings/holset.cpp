#include "app/globals.h"
#include "link/link.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

void holset(void) {
    int fehl1 = 0;
    int i;
    int modus;

    SetCtrlVal(p1, MAIN_STATUS, "GET");
    gelesen = 0;
    for (i = 0; i < 9; i++) {
        Fmt(out_buf, "s%d%c", i, 13);
        tx_cowir();
        Scan(in_buf + 2, "%d", &set[i]);
        fehl1 = ReturnRS232Err();
        if (fehl1 != 0) {
            SetCtrlVal(p1, MAIN_STATUS, "NO CONNECT 3");
            return;
        }
    }
    // Word 13 is read for completeness; its line errors are not reported.
    Fmt(out_buf, "t12%c", 13);
    tx_cowir();
    Scan(in_buf + 3, "%d", &set[13]);
    for (i = 1; i < 4; i++) {
        Fmt(out_buf, "d%d%c", i, 13);
        tx_cowir();
        Scan(in_buf + 2, "%f", &ewert[i]);
        fehl1 = ReturnRS232Err();
        if (fehl1 != 0) {
            SetCtrlVal(p1, MAIN_STATUS, "NO CONNECT 4");
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
    SetCtrlVal(p1, MAIN_STATUS, "ok");
    gelesen = 1;
}
