// What the program expects of K964_Vx.uir: every panel, control, menu item and
// timer it addresses or binds a callback to. The in-memory user interface is
// built from these tables, and a test holds the resource file to them.
#pragma once

#include "platform/contract_types.h"

extern const PanelContract kPanels[];
extern const int kPanelCount;
extern const CtrlContract kControls[];
extern const int kControlCount;
