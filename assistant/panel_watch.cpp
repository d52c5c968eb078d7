#include "assistant/panel_watch.h"

#include "ui/ids.h"

void PanelWatch::watchAction() {
    status_.clear();
    asked_.clear();
    watching_ = true;
}

void PanelWatch::shownReal(int panel, int control, double value) {
    if (panel != PANEL_SERVICE)
        return;
    if (control == SERVICE_OXYGEN)
        value_ = value;
    else if (control == SERVICE_U1_VALUE)
        u1_ = value;
}

void PanelWatch::shownText(int panel, int control, const char* text) {
    if (watching_ && panel == PANEL_SERVICE && control == SERVICE_STATUS)
        status_.emplace_back(text);
}

void PanelWatch::attributeSet(int panel, int control, int attribute, int value) {
    if (panel != PANEL_SERVICE || attribute != ATTR_NO_DATA || !value)
        return;
    if (control == SERVICE_OXYGEN)
        value_.reset();
    else if (control == SERVICE_U1_VALUE)
        u1_.reset();
}

void PanelWatch::popupAnswered(const char* title, const char* message, int answer) {
    if (watching_)
        asked_.push_back({title, message, answer});
}
