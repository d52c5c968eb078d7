// The free platform operations: each forwards to the installed backend.
#include "platform/backends.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int rs232err = 0;

namespace {

UiBackend* ui = nullptr;
SerialBackend* serial = nullptr;
ClockBackend* clock_backend = nullptr;
const CallbackBinding* callbacks = nullptr;
int callback_count = 0;
char project_dir[MAX_PATHNAME_LEN] = ".";
bool running = false;

int set_err(int code) {
    rs232err = code;
    return code;
}

// Marks a callback as running for its whole duration.
class Running {
  public:
    Running() { running = true; }
    ~Running() { running = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
};

} // namespace

void SetUiBackend(UiBackend* backend) {
    ui = backend;
}
void SetSerialBackend(SerialBackend* backend) {
    serial = backend;
}
void SetClockBackend(ClockBackend* backend) {
    clock_backend = backend;
}
UiBackend* CurrentUiBackend() {
    return ui;
}
SerialBackend* CurrentSerialBackend() {
    return serial;
}

const char* SerialOpenFailure() {
    return serial && rs232err == RS232_CANNOT_OPEN ? serial->openFailure() : "";
}

void InstallCallbacks(const CallbackBinding* table, int count) {
    callbacks = table;
    callback_count = count;
}

const CallbackBinding* FindCallback(const char* name) {
    for (int i = 0; i < callback_count; ++i) {
        if (std::strcmp(callbacks[i].name, name) == 0)
            return &callbacks[i];
    }
    return nullptr;
}

void SetProjectDir(const char* directory) {
    std::snprintf(project_dir, sizeof project_dir, "%s", directory);
}

bool CallbackRunning() {
    return running;
}

bool DispatchCtrlCallback(CtrlCallbackPtr callback, int panel, int control, int event) {
    if (running || !callback)
        return false;
    Running guard;
    callback(panel, control, event, nullptr, 0, 0);
    return true;
}

bool DispatchPanelCallback(PanelCallbackPtr callback, int panel, int event) {
    if (running || !callback)
        return false;
    Running guard;
    callback(panel, event, nullptr, 0, 0);
    return true;
}

bool DispatchMenuCallback(MenuCallbackPtr callback, int menuBar, int menuItem, int panel) {
    if (running || !callback)
        return false;
    Running guard;
    callback(menuBar, menuItem, nullptr, panel);
    return true;
}

// ---- User interface ---------------------------------------------------------

int LoadPanel(int parent, const char* file, int resource) {
    if (!ui)
        return UIE_BAD_HANDLE;
    char path[MAX_PATHNAME_LEN];
    if (file[0] == '/' || (file[0] && file[1] == ':')) {
        std::snprintf(path, sizeof path, "%s", file);
    } else if (MakePathname(project_dir, file, path) < 0) {
        return UIE_FILE_NOT_FOUND;
    }
    return ui->loadPanel(parent, path, resource);
}

int GetPanelMenuBar(int panel) {
    return ui ? ui->getPanelMenuBar(panel) : UIE_BAD_HANDLE;
}
int DisplayPanel(int panel) {
    return ui ? ui->displayPanel(panel) : UIE_BAD_HANDLE;
}
int HidePanel(int panel) {
    return ui ? ui->hidePanel(panel) : UIE_BAD_HANDLE;
}

int SetPanelAttribute(int panel, int attribute, const char* value) {
    return ui ? ui->setPanelAttribute(panel, attribute, value) : UIE_BAD_HANDLE;
}

int SetCtrlVal(int panel, int control, int value) {
    return ui ? ui->setCtrlVal(panel, control, value) : UIE_BAD_HANDLE;
}
int SetCtrlVal(int panel, int control, double value) {
    return ui ? ui->setCtrlVal(panel, control, value) : UIE_BAD_HANDLE;
}
int SetCtrlVal(int panel, int control, const char* value) {
    return ui ? ui->setCtrlVal(panel, control, value) : UIE_BAD_HANDLE;
}

int GetCtrlVal(int panel, int control, unsigned char* value) {
    int v = 0;
    int r = ui ? ui->getCtrlInt(panel, control, &v) : UIE_BAD_HANDLE;
    if (r >= 0)
        *value = static_cast<unsigned char>(v);
    return r;
}
int GetCtrlVal(int panel, int control, int* value) {
    return ui ? ui->getCtrlInt(panel, control, value) : UIE_BAD_HANDLE;
}
int GetCtrlVal(int panel, int control, double* value) {
    return ui ? ui->getCtrlReal(panel, control, value) : UIE_BAD_HANDLE;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    return ui ? ui->setCtrlAttribute(panel, control, attribute, value) : UIE_BAD_HANDLE;
}
int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
    return ui ? ui->setCtrlAttribute(panel, control, attribute, value) : UIE_BAD_HANDLE;
}

int MessagePopup(const char* title, const char* message) {
    return ui ? ui->messagePopup(title, message) : UIE_BAD_HANDLE;
}
int ConfirmPopup(const char* title, const char* message) {
    return ui ? ui->confirmPopup(title, message) : 0;
}
int RunUserInterface(void) {
    return ui ? ui->runUserInterface() : UIE_BAD_HANDLE;
}

// ---- RS-232 -------------------------------------------------------------------

int OpenComConfig(int port, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize) {
    (void)deviceName; // the platform's own device for the number is used
    (void)inputQueueSize;
    (void)outputQueueSize;
    if (!serial || port < 1)
        return set_err(RS232_CANNOT_OPEN);
    return set_err(serial->open(port, baudRate, parity, dataBits, stopBits));
}

int SetComTime(int port, double seconds) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    return set_err(serial->setTimeout(port, seconds));
}

int FlushOutQ(int port) {
    return set_err(serial ? serial->flushOut(port) : RS232_PORT_NOT_OPEN);
}

int FlushInQ(int port) {
    return set_err(serial ? serial->flushIn(port) : RS232_PORT_NOT_OPEN);
}

int ComWrt(int port, const char* buffer, int count) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    if (count < 0)
        return set_err(RS232_BAD_ARGUMENT);
    int r = set_err(serial->write(port, buffer, count));
    return r < 0 ? r : count;
}

int ComRdTerm(int port, char* buffer, int count, int terminator) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    if (count < 0)
        return set_err(RS232_BAD_ARGUMENT);
    int stored = 0;
    int r = set_err(serial->readTerm(port, buffer, count, terminator, &stored));
    return r < 0 ? r : stored;
}

int ReturnRS232Err(void) {
    return rs232err;
}

// ---- Utilities ------------------------------------------------------------------

int GetProjectDir(char* directory) {
    std::snprintf(directory, MAX_PATHNAME_LEN, "%s", project_dir);
    return 0;
}

int MakePathname(const char* directory, const char* fileName, char* pathName) {
    std::size_t d = std::strlen(directory);
    const char* sep = (d > 0 && directory[d - 1] != '/' && directory[d - 1] != '\\') ? "/" : "";
#ifdef _WIN32
    if (*sep)
        sep = "\\";
#endif
    int n = std::snprintf(pathName, MAX_PATHNAME_LEN, "%s%s%s", directory, sep, fileName);
    if (n < 0 || n >= MAX_PATHNAME_LEN) {
        pathName[0] = '\0';
        return -1;
    }
    return 0;
}

void Delay(double seconds) {
    if (clock_backend) {
        clock_backend->delay(seconds);
        return;
    }
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void ExitProgram(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}
