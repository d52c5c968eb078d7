// What the service panel shows, as the technician sees it: the main value
// and u1 (none while they say "no data"), and, while an action is watched,
// the status texts it showed and the popups it asked, with their answers
// (only then: the live poll shows its status every second).
// Fed by the user interface's seam; standard library only.
#pragma once

#include "platform/ui_tap.h"

#include <optional>
#include <string>
#include <vector>

class PanelWatch : public UiListener {
  public:
    struct Asked {
        std::string title;
        std::string message;
        int answer = -1; // ConfirmPopup's 1 or 0; -1 a message
    };

    std::optional<double> value() const { return value_; }
    std::optional<double> u1() const { return u1_; }

    // From here on until stopWatching() the status texts and popups are
    // collected afresh; they stay until the next watchAction().
    void watchAction();
    void stopWatching() { watching_ = false; }
    const std::vector<std::string>& statusTexts() const { return status_; }
    const std::vector<Asked>& asked() const { return asked_; }

    void shownReal(int panel, int control, double value) override;
    void shownText(int panel, int control, const char* text) override;
    void attributeSet(int panel, int control, int attribute, int value) override;
    void popupAnswered(const char* title, const char* message, int answer) override;

  private:
    std::optional<double> value_;
    std::optional<double> u1_;
    std::vector<std::string> status_;
    std::vector<Asked> asked_;
    bool watching_ = false; // the polls between actions are not kept
};
