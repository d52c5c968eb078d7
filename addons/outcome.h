// What the technician's last action came to, in words, and which line the
// program is on: "COM1 → /dev/ttyUSB0 · read 10:32:05", "Saved to the
// transmitter at 10:32:07", "Read failed: NO CONNECT 3". Taken from what the
// action showed while its callback ran (the status texts, the popups and
// their answers) and from the line trace's open of the port; the status
// texts themselves stay as they are. Standard library only.
#pragma once

#include "platform/ui_tap.h"
#include "trace/line_trace.h"

#include <functional>
#include <string>
#include <vector>

class OutcomeFeed : public UiListener, public TraceListener {
  public:
    // What an action had the transmitter take, for the trend's markers.
    enum class Taken { Nothing, Zero, Span, Store };

    // `clock`: the time of day ("10:32:07"); `device`: the device a port
    // number opens.
    OutcomeFeed(std::function<std::string()> clock, std::function<std::string(int)> device);

    // Around each callback, from the callback observer. A control's callback
    // acts on the commit only, a menu item's (event 0) on any selection.
    void callbackBegins(const char* name, int event);
    Taken callbackEnded(const char* name);

    // "Not connected" until a port opened.
    std::string connection() const;
    // "" until an action came to something.
    const std::string& outcome() const { return outcome_; }

    void shownText(int panel, int control, const char* text) override;
    void popupAnswered(const char* title, const char* message, int answer) override;
    void stepDone(const TraceExchange& exchange, const TraceStep& step) override;
    void exchangeEnded(const TraceExchange& exchange) override { (void)exchange; }

  private:
    struct Popup {
        std::string message;
        int answer = -1; // ConfirmPopup's 1 or 0; -1 a message
    };
    // The read-back's end within the main panel's texts from `from` on:
    // "ok", a "NO CONNECT" text, or "" when none ran.
    std::string readBack(std::size_t from) const;
    Taken calibration(const char* what, Taken kind);
    Taken store();
    Taken fromFile(const std::string& at);
    // The NO CONNECT text a Save stopped at; "" when it did not fail.
    std::string saveFailure() const;
    // How many constants Store said it could not store.
    int notStored() const;
    // Why an action sent nothing: a refusal's text or a confirmation said no.
    std::string notDone(const std::string& what) const;

    std::function<std::string()> clock_;
    std::function<std::string(int)> device_;
    std::string acting_; // the callback whose texts are being collected
    std::vector<std::string> main_;
    std::vector<std::string> service_;
    std::vector<Popup> popups_;
    int constantsWritten_ = 0; // D8, D9, D0 sent by this action
    int port_ = 0;
    std::string portDevice_;
    std::string readAt_;
    std::string outcome_;
};
