// The live value poll of the service panel.
#pragma once

int timer1(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
void holen(void);
// No live value: the last poll failed, or none of this opening has run
// (fehlx set; the values on the service panel say "no data").
void keine_daten(void);
// Digits after the decimal point for the main value in the linear mode.
int autoprezision(double v);
