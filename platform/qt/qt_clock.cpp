#include "platform/qt/qt_clock.h"

#include <chrono>
#include <cmath>
#include <thread>

void QtClock::delay(double seconds) {
    if (!(seconds > 0.0) || !std::isfinite(seconds))
        return;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}
