// Panel resource numbers and control identifiers of K964_Vx.uir.
#pragma once

// Panels (resource numbers).
enum {
    PANEL_MAIN = 1,
    PANEL_COM = 2,
    PANEL_SERVICE = 3,
};

// Controls of PANEL_MAIN.
enum {
    MAIN_CONFIG_BIT0 = 2,
    MAIN_CONFIG_BIT3 = 3,
    MAIN_MODE = 4,
    MAIN_ZERO_POINT = 5,
    MAIN_END_MARK = 6,
    MAIN_LIMIT = 7,
    MAIN_SETTING_8 = 8,
    MAIN_STATUS = 9,
    MAIN_READ = 10,
    MAIN_SAVE = 11,
    // Ours: a line under the status that says what is pending (values not
    // saved, not taken, not read, a line loss).
    MAIN_NOTE = 14,
};

// Controls of PANEL_COM.
enum {
    COM_PORT = 2,
    COM_OK = 3,
};

// Controls of PANEL_SERVICE.
enum {
    SERVICE_CAL_8 = 2,
    SERVICE_CAL_9 = 3,
    SERVICE_CAL_0 = 4,
    SERVICE_U5_VALUE = 5,
    SERVICE_U9_VALUE = 6,
    SERVICE_U1_VALUE = 7,
    SERVICE_ZERO = 8,
    SERVICE_SPAN = 9,
    SERVICE_STATUS = 10,
    SERVICE_BUSY = 11,
    SERVICE_OXYGEN = 12,
    SERVICE_STORE = 13,
    POLL_TIMER = 14,
};

// Items of the main panel's menu bar. All but the service panel are
// additions of ours (addons/); their numbers stay clear of the main panel's
// controls.
enum {
    MENUBAR_SERVICE = 2,
    MENUBAR_LINE_TRACE = 12,
    MENUBAR_SERVICE_RECORD = 13,
    MENUBAR_CALIBRATE = 14,
    MENUBAR_HISTORY = 15,
    MENUBAR_SAVE_SETTINGS = 16,
    MENUBAR_COMPARE_SETTINGS = 17,
    MENUBAR_WRITE_SETTINGS = 18,
};
