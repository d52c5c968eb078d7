#include "app/globals.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

const int valformat[3] = {VAL_SCIENTIFIC_FORMAT, VAL_FLOATING_PT_FORMAT, VAL_FLOATING_PT_FORMAT};
const int valprecision[3] = {3, 1, 1};
// Mode 1's zero point label closes with a square bracket, "(ppm]". It is the
// transmitter tool's own text and is kept exactly so, on purpose.
const char c_ZP[3][18] = {"ZERO POINT (ppm) ", "ZERO POINT (ppm] ", "ZERO POINT (mV ) "};
const char c_EM[3][16] = {"END MARK (ppm) ", "END MARK (ppm) ", "END MARK (mV ) "};
const char c_LIMIT[3][13] = {"LIMIT (ppm) ", "LIMIT (ppm) ", "LIMIT (mV ) "};
const char c_PO2[3][16] = {"Oxygen         ", "Oxygen         ", "Sensor Voltage "};

void dimzpoint(void) {
    static const int felder[4] = {MAIN_ZERO_POINT, MAIN_END_MARK, MAIN_LIMIT, SERVICE_OXYGEN};
    unsigned char m = 0;
    int k;

    GetCtrlVal(p1, MAIN_MODE, &m);
    // The selector offers 0 to 2 only; anything else must not index past
    // the tables.
    if (m > 2)
        return;
    for (k = 0; k < 4; k++) {
        int panel = felder[k] == SERVICE_OXYGEN ? p3 : p1;
        SetCtrlAttribute(panel, felder[k], ATTR_FORMAT, valformat[m]);
        SetCtrlAttribute(panel, felder[k], ATTR_PRECISION, valprecision[m]);
    }
    SetCtrlAttribute(p1, MAIN_ZERO_POINT, ATTR_LABEL_TEXT, c_ZP[m]);
    SetCtrlAttribute(p1, MAIN_END_MARK, ATTR_LABEL_TEXT, c_EM[m]);
    SetCtrlAttribute(p1, MAIN_LIMIT, ATTR_LABEL_TEXT, c_LIMIT[m]);
    SetCtrlAttribute(p3, SERVICE_OXYGEN, ATTR_LABEL_TEXT, c_PO2[m]);
    linear = m == 1 ? 1 : 0;
    for (k = 0; k < 3; k++)
        SetCtrlVal(p1, MAIN_ZERO_POINT + k, ewert[k + 1]);
}

int dimmen(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        dimzpoint();
    return 0;
}
