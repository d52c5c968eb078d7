// Delay on the GUI thread: it blocks, and user input waits meanwhile, as it
// does during an exchange on the line.
#pragma once

#include "platform/backends.h"

class QtClock : public ClockBackend {
  public:
    void delay(double seconds) override;
};
