// Every callback the resource file names, bound by name.
#pragma once

#include "platform/platform.h"

extern const CallbackBinding kCallbacks[];
extern const int kCallbackCount;
