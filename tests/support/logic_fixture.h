// A started program on the in-memory backends: the real panels' contract,
// the in-process transmitter on port 1, a fake clock and a fresh program
// directory for K960.ini.
#pragma once

#include "app/globals.h"
#include "platform/memory/memory_serial.h"
#include "platform/memory/memory_ui.h"
#include "sim/device_model.h"
#include "ui/ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class LogicTest : public ::testing::Test {
  protected:
    LogicTest();
    ~LogicTest() override;

    // Runs the program's start-up (panels, K960.ini, title).
    void start();
    // start(), then confirm the COM port panel with port 1.
    void connect();

    std::string iniPath() const;
    void writeIni(const std::string& bytes) const;
    std::string readIni() const;

    std::string mainStatus() { return ui.ctrl(p1, MAIN_STATUS).text; }
    std::string serviceStatus() { return ui.ctrl(p3, SERVICE_STATUS).text; }
    std::vector<std::string>& history(int panel, int control) {
        return ui.ctrl(panel, control).history;
    }
    // Commands sent since the last clearEvents().
    std::vector<std::string> sent() const { return serial.commands(); }

    DeviceModel model;
    FakeClock clock;
    MemorySerial serial{model, clock};
    MemoryUi ui;
    std::string dir;
};

// Every element of v, joined by '|', for readable failure messages.
std::string join(const std::vector<std::string>& v);
