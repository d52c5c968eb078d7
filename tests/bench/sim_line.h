// The program's own line on port 1, opened on a fresh k964-sim, for the
// benchmarks that run the program's transactions.
#pragma once

#include "app/globals.h"
#include "platform/backends.h"
#include "platform/qt/qt_serial.h"
#include "tests/serial/sim_process.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

class SimLine {
  public:
    // Skips the benchmark with the reason when the simulator or the port
    // does not come up; ok() tells.
    SimLine(std::vector<std::string> options, double timeout, benchmark::State& state)
        : sim(std::move(options)) {
        if (!sim.start()) {
            state.SkipWithError(sim.error().c_str());
            return;
        }
        SetProjectDir(sim.dir().c_str());
        SetSerialBackend(&serial);
        com_nummer = 1;
        if (OpenComConfig(1, "", 9600, 0, 8, 1, 128, 24) != 0) {
            state.SkipWithError("cannot open the simulator's port");
            return;
        }
        SetComTime(1, timeout);
        ok_ = true;
    }
    ~SimLine() { SetSerialBackend(nullptr); }
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    bool ok() const { return ok_; }

    SimProcess sim;
    QtSerial serial;

  private:
    bool ok_ = false;
};
