// In-memory user interface for tests: panels and controls as values and
// attributes, built from a resource description; popups answered from a
// script; callbacks fired on demand through the same one-at-a-time dispatch
// as the real one; everything shown recorded.
#pragma once

#include "platform/backends.h"
#include "platform/contract_types.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct MemoryCtrl {
    std::string name;
    CtrlKind kind = CtrlKind::Text;
    const char* callback = nullptr;
    int ival = 0;
    double dval = 0.0;
    std::string text;
    std::string label;
    int format = VAL_FLOATING_PT_FORMAT;
    int precision = 2;
    std::string tooltip;
    bool refused = false;             // holds typed text that is not a number
    bool noData = false;              // shows "no data" until it is given a value
    std::vector<std::string> history; // every value set, as text, in order
};

struct MemoryPanel {
    int resource = 0;
    int parent = 0;
    std::string name;
    const char* callback = nullptr;
    bool visible = false;
    std::string title;
    std::map<int, MemoryCtrl> controls;
    std::map<int, MemoryCtrl> menuItems; // ids counted apart from the controls'
};

// A call of the user interface, with the stamp taken when it was made.
struct UiCall {
    std::string what; // "DisplayPanel PANEL_SERVICE", "SERVICE_STATUS=ok", "ConfirmPopup SAVE"
    long stamp = 0;
};

struct Popup {
    bool confirm = false;
    std::string title;
    std::string message;
    int answer = 0;
};

class MemoryUi : public UiBackend {
  public:
    MemoryUi(const PanelContract* panels, int panelCount, const CtrlContract* controls,
             int controlCount);

    // What the next ConfirmPopup answers (1 yes, 0 no), in order; and an
    // action run while any popup is open (a timer tick, a click...).
    void answerConfirm(int answer) { answers_.push_back(answer); }
    void whilePopupOpen(std::function<void()> action) { duringPopup_ = std::move(action); }
    // LoadPanel fails for this file path (missing or damaged resource).
    void failLoading() { failLoading_ = true; }

    // Raise an event as the user would. Returns false when dropped because
    // another callback runs. The timer raises EVENT_TIMER_TICK.
    bool commit(int panel, int control, int event = EVENT_COMMIT);
    bool close(int panel);
    bool panelEvent(int panel, int event);
    bool selectMenu(int menuBar, int item);
    bool tick(int panel, int timer);
    // The user edits a control without committing it.
    void edit(int panel, int control, double value);
    void edit(int panel, int control, int value);
    // The user typed text that is not a number into a real-valued field and
    // left it: the field keeps the text, marked, and its previous value.
    void refuse(int panel, int control);
    // Each call of calls() is stamped with what `stamp` returns at that
    // moment: the line's event count, say, to see what came first.
    void stampWith(std::function<long()> stamp) { stamp_ = std::move(stamp); }
    const std::vector<UiCall>& calls() const { return calls_; }

    MemoryPanel& panel(int handle);
    MemoryCtrl& ctrl(int panel, int control);
    // The handle of the loaded panel with this resource number, 0 if none.
    int handleOf(int resource) const;
    const std::vector<Popup>& popups() const { return popups_; }
    std::vector<std::string>& shown() { return shown_; } // "PANEL.CTRL=value" in order
    bool running() const { return running_; }

    int loadPanel(int parent, const char* path, int resource) override;
    int getPanelMenuBar(int panel) override;
    int displayPanel(int panel) override;
    int hidePanel(int panel) override;
    int setPanelAttribute(int panel, int attribute, const char* value) override;
    int setCtrlVal(int panel, int control, int value) override;
    int setCtrlVal(int panel, int control, double value) override;
    int setCtrlVal(int panel, int control, const char* value) override;
    int getCtrlInt(int panel, int control, int* value) override;
    int getCtrlReal(int panel, int control, double* value) override;
    int setCtrlAttribute(int panel, int control, int attribute, int value) override;
    int setCtrlAttribute(int panel, int control, int attribute, const char* value) override;
    int getCtrlAttribute(int panel, int control, int attribute, char* value, int size) override;
    int messagePopup(const char* title, const char* message) override;
    int confirmPopup(const char* title, const char* message) override;
    int runUserInterface() override;

  private:
    MemoryCtrl* find(int panel, int control);
    void record(int panel, int control, const std::string& value);
    void note(const std::string& what);

    const PanelContract* panelContracts_;
    int panelCount_;
    const CtrlContract* ctrlContracts_;
    int ctrlCount_;
    std::map<int, MemoryPanel> panels_;
    int nextHandle_ = 1;
    int menuBarOf_ = 0; // panel handle whose menu bar was handed out
    std::deque<int> answers_;
    std::function<void()> duringPopup_;
    bool failLoading_ = false;
    bool running_ = false;
    std::vector<Popup> popups_;
    std::vector<std::string> shown_;
    std::function<long()> stamp_;
    std::vector<UiCall> calls_;
};
