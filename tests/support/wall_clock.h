// A wall-clock time the trace tests show: 10:32:05.412 today, local time, a
// little past the millisecond.
#pragma once

#include <ctime>

inline double at_10_32_05_412() {
    std::time_t now = std::time(nullptr);
    std::tm t = *std::localtime(&now);
    t.tm_hour = 10;
    t.tm_min = 32;
    t.tm_sec = 5;
    t.tm_isdst = -1;
    return static_cast<double>(std::mktime(&t)) + 0.4121;
}
