// Feeds the trend from what the program shows, through the user interface's
// seam, one poll timer callback at a time: the values of SERVICE_U1_VALUE and
// SERVICE_OXYGEN and the status text of each poll, and the measuring mode as
// the settings read-back shows it on MAIN_MODE (what the transmitter is in,
// not what the selector was set to and not yet saved). A poll that ends with
// "ok" and the main value shown is a point; a tick without one is "no data"
// while the service panel is watched (the poll failed, or the line is away),
// a break otherwise. No extra command goes to the transmitter.
#pragma once

#include "platform/ui_tap.h"
#include "trend/trend.h"

#include <functional>
#include <string>

class TrendFeed : public UiListener {
  public:
    // `now`: monotonic seconds. `watching`: the service panel is shown, so
    // each tick is meant to poll.
    TrendFeed(Trend& trend, std::function<double()> now, std::function<bool()> watching);

    // Around each run of the poll timer's callback.
    void pollBegins();
    void pollEnded();

    void shownInt(int panel, int control, int value) override;
    void shownReal(int panel, int control, double value) override;
    void shownText(int panel, int control, const char* text) override;

  private:
    Trend& trend_;
    std::function<double()> now_;
    std::function<bool()> watching_;
    bool shown_ = false; // the main value was shown in this poll
    double value_ = 0.0;
    double u1_ = 0.0;
    std::string status_;
};
