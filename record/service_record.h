// The service record: what was done to the transmitter since the port was
// opened, kept in memory until the technician saves it. Fed from the seams,
// never from the procedures: each exchange on the line (command and reply),
// the callbacks as they begin and end, and what the user interface showed
// (status texts, popups with their answers).
//
// It holds the transmitter's VV reply, the settings and calibration
// constants as last read (the last reply that came without a line error to
// each reading command), and every write, save and calibration with its
// time, the commands sent, the replies, and the texts and popups the
// technician was shown: refused, cancelled and failed ones included.
#pragma once

#include "platform/ui_tap.h"

#include <map>
#include <string>
#include <vector>

class ServiceRecord : public UiListener {
  public:
    // The port was opened (result 0) or not: a successful open starts a new
    // record. `device`: what the port number stands for.
    void portOpened(int port, const std::string& device, int result, const std::string& time);
    // The reply of exchange `number` has been read: the bytes written (the
    // command and its CR), the reply the program stored, the RS-232 code,
    // and the wall-clock time. Another reply of the same exchange replaces
    // it: the line discipline found the first one to be a late line.
    void exchange(long number, const std::string& sent, const std::string& reply, int error,
                  const std::string& time);
    // An operation on the line failed as a lost line does (an unplugged
    // adapter): what was read before may be another transmitter's.
    void lineLost(const std::string& time);
    void callbackBegins(const char* name, const std::string& time);
    void callbackEnded(const char* name);

    void shownText(int panel, int control, const char* text) override;
    void popupAnswered(const char* title, const char* message, int answer) override;

    bool portOpen() const { return !port_.empty(); }
    std::size_t actionCount() const { return actions_.size(); }
    // The record as a file holds it; `now`: the date and time it is saved.
    std::string text(const std::string& now) const;

    // What an action's callback is called in the record; nullptr for the
    // callbacks that are not a write, save or calibration.
    static const char* actionName(const char* callback);

  private:
    struct Action {
        std::string time;
        std::string name;
        std::vector<std::string> lines; // in the order they happened
        bool sent = false;
    };
    struct Exchange {
        long number = 0;
        std::string sent;
        std::string reply;
        int error = 0;
        std::string time;
    };
    // The exchange whose reply may still be replaced goes into the record.
    void settle();
    std::string render(const std::string& now) const;

    struct LastRead {
        std::string reply;
        std::string time;
        bool beforeLoss = false;
    };

    std::string port_;
    std::string opened_;
    std::string vv_;
    bool vvSeen_ = false;
    std::map<std::string, LastRead> read_; // reading command -> last good reply
    std::vector<Action> actions_;
    bool inAction_ = false;
    bool pending_ = false;
    Exchange last_;
    std::vector<std::string> losses_; // when the line was lost
    bool lost_ = false;               // no exchange has gone well since
};
