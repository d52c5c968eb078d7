#include "tests/support/logic_fixture.h"

#include "app/shell.h"
#include "platform/backends.h"
#include "tests/support/reset_globals.h"
#include "ui/callbacks.h"
#include "ui/contract.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

LogicTest::LogicTest() : ui(kPanels, kPanelCount, kControls, kControlCount) {
    reset_globals();
    char pattern[] = "/tmp/k964-test-XXXXXX";
    dir = mkdtemp(pattern);
    SetProjectDir(dir.c_str());
    SetUiBackend(&ui);
    SetSerialBackend(&serial);
    SetClockBackend(&clock);
    InstallCallbacks(kCallbacks, kCallbackCount);
    model.setNoise(0.0);
}

LogicTest::~LogicTest() {
    SetUiBackend(nullptr);
    SetSerialBackend(nullptr);
    SetClockBackend(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

void LogicTest::start() {
    app_main();
    ASSERT_GT(p1, 0);
}

void LogicTest::connect() {
    start();
    ASSERT_TRUE(ui.commit(p4, COM_OK));
    ASSERT_TRUE(serial.isOpen());
}

std::string LogicTest::iniPath() const {
    return dir + "/K960.ini";
}

void LogicTest::writeIni(const std::string& bytes) const {
    std::ofstream(iniPath(), std::ios::binary) << bytes;
}

std::string LogicTest::readIni() const {
    std::ifstream in(iniPath(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string join(const std::vector<std::string>& v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i)
        out += (i ? "|" : "") + v[i];
    return out;
}
