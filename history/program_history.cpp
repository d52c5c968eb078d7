#include "history/program_history.h"

HistoryStore* ProgramHistory(std::string* error) {
    // It lives as long as the process (which may end with exit from inside a
    // callback): committed entries are in the file whenever it ends.
    static HistoryStore* store = new HistoryStore;
    if (store->isOpen() || store->open(HistoryStore::defaultPath()))
        return store;
    *error = "the calibration history " + store->path() + " could not be opened: " + store->error();
    return nullptr;
}
