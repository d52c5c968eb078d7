// What must still be done when the program ends through ExitProgram, which
// skips every destructor: a serial port's lock file released, a file closed
// and its last bytes checked. A hook gets the status the program ends with
// and returns it, raised where its work failed; the newest hook runs first.
#pragma once

#include <functional>

using ExitHook = std::function<int(int status)>;

// Returns the hook's number for RemoveExitHook.
int AddExitHook(ExitHook hook);
void RemoveExitHook(int number);
// Runs the hooks once each and removes them; the status to end with.
int RunExitHooks(int status);
