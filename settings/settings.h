// The transmitter's settings on the main panel: read-back, write and save,
// and the measuring mode's labels and number formats.
#pragma once

void holset(void);
int setsp(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
void stset(void);
int dimmen(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
void dimzpoint(void);
// 1 when every one of the real-valued fields holds a number; else names the
// first that holds refused text in a popup and gives 0. Nothing is sent.
int eingabe_ok(int panel, const int* felder, int anzahl);

// Per measuring mode 0, 1, 2.
extern const int valformat[3];
extern const int valprecision[3];
extern const char c_ZP[3][18];
extern const char c_EM[3][16];
extern const char c_LIMIT[3][13];
extern const char c_PO2[3][16];
