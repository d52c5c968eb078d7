// The additions beyond the original program, put into it at the seams: the
// line trace around the serial backend, the user interface's seam feeding
// the trend and the service record, the callback observer telling them
// when a poll or an action begins and ends, the trend on the service panel,
// and the Service menu's two items. The specified procedures do not change.
#pragma once

#include "platform/ui_tap.h"
#include "record/record_feed.h"
#include "record/service_record.h"
#include "trace/line_trace.h"
#include "trace/trace_text.h"
#include "trace/trace_window.h"
#include "trend/trend.h"
#include "trend/trend_feed.h"
#include "trend/trend_widget.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class Addons : public CallbackObserver {
  public:
    // Wraps the installed user interface and serial backends. Call before
    // the panels are loaded. `trendClock`: monotonic seconds for the trend
    // (default: the steady clock).
    explicit Addons(std::function<double()> trendClock = {});
    ~Addons() override;
    Addons(const Addons&) = delete;
    Addons& operator=(const Addons&) = delete;

    // --trace FILE: every exchange from now on goes to the file as it ends.
    // A line that cannot be written is reported on standard error, and the
    // program then ends with status 1.
    bool traceTo(const std::string& path);
    // Puts the trend onto the service panel, once the panels are loaded
    // (on the Qt user interface; elsewhere it does nothing).
    void attach(int servicePanel);

    // Service -> Line trace.
    void showTrace();
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
    // k964.conf, in the directory that holds K960.ini.
    static std::string confPath();

    void callbackBegins(const char* name, int event) override;
    void callbackEnded(const char* name, int event) override;

  private:
    UiBackend* innerUi_;
    SerialBackend* innerSerial_;
    std::unique_ptr<UiTap> tap_;
    std::unique_ptr<LineTrace> trace_;
    TraceFile traceFile_;
    int traceExit_ = 0; // the exit hook that closes the trace file
    std::function<double()> trendClock_;
    Trend trend_;
    TrendFeed trendFeed_;
    ServiceRecord record_;
    RecordFeed recordFeed_;
    QPointer<TrendView> trendView_;
    QPointer<TraceWindow> traceWindow_;
    std::function<std::string(const std::string&)> chooseFolder_;
};
