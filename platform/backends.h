// The backends behind the platform operations. The program installs the Qt
// ones; a test installs the in-memory ones, or mixes them (the in-memory user
// interface with the real serial port on a pseudo-terminal, say).
#pragma once

#include "platform/platform.h"

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
    virtual int messagePopup(const char* title, const char* message) = 0;
    virtual int confirmPopup(const char* title, const char* message) = 0;
    virtual int runUserInterface() = 0;
};

class SerialBackend {
  public:
    virtual ~SerialBackend() = default;
    // Each returns 0 or a negative RS232_ code; the free functions keep it
    // in rs232err.
    virtual int open(int port, long baudRate, int parity, int dataBits, int stopBits) = 0;
    virtual int setTimeout(int port, double seconds) = 0;
    virtual int flushOut(int port) = 0;
    virtual int flushIn(int port) = 0;
    virtual int write(int port, const char* bytes, int count) = 0;
    // Stores up to `count` bytes in buffer, ending at terminator (not stored)
    // or the time-out. Sets *stored to the bytes stored.
    virtual int readTerm(int port, char* buffer, int count, int terminator, int* stored) = 0;
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
// The directory GetProjectDir reports.
void SetProjectDir(const char* directory);

// Runs one callback unless another one is running: callbacks never overlap,
// also while a popup inside a callback runs a nested event loop. Returns false
// when the event was dropped.
bool DispatchCtrlCallback(CtrlCallbackPtr callback, int panel, int control, int event);
bool DispatchPanelCallback(PanelCallbackPtr callback, int panel, int event);
bool DispatchMenuCallback(MenuCallbackPtr callback, int menuBar, int menuItem, int panel);
bool CallbackRunning();
