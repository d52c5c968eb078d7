// The Service menu's items beyond the service panel: the line trace window
// and saving the service record. Their callbacks run what the program set
// for them, and nothing where nothing is set (the logic's own tests).
#pragma once

#include <functional>

void linetrace(int menuBar, int menuItem, void* callbackData, int panel);
void servicerecord(int menuBar, int menuItem, void* callbackData, int panel);

void SetLineTraceAction(std::function<void()> action);
void SetServiceRecordAction(std::function<void()> action);
