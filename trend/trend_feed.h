// Feeds the trend from what the live poll shows on the service panel: the
// values of SERVICE_U1_VALUE and SERVICE_OXYGEN and the status text, seen
// through the user interface's seam, one timer callback at a time. A poll
// that ends with "ok" and the main value shown is a point; a poll that
// failed, or a tick that polled nothing, is a gap. The measuring mode is
// read from the main value's display format and label as they are set.
#pragma once

#include "platform/ui_tap.h"
#include "trend/trend.h"

#include <functional>
#include <string>

class TrendFeed : public UiListener {
  public:
    // `now`: monotonic seconds.
    TrendFeed(Trend& trend, std::function<double()> now);

    // Around each run of the poll timer's callback.
    void pollBegins();
    void pollEnded();

    void shownReal(int panel, int control, double value) override;
    void shownText(int panel, int control, const char* text) override;
    void attributeSet(int panel, int control, int attribute, int value) override;
    void attributeSet(int panel, int control, int attribute, const char* value) override;

  private:
    Trend& trend_;
    std::function<double()> now_;
    bool shown_ = false; // the main value was shown in this poll
    double value_ = 0.0;
    double u1_ = 0.0;
    std::string status_;
    bool scientific_ = true;
};
