#include "ui/callbacks.h"

#include "addons/menu.h"
#include "app/shell.h"
#include "calibration/calibration.h"
#include "link/link.h"
#include "live/live.h"
#include "settings/settings.h"

const CallbackBinding kCallbacks[] = {
    {"schluss", nullptr, schluss, nullptr},
    {"comok", comok, nullptr, nullptr},
    {"go", go, nullptr, nullptr},
    {"setsp", setsp, nullptr, nullptr},
    {"dimmen", dimmen, nullptr, nullptr},
    {"timer1", timer1, nullptr, nullptr},
    {"setoffen", nullptr, nullptr, setoffen},
    {"kalok", nullptr, kalok, nullptr},
    {"nullen", nullen, nullptr, nullptr},
    {"setzen", setzen, nullptr, nullptr},
    {"stcal", stcal, nullptr, nullptr},
    {"linetrace", nullptr, nullptr, linetrace},
    {"servicerecord", nullptr, nullptr, servicerecord},
    {"calibrate", nullptr, nullptr, calibrate},
    {"history", nullptr, nullptr, history},
    {"savesettings", nullptr, nullptr, savesettings},
    {"comparesettings", nullptr, nullptr, comparesettings},
    {"writesettings", nullptr, nullptr, writesettings},
};
const int kCallbackCount = sizeof kCallbacks / sizeof kCallbacks[0];
