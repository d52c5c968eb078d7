#include "addons/menu.h"

#include <utility>

namespace {

constexpr int kActions = static_cast<int>(MenuAction::WriteSettings) + 1;
std::function<void()> actions[kActions];

void run(MenuAction which) {
    if (const auto& action = actions[static_cast<int>(which)])
        action();
}

} // namespace

#define K964_MENU_CALLBACK(name, which)                                                            \
    void name(int menuBar, int menuItem, void* callbackData, int panel) {                          \
        (void)menuBar;                                                                             \
        (void)menuItem;                                                                            \
        (void)callbackData;                                                                        \
        (void)panel;                                                                               \
        run(MenuAction::which);                                                                    \
    }

K964_MENU_CALLBACK(linetrace, LineTrace)
K964_MENU_CALLBACK(servicerecord, ServiceRecord)
K964_MENU_CALLBACK(calibrate, Calibrate)
K964_MENU_CALLBACK(history, History)
K964_MENU_CALLBACK(savesettings, SaveSettings)
K964_MENU_CALLBACK(comparesettings, CompareSettings)
K964_MENU_CALLBACK(writesettings, WriteSettings)

void SetMenuAction(MenuAction which, std::function<void()> action) {
    actions[static_cast<int>(which)] = std::move(action);
}
