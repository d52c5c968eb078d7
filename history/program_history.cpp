#include "history/program_history.h"

#include "platform/exit_hooks.h"

HistoryStore* ProgramHistory(std::string* error) {
    // It lives as long as the process (which may end with exit from inside a
    // callback): committed entries are in the file whenever it ends.
    static HistoryStore* store = new HistoryStore;
    if (store->isOpen())
        return store;
    if (store->open(HistoryStore::defaultPath())) {
        // Closed as the program ends: the log is written back into the file
        // and its side files go.
        AddExitHook([](int status) {
            store->close();
            return status;
        });
        return store;
    }
    *error = "the calibration history " + store->path() + " could not be opened: " + store->error();
    return nullptr;
}
