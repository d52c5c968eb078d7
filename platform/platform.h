// The platform operations the k964 logic is written against: user interface,
// RS-232 line, formatting, files and utilities. Of the platform, the logic
// includes this header only (besides it, the logic's own headers: globals,
// identifiers, the link); it never includes Qt or a backend. The backends
// behind it are chosen at run time (see backends.h, and
// docs/architecture.md for the whole map).
#pragma once

#include "platform/fmt.h"

// ---- Events, attributes and display formats -------------------------------

enum {
    EVENT_COMMIT = 1,
    EVENT_RIGHT_CLICK = 5,
    EVENT_CLOSE = 11,
    EVENT_TIMER_TICK = 20,
};

enum {
    ATTR_TITLE = 573,
    ATTR_LABEL_TEXT = 641,
    ATTR_FORMAT = 734,
    ATTR_PRECISION = 735,
    ATTR_TOOLTIP_TEXT = 1660,
    // Ours, on a real-valued field: 1 shows "no data", greyed, in place of
    // its value until it is given a value again.
    ATTR_NO_DATA = 0x7F01,
};

// Numeric display formats of real-valued fields.
enum {
    VAL_FLOATING_PT_FORMAT = 0xFFF0,
    VAL_SCIENTIFIC_FORMAT = 0xFFF1,
};

// Negative results of LoadPanel and GetPanelMenuBar.
enum {
    UIE_TOO_MANY_PANELS = -1,
    UIE_FILE_NOT_FOUND = -2,
    UIE_BAD_RESOURCE = -3,
    UIE_NO_SUCH_PANEL = -4,
    UIE_BAD_HANDLE = -5,
    // GetCtrlVal: the field holds text the user typed that is not a number;
    // the value delivered is the one held before.
    UIE_NOT_A_NUMBER = -6,
};

// ---- Callback signatures ---------------------------------------------------

typedef int (*CtrlCallbackPtr)(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
typedef int (*PanelCallbackPtr)(int panel, int event, void* callbackData, int eventData1,
                                int eventData2);
typedef void (*MenuCallbackPtr)(int menuBar, int menuItem, void* callbackData, int panel);

// A callback named in the resource file, bound to its function; exactly one
// of the three pointers is set.
struct CallbackBinding {
    const char* name;
    CtrlCallbackPtr ctrl;
    PanelCallbackPtr panel;
    MenuCallbackPtr menu;
};

// ---- User interface --------------------------------------------------------

// Loads panel `resource` of the resource file `file` (relative names are taken
// from GetResourceDir). parent 0: top-level panel; else a child panel
// shown inside `parent`. Returns the panel handle (> 0) or a negative UIE_ code.
int LoadPanel(int parent, const char* file, int resource);
int GetPanelMenuBar(int panel);
int DisplayPanel(int panel);
int HidePanel(int panel);
int SetPanelAttribute(int panel, int attribute, const char* value);

int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, unsigned char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, double* value);

int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
// Text attributes (the label), cut to fit `size` bytes with the zero.
int GetCtrlAttribute(int panel, int control, int attribute, char* value, int size);
template <int N> int GetCtrlAttribute(int panel, int control, int attribute, char (&value)[N]) {
    return GetCtrlAttribute(panel, control, attribute, value, N);
}

int MessagePopup(const char* title, const char* message);
// 1 for yes, 0 for no.
int ConfirmPopup(const char* title, const char* message);

// Dispatches events to the callbacks, one at a time, until the process ends.
int RunUserInterface(void);

// ---- RS-232 line -----------------------------------------------------------

// Error codes of the last RS-232 operation (0: success).
enum {
    RS232_IO_ERROR = -1,
    RS232_CANNOT_OPEN = -2,
    RS232_PORT_NOT_OPEN = -3,
    RS232_BAD_ARGUMENT = -6,
    RS232_TIMEOUT = -99,
};

// The error code of the last RS-232 operation, as a variable.
extern int rs232err;

int OpenComConfig(int port, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize);
int SetComTime(int port, double seconds);
int FlushOutQ(int port);
int FlushInQ(int port);
// Queues the bytes and returns at once; they leave when the next read waits.
int ComWrt(int port, const char* buffer, int count);
// Reads until `terminator` (removed, not stored), `count` bytes, or the
// time-out. Adds no terminating zero. Returns the number of bytes stored.
int ComRdTerm(int port, char* buffer, int count, int terminator);
int ReturnRS232Err(void);
// Changes whenever the port is opened and whenever the line is lost (an
// operation fails with RS232_IO_ERROR; the backend opens the device again
// with the next one): what was read from the transmitter before may not be
// what the one on the line now holds.
long ComLineGeneration(void);

// ---- Files -----------------------------------------------------------------

enum { VAL_READ_ONLY = 1, VAL_WRITE_ONLY = 2 };
enum { VAL_TRUNCATE = 0, VAL_APPEND = 1, VAL_OPEN_AS_IS = 2 };
enum { VAL_BINARY = 0, VAL_ASCII = 1 };

// Path buffers: generous, so deep program directories work.
enum { MAX_PATHNAME_LEN = 4096 };

// A file opened write-only with truncation is written to a temporary file
// beside the target and replaces it atomically on CloseFile, so a failed write
// leaves the previous file as it was. Returns a handle, negative on failure.
int OpenFile(const char* path, int access, int action, int fileType);
int CloseFile(int handle);

// ---- Utilities -------------------------------------------------------------

// The directory that holds the program.
int GetProjectDir(char* directory);
// The directory LoadPanel takes relative file names from: the program's own,
// or the install's data directory for an installed program.
int GetResourceDir(char* directory);
// The directory that holds the program's files, K960.ini and the COM<n>
// links: the program's own, or the user's own for an installed program.
int GetFilesDir(char* directory);
// 1 if something (a file, a directory, a link, even a dangling one) is at
// `path`, else 0.
int FileExists(const char* path);
int MakePathname(const char* directory, const char* fileName, char* pathName);
void Delay(double seconds);

// Ends the process at once with `status`, from anywhere, without unwinding.
[[noreturn]] void ExitProgram(int status);
