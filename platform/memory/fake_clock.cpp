#include "platform/memory/memory_serial.h"

void FakeClock::delay(double seconds) {
    delays_.push_back(seconds);
    advance(seconds);
}

void FakeClock::advance(double seconds) {
    if (seconds > 0)
        now_ += seconds;
}
