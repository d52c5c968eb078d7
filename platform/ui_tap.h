// The seam on the user interface: a backend that passes every operation on
// to another one and tells its listeners what the technician was shown:
// values and texts set on controls, attributes, popups with their answers.
// Panels are reported by resource number (PANEL_SERVICE...), not by handle.
// Nothing is changed on the way: the logic cannot tell it is there.
#pragma once

#include "platform/backends.h"

#include <map>
#include <vector>

class UiListener {
  public:
    virtual ~UiListener() = default;
    virtual void shownInt(int panel, int control, int value) {
        (void)panel, (void)control, (void)value;
    }
    virtual void shownReal(int panel, int control, double value) {
        (void)panel, (void)control, (void)value;
    }
    virtual void shownText(int panel, int control, const char* text) {
        (void)panel, (void)control, (void)text;
    }
    virtual void attributeSet(int panel, int control, int attribute, int value) {
        (void)panel, (void)control, (void)attribute, (void)value;
    }
    virtual void attributeSet(int panel, int control, int attribute, const char* value) {
        (void)panel, (void)control, (void)attribute, (void)value;
    }
    // After the popup closed; `answer` is ConfirmPopup's (1 yes, 0 no), and
    // -1 for a message popup.
    virtual void popupAnswered(const char* title, const char* message, int answer) {
        (void)title, (void)message, (void)answer;
    }
};

class UiTap : public UiBackend {
  public:
    explicit UiTap(UiBackend& inner) : inner_(inner) {}

    void addListener(UiListener* listener) { listeners_.push_back(listener); }
    // The resource number of a loaded panel's handle, 0 if unknown.
    int resourceOf(int panel) const;

    int loadPanel(int parent, const char* path, int resource) override;
    int getPanelMenuBar(int panel) override { return inner_.getPanelMenuBar(panel); }
    int displayPanel(int panel) override { return inner_.displayPanel(panel); }
    int hidePanel(int panel) override { return inner_.hidePanel(panel); }
    int setPanelAttribute(int panel, int attribute, const char* value) override {
        return inner_.setPanelAttribute(panel, attribute, value);
    }
    int setCtrlVal(int panel, int control, int value) override;
    int setCtrlVal(int panel, int control, double value) override;
    int setCtrlVal(int panel, int control, const char* value) override;
    int getCtrlInt(int panel, int control, int* value) override {
        return inner_.getCtrlInt(panel, control, value);
    }
    int getCtrlReal(int panel, int control, double* value) override {
        return inner_.getCtrlReal(panel, control, value);
    }
    int setCtrlAttribute(int panel, int control, int attribute, int value) override;
    int setCtrlAttribute(int panel, int control, int attribute, const char* value) override;
    int getCtrlAttribute(int panel, int control, int attribute, char* value, int size) override {
        return inner_.getCtrlAttribute(panel, control, attribute, value, size);
    }
    int messagePopup(const char* title, const char* message) override;
    int confirmPopup(const char* title, const char* message) override;
    int runUserInterface() override { return inner_.runUserInterface(); }

  private:
    UiBackend& inner_;
    std::vector<UiListener*> listeners_;
    std::map<int, int> resources_; // panel handle -> resource number
};
