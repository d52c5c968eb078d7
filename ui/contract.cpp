#include "ui/contract.h"

#include "ui/ids.h"

const PanelContract kPanels[] = {
    {PANEL_MAIN, "PANEL_MAIN", "schluss"},
    {PANEL_COM, "PANEL_COM", nullptr},
    {PANEL_SERVICE, "PANEL_SERVICE", "kalok"},
};
const int kPanelCount = sizeof kPanels / sizeof kPanels[0];

const CtrlContract kControls[] = {
    {PANEL_MAIN, "MAIN_CONFIG_BIT0", MAIN_CONFIG_BIT0, CtrlKind::Switch, nullptr},
    {PANEL_MAIN, "MAIN_CONFIG_BIT3", MAIN_CONFIG_BIT3, CtrlKind::Switch, nullptr},
    {PANEL_MAIN, "MAIN_MODE", MAIN_MODE, CtrlKind::Selector, "dimmen"},
    {PANEL_MAIN, "MAIN_ZERO_POINT", MAIN_ZERO_POINT, CtrlKind::Real, nullptr},
    {PANEL_MAIN, "MAIN_END_MARK", MAIN_END_MARK, CtrlKind::Real, nullptr},
    {PANEL_MAIN, "MAIN_LIMIT", MAIN_LIMIT, CtrlKind::Real, nullptr},
    {PANEL_MAIN, "MAIN_SETTING_8", MAIN_SETTING_8, CtrlKind::Integer, nullptr},
    {PANEL_MAIN, "MAIN_STATUS", MAIN_STATUS, CtrlKind::Text, nullptr},
    {PANEL_MAIN, "MAIN_NOTE", MAIN_NOTE, CtrlKind::Text, nullptr},
    {PANEL_MAIN, "MAIN_READ", MAIN_READ, CtrlKind::Command, "go"},
    {PANEL_MAIN, "MAIN_SAVE", MAIN_SAVE, CtrlKind::Command, "setsp"},
    {PANEL_MAIN, "MENUBAR_SERVICE", MENUBAR_SERVICE, CtrlKind::MenuItem, "setoffen"},
    {PANEL_MAIN, "MENUBAR_LINE_TRACE", MENUBAR_LINE_TRACE, CtrlKind::MenuItem, "linetrace"},
    {PANEL_MAIN, "MENUBAR_SERVICE_RECORD", MENUBAR_SERVICE_RECORD, CtrlKind::MenuItem,
     "servicerecord"},
    {PANEL_MAIN, "MENUBAR_CALIBRATE", MENUBAR_CALIBRATE, CtrlKind::MenuItem, "calibrate"},
    {PANEL_MAIN, "MENUBAR_HISTORY", MENUBAR_HISTORY, CtrlKind::MenuItem, "history"},
    {PANEL_MAIN, "MENUBAR_SAVE_SETTINGS", MENUBAR_SAVE_SETTINGS, CtrlKind::MenuItem,
     "savesettings"},
    {PANEL_MAIN, "MENUBAR_COMPARE_SETTINGS", MENUBAR_COMPARE_SETTINGS, CtrlKind::MenuItem,
     "comparesettings"},
    {PANEL_MAIN, "MENUBAR_WRITE_SETTINGS", MENUBAR_WRITE_SETTINGS, CtrlKind::MenuItem,
     "writesettings"},
    {PANEL_COM, "COM_PORT", COM_PORT, CtrlKind::Integer, nullptr},
    {PANEL_COM, "COM_OK", COM_OK, CtrlKind::Command, "comok"},
    {PANEL_SERVICE, "SERVICE_CAL_8", SERVICE_CAL_8, CtrlKind::Real, nullptr},
    {PANEL_SERVICE, "SERVICE_CAL_9", SERVICE_CAL_9, CtrlKind::Real, nullptr},
    {PANEL_SERVICE, "SERVICE_CAL_0", SERVICE_CAL_0, CtrlKind::Real, nullptr},
    {PANEL_SERVICE, "SERVICE_U5_VALUE", SERVICE_U5_VALUE, CtrlKind::Real, nullptr},
    {PANEL_SERVICE, "SERVICE_U9_VALUE", SERVICE_U9_VALUE, CtrlKind::Real, nullptr},
    {PANEL_SERVICE, "SERVICE_U1_VALUE", SERVICE_U1_VALUE, CtrlKind::Real, nullptr},
    {PANEL_SERVICE, "SERVICE_ZERO", SERVICE_ZERO, CtrlKind::Command, "nullen"},
    {PANEL_SERVICE, "SERVICE_SPAN", SERVICE_SPAN, CtrlKind::Command, "setzen"},
    {PANEL_SERVICE, "SERVICE_STATUS", SERVICE_STATUS, CtrlKind::Text, nullptr},
    {PANEL_SERVICE, "SERVICE_BUSY", SERVICE_BUSY, CtrlKind::Indicator, nullptr},
    {PANEL_SERVICE, "SERVICE_OXYGEN", SERVICE_OXYGEN, CtrlKind::Real, nullptr},
    {PANEL_SERVICE, "SERVICE_STORE", SERVICE_STORE, CtrlKind::Command, "stcal"},
    {PANEL_SERVICE, "POLL_TIMER", POLL_TIMER, CtrlKind::Timer, "timer1"},
};
const int kControlCount = sizeof kControls / sizeof kControls[0];
