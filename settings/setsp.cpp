#include "app/globals.h"
#include "app/herkunft.h"
#include "link/link.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

void stset(void) {
    int fehl1 = 0;
    int i;
    unsigned char bit0 = 0;
    unsigned char bit3 = 0;
    unsigned char modus = 0;
    int wort8 = 0;

    SetCtrlVal(p1, MAIN_STATUS, "SAVE");
    set[0] &= 0xC4;
    GetCtrlVal(p1, MAIN_CONFIG_BIT0, &bit0);
    if (bit0 != 0)
        set[0] |= 0x01;
    GetCtrlVal(p1, MAIN_CONFIG_BIT3, &bit3);
    if (bit3 != 0)
        set[0] |= 0x08;
    GetCtrlVal(p1, MAIN_MODE, &modus);
    if (modus != 0)
        set[0] |= 0x20;
    if (modus != 2)
        set[0] |= 0x10;
    for (i = 0; i < 3; i++)
        GetCtrlVal(p1, MAIN_ZERO_POINT + i, &ewert[i + 1]);
    GetCtrlVal(p1, MAIN_SETTING_8, &wort8);
    set[8] = wort8;

    herkunft_ungesichert(1);
    for (i = 1; i < 4; i++) {
        // A set point shown as it was read is left as the transmitter
        // holds it: the command's four digits would round its five.
        if (!herkunft_senden(HK_PUNKT1 + i - 1))
            continue;
        herkunft_gesendet(HK_PUNKT1 + i - 1);
        Fmt(out_buf, "D%d%f[e2p3]%c", i, ewert[i], 13);
        tx_ociwr();
        fehl1 = ReturnRS232Err();
        if (fehl1 != 0) {
            SetCtrlVal(p1, MAIN_STATUS, "NO CONNECT 5");
            herkunft_zeigen();
            return;
        }
    }
    for (i = 0; i < 3; i++) {
        if (i == 0) {
            herkunft_gesendet(HK_WORT0);
            Fmt(out_buf, "S0%d%c", static_cast<int>(set[0]), 13);
        } else if (i == 1) {
            herkunft_gesendet(HK_WORT8);
            Fmt(out_buf, "S8%d%c", static_cast<int>(set[8]), 13);
        } else {
            Fmt(out_buf, "S!S!%c", 13);
        }
        tx_cowir();
        fehl1 = ReturnRS232Err();
        if (fehl1 != 0) {
            SetCtrlVal(p1, MAIN_STATUS, "NO CONNECT 6");
            herkunft_zeigen();
            return;
        }
    }
    herkunft_ungesichert(0);
    holset();
}

int setsp(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    static const int sollwerte[3] = {MAIN_ZERO_POINT, MAIN_END_MARK, MAIN_LIMIT};

    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    if (!eingabe_ok(p1, sollwerte, 3))
        return 0;
    // Values neither read from this transmitter nor entered (start-up
    // defaults, a failed read-back, anything from before a line loss) are
    // written only when the technician says so.
    if (!herkunft_bekannt(HK_WORT0, HK_PUNKT3) &&
        ConfirmPopup("SAVE", "Settings not read from the transmitter. Write the "
                             "values shown ?") == 0)
        return 0;
    SetComTime(com_nummer, ZEIT_SCHREIBEN);
    stset();
    SetComTime(com_nummer, ZEIT_NORMAL);
    return 0;
}
