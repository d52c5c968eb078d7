#include "platform/ui_tap.h"

int UiTap::resourceOf(int panel) const {
    auto it = resources_.find(panel);
    return it == resources_.end() ? 0 : it->second;
}

int UiTap::loadPanel(int parent, const char* path, int resource) {
    int handle = inner_.loadPanel(parent, path, resource);
    if (handle > 0)
        resources_[handle] = resource;
    return handle;
}

int UiTap::setCtrlVal(int panel, int control, int value) {
    int r = inner_.setCtrlVal(panel, control, value);
    for (UiListener* l : listeners_)
        l->shownInt(resourceOf(panel), control, value);
    return r;
}

int UiTap::setCtrlVal(int panel, int control, double value) {
    int r = inner_.setCtrlVal(panel, control, value);
    for (UiListener* l : listeners_)
        l->shownReal(resourceOf(panel), control, value);
    return r;
}

int UiTap::setCtrlVal(int panel, int control, const char* value) {
    int r = inner_.setCtrlVal(panel, control, value);
    for (UiListener* l : listeners_)
        l->shownText(resourceOf(panel), control, value);
    return r;
}

int UiTap::setCtrlAttribute(int panel, int control, int attribute, int value) {
    int r = inner_.setCtrlAttribute(panel, control, attribute, value);
    for (UiListener* l : listeners_)
        l->attributeSet(resourceOf(panel), control, attribute, value);
    return r;
}

int UiTap::setCtrlAttribute(int panel, int control, int attribute, const char* value) {
    int r = inner_.setCtrlAttribute(panel, control, attribute, value);
    for (UiListener* l : listeners_)
        l->attributeSet(resourceOf(panel), control, attribute, value);
    return r;
}

int UiTap::messagePopup(const char* title, const char* message) {
    int r = inner_.messagePopup(title, message);
    for (UiListener* l : listeners_)
        l->popupAnswered(title, message, -1);
    return r;
}

int UiTap::confirmPopup(const char* title, const char* message) {
    int answer = inner_.confirmPopup(title, message);
    for (UiListener* l : listeners_)
        l->popupAnswered(title, message, answer);
    return answer;
}
