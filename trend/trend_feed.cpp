#include "trend/trend_feed.h"

#include "ui/ids.h"

#include <utility>

TrendFeed::TrendFeed(Trend& trend, std::function<double()> now, std::function<bool()> watching)
    : trend_(trend), now_(std::move(now)), watching_(std::move(watching)) {}

void TrendFeed::pollBegins() {
    shown_ = false;
    status_.clear();
}

void TrendFeed::pollEnded() {
    if (shown_ && status_ == "ok")
        trend_.add(now_(), value_, u1_);
    else if (watching_())
        trend_.noData(now_());
    else
        trend_.gap();
    shown_ = false;
}

// The selector is set by the program only from the transmitter's settings
// word; the technician's own choice reaches it as an edit, never as a value
// shown.
void TrendFeed::shownInt(int panel, int control, int value) {
    if (panel == PANEL_MAIN && control == MAIN_MODE)
        trend_.setMode(value, now_());
}

void TrendFeed::shownReal(int panel, int control, double value) {
    if (panel != PANEL_SERVICE)
        return;
    if (control == SERVICE_U1_VALUE) {
        u1_ = value;
    } else if (control == SERVICE_OXYGEN) {
        value_ = value;
        shown_ = true;
    }
}

void TrendFeed::shownText(int panel, int control, const char* text) {
    if (panel == PANEL_SERVICE && control == SERVICE_STATUS)
        status_ = text;
}
