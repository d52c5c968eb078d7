// The assistant put into the program: what the service panel shows through
// the user interface's seam, the steps, what is remembered in k964.conf and
// the window, opened beside the service panel (which is opened first, by
// its own menu item, when it is not open).
#pragma once

#include "assistant/assistant.h"
#include "assistant/assistant_conf.h"
#include "assistant/assistant_window.h"
#include "history/history_store.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class UiTap;

class CalibrationAssistant {
  public:
    // `confPath`: where k964.conf is, asked when the window first opens
    // (what was remembered comes back then). Without `hooks.record` the
    // calibrations go to the program's history (ProgramHistory).
    CalibrationAssistant(UiTap& tap, AssistantHooks hooks, std::function<std::string()> confPath);
    ~CalibrationAssistant();
    CalibrationAssistant(const CalibrationAssistant&) = delete;
    CalibrationAssistant& operator=(const CalibrationAssistant&) = delete;

    // Service -> Calibrate...: the window, beside `servicePanel`.
    void show(QWidget* servicePanel);
    Assistant& assistant() { return *assistant_; }
    AssistantWindow* window() const { return window_; }
    // Told after a calibration went into the history (a window that shows
    // it may show it again).
    void onRecorded(std::function<void()> told) { recorded_ = std::move(told); }
    // False when k964.conf could not be written.
    bool remember();

  private:
    void recall();
    std::int64_t keep(const CalibrationEntry& entry);

    PanelWatch watch_;
    std::unique_ptr<Assistant> assistant_;
    std::function<std::string()> confPath_;
    QPointer<AssistantWindow> window_;
    std::function<void()> recorded_;
};
