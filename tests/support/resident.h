// The memory this process has resident, in KiB, from /proc/self/statm.
#pragma once

#include <unistd.h>

#include <fstream>

inline long resident_kib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
