// The backends behind the platform operations. The program installs the Qt
// ones and wraps them in the seams' decorators (the user interface in
// ui_tap.h's UiTap, the line in trace/line_trace.h's LineTrace); a test
// installs the in-memory ones, or mixes them (the in-memory user interface
// with the real serial port on a pseudo-terminal, say).
#pragma once

#include "platform/platform.h"

#include <string>

class UiBackend {
  public:
    virtual ~UiBackend() = default;
    virtual int loadPanel(int parent, const char* path, int resource) = 0;
    virtual int getPanelMenuBar(int panel) = 0;
    virtual int displayPanel(int panel) = 0;
    virtual int hidePanel(int panel) = 0;
    virtual int setPanelAttribute(int panel, int attribute, const char* value) = 0;
    virtual int setCtrlVal(int panel, int control, int value) = 0;
    virtual int setCtrlVal(int panel, int control, double value) = 0;
    virtual int setCtrlVal(int panel, int control, const char* value) = 0;
    // Integer-valued controls deliver through getInt, real-valued ones
    // through getReal; the free functions narrow to the caller's width.
    virtual int getCtrlInt(int panel, int control, int* value) = 0;
    virtual int getCtrlReal(int panel, int control, double* value) = 0;
    virtual int setCtrlAttribute(int panel, int control, int attribute, int value) = 0;
    virtual int setCtrlAttribute(int panel, int control, int attribute, const char* value) = 0;
    virtual int getCtrlAttribute(int panel, int control, int attribute, char* value, int size) = 0;
    virtual int messagePopup(const char* title, const char* message) = 0;
    virtual int confirmPopup(const char* title, const char* message) = 0;
    virtual int runUserInterface() = 0;
};

// What a read of the line is for. The specified procedures only ever read
// replies; the line discipline (line.cpp) also reads to throw bytes away,
// and says why, so that a decorator such as the line trace can show it.
enum class ReadPurpose {
    Reply,   // a line awaited as the reply to the command just written
    Remnant, // the rest of the reply's line after the caller's count
    Stale,   // the rest of a line that was not the reply (a late line)
    Resync,  // what comes while the line gets back in step, the probe's reply included
};

// What a write is for: the procedures' commands, or the probe the line
// discipline sends to get the line back in step.
enum class WritePurpose {
    Command,
    Probe,
};

// How a read ends, besides `count` bytes stored.
struct LineRead {
    ReadPurpose purpose = ReadPurpose::Reply;
    int terminator = 13;   // ends the read, consumed and not stored; -1: none
    double timeout = -1.0; // seconds for the whole read; negative: the port's time-out
};

class SerialBackend {
  public:
    virtual ~SerialBackend() = default;
    // Each returns 0 or a negative RS232_ code; the free functions keep it
    // in rs232err.
    virtual int open(int port, long baudRate, int parity, int dataBits, int stopBits) = 0;
    virtual int setTimeout(int port, double seconds) = 0;
    virtual int flushOut(int port) = 0;
    // Discards the bytes received so far; `flushed`, when given, gets them.
    virtual int flushIn(int port, std::string* flushed) = 0;
    // Only queues: the bytes leave when the next read waits, and a flushOut
    // before that read takes them back.
    virtual int write(int port, const char* bytes, int count, WritePurpose purpose) = 0;
    // Stores up to `count` bytes in buffer until the terminator or the
    // time-out (RS232_TIMEOUT). Returns 0 when the terminator or `count`
    // ended it; *stored is the bytes stored.
    virtual int read(int port, const LineRead& how, char* buffer, int count, int* stored) = 0;
    // Monotonic seconds on the line's own clock.
    virtual double now() = 0;

    // A command written.
    int writeCommand(int port, const char* bytes, int count) {
        return write(port, bytes, count, WritePurpose::Command);
    }
    // A reply read under the port's time-out.
    int readTerm(int port, char* buffer, int count, int terminator, int* stored) {
        LineRead how;
        how.terminator = terminator;
        return read(port, how, buffer, count, stored);
    }
    // Why the last open failed, in words for the technician; "" if the
    // backend cannot tell.
    virtual const char* openFailure() const { return ""; }
};

class ClockBackend {
  public:
    virtual ~ClockBackend() = default;
    virtual void delay(double seconds) = 0;
};

void SetUiBackend(UiBackend* backend);
void SetSerialBackend(SerialBackend* backend);
void SetClockBackend(ClockBackend* backend);
UiBackend* CurrentUiBackend();
SerialBackend* CurrentSerialBackend();
// Why the serial port did not open, when the last RS-232 operation was an
// open that failed; "" otherwise. The message that follows shows it.
const char* SerialOpenFailure();

// The callbacks that panels bind by name when they are loaded.
void InstallCallbacks(const CallbackBinding* table, int count);
const CallbackBinding* FindCallback(const char* name);
// The directory GetProjectDir reports; GetResourceDir and GetFilesDir report
// it too until SetResourceDir and SetFilesDir say otherwise.
void SetProjectDir(const char* directory);
void SetResourceDir(const char* directory);
void SetFilesDir(const char* directory);

// Runs one callback unless another one is running: callbacks never overlap,
// also while a popup inside a callback runs a nested event loop. Returns false
// when the event was dropped.
bool DispatchCtrlCallback(CtrlCallbackPtr callback, int panel, int control, int event);
bool DispatchPanelCallback(PanelCallbackPtr callback, int panel, int event);
bool DispatchMenuCallback(MenuCallbackPtr callback, int menuBar, int menuItem, int panel);
bool CallbackRunning();

// While one lives, no callback runs: events that come in meanwhile are
// dropped as they are while a callback runs. For waits inside the backend
// that must serve the window system but nobody else.
class CallbacksHeld {
  public:
    CallbacksHeld();
    ~CallbacksHeld();
    CallbacksHeld(const CallbacksHeld&) = delete;
    CallbacksHeld& operator=(const CallbacksHeld&) = delete;

  private:
    bool was_;
};

// Told when a dispatched callback starts and when it has returned, with its
// name from the callback table ("setsp", "timer1"...) and the event code (a
// menu item's callback gets 0). One observer at a time; nullptr: none, and
// the dispatch costs what it cost without.
class CallbackObserver {
  public:
    virtual ~CallbackObserver() = default;
    virtual void callbackBegins(const char* name, int event) = 0;
    virtual void callbackEnded(const char* name, int event) = 0;
};
void SetCallbackObserver(CallbackObserver* observer);
