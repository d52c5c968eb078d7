// The real program on its real backends: the Qt user interface with
// K964_Vx.uir, QSerialPort, and k964-sim on a pseudo-terminal as COM1 in a
// fresh program directory.
#pragma once

#include "app/globals.h"
#include "platform/backends.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"
#include "tests/serial/sim_process.h"
#include "trace/line_trace.h"
#include "ui/ids.h"

#include <QString>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// How long a test waits for what the program shows by itself (a poll, a
// refresh); a generous deadline, not a timing goal.
constexpr int kDeadlineMs = 15000;

// Every command the line trace saw go out, as written (without its CR).
class SentCommands : public TraceListener {
  public:
    void stepDone(const TraceExchange& exchange, const TraceStep& step) override;
    void exchangeEnded(const TraceExchange&) override {}

    std::vector<std::string> sent;

  private:
    bool queued_ = false; // the last command listed has not been read for yet
};

// A file's whole contents; "" when it cannot be read.
std::string slurp(const std::string& path);

// What a message box showed, and how it was answered.
struct SeenPopup {
    QString title;
    QString text;
    QString informative;
};

class E2eTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts k964-sim with these options on `port` in the program directory.
    void startSim(std::vector<std::string> options = {}, int port = 1);
    // The program's start-up, without the event loop (that is the test's).
    void start();
    // start(), then confirm port 1 and wait for the read-back.
    void connect();

    QWidget* widget(int panel, int control) const;
    QString text(int panel, int control) const;
    double real(int panel, int control) const;
    int integer(int panel, int control) const;
    void click(int panel, int control);
    // Types into a field as the user does, and leaves it with Enter.
    void type(int panel, int control, const QString& text);
    void chooseMode(int index);
    void openService();

    // Commands the simulated transmitter has received so far.
    int simCommands();
    // The tooltip of a control.
    QString tip(int panel, int control) const;

    // The next message box that opens is answered with `yes` (Yes/OK) or
    // not; what it showed lands in `popups`, and in the file `popupLog`
    // when one is named (title, text and informative text, one per line):
    // how a test learns what a process that ended showed.
    void answerNextPopup(bool yes);
    SeenPopup readPopupLog() const;

    // From here on this process runs as the user nobody without groups, as
    // `setpriv --reuid=65534 --regid=65534 --clear-groups` would run it:
    // file modes and exclusive opens hold again, which root ignores. The
    // program directory is opened to that user first.
    void dropPrivileges();

    std::string iniPath() const { return dir + "/K960.ini"; }
    void writeIni(const std::string& bytes) const;
    std::string readIni() const;

    std::string dir;
    bool ownDir = false;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<QtUi> ui;
    std::unique_ptr<QtSerial> serial;
    std::unique_ptr<LineTrace> line; // around `serial`, as the program has it
    SentCommands written;
    std::vector<SeenPopup> popups;
    std::string popupLog;
};
