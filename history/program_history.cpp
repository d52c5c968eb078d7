#include "history/program_history.h"

#include "platform/exit_hooks.h"

HistoryStore* ProgramHistory(std::string* error) {
    // It lives as long as the process (which may end with exit from inside a
    // callback): committed entries are in the file whenever it ends.
    static HistoryStore* store = new HistoryStore;
    // The path follows the directory of K960.ini, which is the same for a
    // whole run of the program (tests move it between cases).
    const std::string path = HistoryStore::defaultPath();
    if (store->isOpen() && store->path() == path)
        return store;
    if (store->open(path)) {
        // Closed as the program ends: the log is written back into the file
        // and its side files go.
        static const int hook = AddExitHook([](int status) {
            store->close();
            return status;
        });
        (void)hook;
        return store;
    }
    *error = "the calibration history " + store->path() + " could not be opened: " + store->error();
    return nullptr;
}
