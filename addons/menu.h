// The menu items beyond the service panel: the line trace window, the
// service record, the calibration assistant and its history, and the
// transmitter's settings to a file and back. Their callbacks run what the
// program set for them, and nothing where nothing is set (the logic's own
// tests).
#pragma once

#include <functional>

enum class MenuAction {
    LineTrace,       // Service -> Line trace
    ServiceRecord,   // Service -> Save service record
    Calibrate,       // Service -> Calibrate
    History,         // Service -> Calibration history
    SaveSettings,    // File -> Save transmitter settings
    CompareSettings, // File -> Compare transmitter settings
    WriteSettings,   // File -> Write settings from file
};

void linetrace(int menuBar, int menuItem, void* callbackData, int panel);
void servicerecord(int menuBar, int menuItem, void* callbackData, int panel);
void calibrate(int menuBar, int menuItem, void* callbackData, int panel);
void history(int menuBar, int menuItem, void* callbackData, int panel);
void savesettings(int menuBar, int menuItem, void* callbackData, int panel);
void comparesettings(int menuBar, int menuItem, void* callbackData, int panel);
void writesettings(int menuBar, int menuItem, void* callbackData, int panel);

void SetMenuAction(MenuAction which, std::function<void()> action);
