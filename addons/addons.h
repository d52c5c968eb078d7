// The additions beyond the original program, put into it at the seams: the
// line trace around the serial backend, the user interface's seam feeding
// the trend, the service record and the line that says what happened, the
// callback observer telling them when a poll or an action begins and ends,
// the trend on the service panel with the main value's unit, the Service
// menu's items (the calibration history window among them) and the Help
// menu. The specified procedures do not change.
#pragma once

#include "addons/outcome.h"
#include "assistant/calibration_assistant.h"
#include "history/history_store.h"
#include "history/history_window.h"
#include "platform/qt/numeric_field.h"
#include "platform/ui_tap.h"
#include "profiles/profile_actions.h"
#include "record/record_feed.h"
#include "record/service_record.h"
#include "trace/line_trace.h"
#include "trace/trace_text.h"
#include "trace/trace_window.h"
#include "trend/trend.h"
#include "trend/trend_feed.h"
#include "trend/trend_widget.h"

#include <QLabel>
#include <QPointer>
#include <QTextBrowser>
#include <functional>
#include <memory>
#include <string>

class Addons : public CallbackObserver {
  public:
    // Wraps the installed user interface and serial backends. Call before
    // the panels are loaded. `trendClock`: monotonic seconds for the trend
    // (default: the steady clock); `timeOfDay`: "10:32:07" for the outcome
    // line (default: the system's clock).
    explicit Addons(std::function<double()> trendClock = {},
                    std::function<std::string()> timeOfDay = {});
    ~Addons() override;
    Addons(const Addons&) = delete;
    Addons& operator=(const Addons&) = delete;

    // --trace FILE: every exchange from now on goes to the file as it ends.
    // A line that cannot be written is reported on standard error, and the
    // program then ends with status 1.
    bool traceTo(const std::string& path);
    // Once the panels are loaded (on the Qt user interface; elsewhere it
    // does nothing): the trend below the service panel's controls, the
    // connection and outcome lines, the main value's unit, the Help menu.
    void attach(int mainPanel, int servicePanel);

    // Service -> Line trace.
    void showTrace();
    // Service -> Calibrate...
    void showAssistant();
    CalibrationAssistant& calibrationAssistant() { return *assistant_; }
    // Service -> Calibration history, with the entries of the history
    // database (HistoryStore::defaultPath()), opened when first shown; one
    // that cannot be opened is said in a message. `provider` replaces it.
    void setHistoryProvider(HistoryWindow::Provider provider);
    void showHistory();
    HistoryWindow* historyWindow() const { return historyWindow_; }
    // Help -> Manual, Help -> About.
    void showManual();
    void showAbout();
    // Service -> Save service record: asks for the folder (starting at the
    // remembered one), writes the record there, remembers the folder.
    // Returns the file written, "" when nothing was.
    std::string saveRecord();
    // Replaces the folder dialog (tests): given the folder to start at,
    // returns the chosen one, "" to cancel.
    void setFolderChooser(std::function<std::string(const std::string&)> chooser) {
        chooseFolder_ = std::move(chooser);
    }

    LineTrace& trace() { return *trace_; }
    Trend& trend() { return trend_; }
    const ServiceRecord& record() const { return record_; }
    TrendView* trendView() const { return trendView_; }
    OutcomeFeed& outcomes() { return outcomes_; }
    // File -> Save, Compare and Write transmitter settings.
    ProfileActions& profiles() { return *profiles_; }
    QTextBrowser* manualWindow() const { return manualWindow_; }
    // The local date and time as files and the history keep it:
    // "2026-12-09T10:32:05".
    static std::string isoNow();
    // k964.conf, in the directory that holds K960.ini.
    static std::string confPath();

    void callbackBegins(const char* name, int event) override;
    void callbackEnded(const char* name, int event) override;

  private:
    // The lines and the unit, as the last action left them.
    void showOutcome();
    void showUnit();

    UiBackend* innerUi_;
    SerialBackend* innerSerial_;
    std::unique_ptr<UiTap> tap_;
    std::unique_ptr<LineTrace> trace_;
    TraceFile traceFile_;
    int traceExit_ = 0; // the exit hook that closes the trace file
    std::function<double()> trendClock_;
    std::function<std::string()> timeOfDay_;
    Trend trend_;
    TrendFeed trendFeed_;
    OutcomeFeed outcomes_;
    ServiceRecord record_;
    RecordFeed recordFeed_;
    std::unique_ptr<CalibrationAssistant> assistant_;
    QPointer<TrendView> trendView_;
    QPointer<TraceWindow> traceWindow_;
    HistoryWindow::Provider historyProvider_;
    QPointer<HistoryWindow> historyWindow_;
    QPointer<QTextBrowser> manualWindow_;
    QPointer<QWidget> servicePanel_;
    QPointer<QLabel> connectionLine_;
    QPointer<QLabel> outcomeLine_;
    QPointer<QLabel> serviceOutcomeLine_;
    QPointer<QLabel> unit_;
    QPointer<NumericField> mainValue_;
    QString panelsFile_;
    std::function<std::string(const std::string&)> chooseFolder_;
    std::unique_ptr<ProfileActions> profiles_;
};
