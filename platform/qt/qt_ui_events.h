// How the user's events on the loaded panels reach their callbacks: the
// commit of a command, a selector, a number field, the timer's tick and a
// menu item, each after the pending edits of its window are taken.
#pragma once

#include "platform/platform.h"

class QObject;
class QWidget;

// An integer dynamic property; false when absent or not a number.
bool IntProperty(const QObject* object, const char* name, int* value);
// Connects the user's event on `object` of `panelWidget` to its callback.
// False when the callback does not fit the kind of control.
bool ConnectUserEvent(QObject* object, const CallbackBinding* binding, QWidget* panelWidget,
                      int panel, int menuBar, int id);
// Enter confirms a panel that has a default button, as in a dialog.
void AddDefaultButtonKeys(QWidget* panel);
