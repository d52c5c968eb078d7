// The running program's calibration history: one store for the assistant,
// the history window and the settings profiles, opened at its default path
// when first needed.
#pragma once

#include "history/history_store.h"

#include <string>

// The store, or null with the reason in *error when it cannot be opened
// (the next call tries again).
HistoryStore* ProgramHistory(std::string* error);
