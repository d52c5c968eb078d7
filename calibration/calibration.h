// The service panel: calibration constants, zero and span calibration.
#pragma once

void setoffen(int menuBar, int menuItem, void* callbackData, int panel);
int kalok(int panel, int event, void* callbackData, int eventData1, int eventData2);
int stcal(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// richtung 0 reads the three constants from the transmitter, else writes them.
void st_cal(int richtung);
int nullen(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int setzen(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
