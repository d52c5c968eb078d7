#include "trend/trend_feed.h"

#include "ui/ids.h"

#include <cstring>
#include <utility>

TrendFeed::TrendFeed(Trend& trend, std::function<double()> now)
    : trend_(trend), now_(std::move(now)) {}

void TrendFeed::pollBegins() {
    shown_ = false;
    status_.clear();
}

void TrendFeed::pollEnded() {
    if (shown_ && status_ == "ok")
        trend_.add(now_(), value_, u1_);
    else
        trend_.gap();
    shown_ = false;
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

void TrendFeed::attributeSet(int panel, int control, int attribute, int value) {
    if (panel == PANEL_SERVICE && control == SERVICE_OXYGEN && attribute == ATTR_FORMAT)
        scientific_ = value == VAL_SCIENTIFIC_FORMAT;
}

// The mode's label comes after its format: mode 0 is the scientific one,
// mode 2 the one labelled as sensor voltage, mode 1 the other.
void TrendFeed::attributeSet(int panel, int control, int attribute, const char* value) {
    if (panel != PANEL_SERVICE || control != SERVICE_OXYGEN || attribute != ATTR_LABEL_TEXT)
        return;
    if (std::strncmp(value, "Sensor", 6) == 0)
        trend_.setMode(2);
    else
        trend_.setMode(scientific_ ? 0 : 1);
}
