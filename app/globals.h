// The shared state of the program: the instrument model, the line buffers,
// the flags and the panel handles. All zero at start-up.
#pragma once

#include <cstdint>

extern int com_nummer; // serial port number, 1-based
extern int p1, p3, p4; // PANEL_MAIN, PANEL_SERVICE, PANEL_COM
extern int m1;         // menu bar of PANEL_MAIN
extern int hol;        // live polling enabled
extern int fehlx;      // last live poll failed
extern int linear;     // measuring mode 1 applied

extern char out_buf[50]; // command being sent, ends in CR
extern char in_buf[50];  // reply without CR; positions 24 to 49 stay zero

extern double wert[10];  // live values: 1, 5, 6, 7 (7: main value)
extern int32_t set[16];  // settings words: 0 to 8 and 13 (0: configuration)
extern double ewert[12]; // set points 1 to 3, calibration constants 8 to 10

extern char p1_titel[16]; // main panel title
