// The Qt serial backend opened on k964-sim's pseudo-terminal as the program
// opens it, and the small helpers the serial tests share.
#pragma once

#include "platform/backends.h"
#include "platform/qt/qt_serial.h"
#include "tests/serial/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

namespace serial_test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct Read {
    std::string bytes; // stored, CR excluded
    int error = 0;
    double seconds = 0.0;
};

inline bool entry_exists(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

inline std::string link_target(const std::string& path) {
    std::error_code ec;
    fs::path target = fs::read_symlink(path, ec);
    return ec ? std::string() : target.string();
}

class SerialTest : public ::testing::Test {
  protected:
    ~SerialTest() override { SetSerialBackend(nullptr); }

    // Starts `sim`, then opens its COM1 as the program does: 9600 8N1 and a
    // 0.6 s time-out.
    void connect(SimProcess& sim) {
        ASSERT_TRUE(sim.start()) << sim.error();
        SetProjectDir(sim.dir().c_str());
        ASSERT_EQ(serial.open(1, 9600, 0, 8, 1), 0);
        ASSERT_EQ(serial.setTimeout(1, 0.6), 0);
    }

    // The device transaction of most call sites: flush the output, write the
    // command and its CR, flush the input, read.
    Read exchange(const std::string& command, int port = 1) {
        const std::string bytes = command + "\r";
        serial.flushOut(port);
        serial.writeCommand(port, bytes.data(), static_cast<int>(bytes.size()));
        serial.flushIn(port, nullptr);
        return read(port);
    }

    Read read(int port = 1, int count = 24) {
        char buf[64];
        std::memset(buf, 0, sizeof buf);
        int stored = -1;
        const auto start = Clock::now();
        Read r;
        r.error = serial.readTerm(port, buf, count, 13, &stored);
        r.seconds = since(start);
        r.bytes.assign(buf, static_cast<std::size_t>(stored < 0 ? 0 : stored));
        return r;
    }

    QtSerial serial;
};

} // namespace serial_test
