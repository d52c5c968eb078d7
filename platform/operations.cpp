// The free platform operations: each forwards to the installed backend.
#include "platform/backends.h"
#include "platform/exit_hooks.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

UiBackend* ui = nullptr;
ClockBackend* clock_backend = nullptr;
const CallbackBinding* callbacks = nullptr;
int callback_count = 0;
char project_dir[MAX_PATHNAME_LEN] = ".";
char resource_dir[MAX_PATHNAME_LEN] = ".";
char files_dir[MAX_PATHNAME_LEN] = ".";
bool running = false;
CallbackObserver* observer = nullptr;
std::vector<std::pair<int, ExitHook>> exit_hooks;
int next_exit_hook = 1;

// The name a callback is bound under; "" if it is not in the table.
template <class Callback> const char* name_of(Callback callback, Callback CallbackBinding::*field) {
    if (!observer)
        return "";
    for (int i = 0; i < callback_count; ++i) {
        if (callbacks[i].*field == callback)
            return callbacks[i].name;
    }
    return "";
}

// Marks a callback as running for its whole duration, and tells the
// observer, if there is one, when it starts and when it has returned.
class Running {
  public:
    Running(const char* name, int event) : name_(name), event_(event) {
        running = true;
        if (observer)
            observer->callbackBegins(name_, event_);
    }
    ~Running() {
        running = false;
        if (observer)
            observer->callbackEnded(name_, event_);
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    const char* name_;
    int event_;
};

} // namespace

void SetUiBackend(UiBackend* backend) {
    ui = backend;
}
void SetClockBackend(ClockBackend* backend) {
    clock_backend = backend;
}
UiBackend* CurrentUiBackend() {
    return ui;
}
void SetCallbackObserver(CallbackObserver* o) {
    observer = o;
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
    SetResourceDir(directory);
    SetFilesDir(directory);
}

void SetResourceDir(const char* directory) {
    std::snprintf(resource_dir, sizeof resource_dir, "%s", directory);
}

void SetFilesDir(const char* directory) {
    std::snprintf(files_dir, sizeof files_dir, "%s", directory);
}

bool CallbackRunning() {
    return running;
}

CallbacksHeld::CallbacksHeld() : was_(running) {
    running = true;
}

CallbacksHeld::~CallbacksHeld() {
    running = was_;
}

bool DispatchCtrlCallback(CtrlCallbackPtr callback, int panel, int control, int event) {
    if (running || !callback)
        return false;
    Running guard(name_of(callback, &CallbackBinding::ctrl), event);
    callback(panel, control, event, nullptr, 0, 0);
    return true;
}

bool DispatchPanelCallback(PanelCallbackPtr callback, int panel, int event) {
    if (running || !callback)
        return false;
    Running guard(name_of(callback, &CallbackBinding::panel), event);
    callback(panel, event, nullptr, 0, 0);
    return true;
}

bool DispatchMenuCallback(MenuCallbackPtr callback, int menuBar, int menuItem, int panel) {
    if (running || !callback)
        return false;
    Running guard(name_of(callback, &CallbackBinding::menu), 0);
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
    } else if (MakePathname(resource_dir, file, path) < 0) {
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

int GetCtrlAttribute(int panel, int control, int attribute, char* value, int size) {
    if (size < 1)
        return UIE_BAD_HANDLE;
    value[0] = '\0';
    return ui ? ui->getCtrlAttribute(panel, control, attribute, value, size) : UIE_BAD_HANDLE;
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

// ---- Utilities ------------------------------------------------------------------

int GetProjectDir(char* directory) {
    std::snprintf(directory, MAX_PATHNAME_LEN, "%s", project_dir);
    return 0;
}

int GetResourceDir(char* directory) {
    std::snprintf(directory, MAX_PATHNAME_LEN, "%s", resource_dir);
    return 0;
}

int GetFilesDir(char* directory) {
    std::snprintf(directory, MAX_PATHNAME_LEN, "%s", files_dir);
    return 0;
}

int FileExists(const char* path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
    return !ec && status.type() != std::filesystem::file_type::not_found ? 1 : 0;
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

int AddExitHook(ExitHook hook) {
    exit_hooks.emplace_back(next_exit_hook, std::move(hook));
    return next_exit_hook++;
}

void RemoveExitHook(int number) {
    std::erase_if(exit_hooks, [number](const auto& entry) { return entry.first == number; });
}

int RunExitHooks(int status) {
    while (!exit_hooks.empty()) {
        ExitHook hook = std::move(exit_hooks.back().second);
        exit_hooks.pop_back();
        status = hook(status);
    }
    return status;
}

void ExitProgram(int status) {
    status = RunExitHooks(status);
    std::fflush(nullptr);
    std::_Exit(status);
}
