#include "addons/menu.h"

#include <utility>

namespace {

std::function<void()> show_trace;
std::function<void()> save_record;

} // namespace

void linetrace(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    if (show_trace)
        show_trace();
}

void servicerecord(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    if (save_record)
        save_record();
}

void SetLineTraceAction(std::function<void()> action) {
    show_trace = std::move(action);
}

void SetServiceRecordAction(std::function<void()> action) {
    save_record = std::move(action);
}
