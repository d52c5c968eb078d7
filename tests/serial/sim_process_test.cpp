// The simulator's own promises: its link, its console, its faults, and the
// links it never replaces.
#include "app/globals.h"
#include "link/link.h"
#include "platform/backends.h"
#include "platform/qt/qt_serial.h"
#include "tests/serial/serial_fixture.h"
#include "tests/serial/sim_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace serial_test;

// ---- The simulator process ----------------------------------------------------------------

class Stop : public ::testing::TestWithParam<int> {};

TEST_P(Stop, ASignalEndsTheSimulatorAndRemovesItsLink) {
    SimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    ASSERT_EQ(link_target(sim.linkPath()), sim.devicePath());
    sim.signal(GetParam());
    int status = -1;
    ASSERT_TRUE(sim.wait(10.0, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(entry_exists(sim.linkPath()));
}

INSTANTIATE_TEST_SUITE_P(Signals, Stop, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST_F(SerialTest, AStaleLinkIsReplaced) {
    SimProcess sim;
    fs::create_symlink("/dev/pts/no-such-device", sim.dir() + "/COM1");
    connect(sim);
    EXPECT_EQ(link_target(sim.linkPath()), sim.devicePath());
    EXPECT_EQ(exchange("VV").bytes, "VV K964 V3");
}

TEST(SimulatorProcess, SomethingElseNamedLikeTheLinkIsLeftAlone) {
    SimProcess sim;
    std::ofstream(sim.dir() + "/COM1") << "not a device";
    EXPECT_FALSE(sim.start());
    int status = -1;
    ASSERT_TRUE(sim.wait(10.0, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_TRUE(fs::is_regular_file(sim.dir() + "/COM1"));
}

// What k964-sim printed and its exit status, run to its end.
struct Finished {
    std::string output;
    int status = -1;
};

Finished run_sim(const std::string& arguments) {
    Finished f;
    FILE* p =
        popen((std::string(K964_SIM_PATH) + " " + arguments + " </dev/null 2>&1").c_str(), "r");
    if (!p)
        return f;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
        f.output += buf;
    f.status = pclose(p);
    return f;
}

struct ForeignTarget {
    const char* name;
    const char* target;
};

class ForeignLink : public ::testing::TestWithParam<ForeignTarget> {};

// ./tools/run.sh starts a simulator on COM1 where the program keeps its
// files: a technician's COM1 to a real adapter must survive that.
TEST_P(ForeignLink, IsNeverReplacedByTheSimulator) {
    char pattern[] = "/tmp/k964-foreign-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string link = std::string(pattern) + "/COM1";
    const std::string target = GetParam().target;
    fs::create_symlink(target, link);
    const Finished f = run_sim(std::string("--dir ") + pattern + " --port 1");
    EXPECT_TRUE(WIFEXITED(f.status) && WEXITSTATUS(f.status) == 1) << f.status;
    EXPECT_EQ(f.output, "k964-sim: " + link + " links to " + target +
                            ", not to a simulator's pseudo-terminal: left alone (choose another "
                            "number with --port)\n");
    EXPECT_EQ(link_target(link), target);
    fs::remove_all(pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ForeignLink,
    ::testing::Values(
        ForeignTarget{"adapter_by_id", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0"},
        ForeignTarget{"adapter", "/dev/ttyUSB0"}, ForeignTarget{"other_device", "/dev/null"},
        ForeignTarget{"relative", "ttyS0"}, ForeignTarget{"the_pts_directory", "/dev/pts"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatorProcess, AClientThatEndsWithoutClosingThePortLeavesItOpenToOthers) {
    SimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    // As QSerialPort does on open; the process then ends without the
    // close that would lift it again.
    int client = ::open(sim.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(client, 0);
    ASSERT_EQ(ioctl(client, TIOCEXCL), 0);
    ::close(client);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    int exclusive = 1;
    while (exclusive != 0 && Clock::now() < deadline) {
        int probe = ::open(sim.devicePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(probe, 0);
        ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
        ::close(probe);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(exclusive, 0) << "others than root could never open the port again";
}

TEST_F(SerialTest, TheSimulatorKeepsServingWhenItsInputCloses) {
    SimProcess sim;
    connect(sim);
    sim.closeInput();
    EXPECT_EQ(sim.readLine(), "k964-sim: console closed, still serving the line");
    EXPECT_EQ(exchange("VV").bytes, "VV K964 V3");
    EXPECT_TRUE(entry_exists(sim.linkPath()));
}

TEST_F(SerialTest, NoiseOnTheLineDoesNotHurtTheSimulator) {
    SimProcess sim;
    connect(sim);
    // Longer than any line the simulator keeps: thrown away unanswered.
    std::string noise;
    uint32_t x = 2463534242u;
    for (int i = 0; i < 5000; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        char c = static_cast<char>(x & 0xff);
        noise += c == '\r' ? '\0' : c;
    }
    noise += '\r';
    serial.flushOut(1);
    ASSERT_EQ(serial.writeCommand(1, noise.data(), static_cast<int>(noise.size())), 0);
    serial.flushIn(1, nullptr);
    ASSERT_EQ(serial.setTimeout(1, 0.3), 0);
    EXPECT_EQ(read().error, RS232_TIMEOUT);
    ASSERT_EQ(serial.setTimeout(1, 0.6), 0);
    EXPECT_EQ(exchange("VV").bytes, "VV K964 V3");
    const std::string status = sim.command("status");
    EXPECT_TRUE(
        status.starts_with("k964-sim: status line=up commands=1 bytes-in=5004 bytes-out=11 "))
        << status;
}

struct ConsoleCase {
    const char* console;
    const char* command;
    const char* reply;
};

class Console : public SerialTest, public ::testing::WithParamInterface<ConsoleCase> {};

TEST_P(Console, ACommandOnTheConsoleChangesWhatTheTransmitterSays) {
    SimProcess sim({"--noise", "0"});
    connect(sim);
    ASSERT_EQ(sim.command(GetParam().console), "k964-sim: ok");
    Read r = exchange(GetParam().command);
    EXPECT_EQ(r.bytes, GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(Lines, Console,
                         ::testing::Values(ConsoleCase{"vcal 12.5", "u1", "u12.5"},
                                           ConsoleCase{"temperature 31.25", "u5", "u31.25"},
                                           ConsoleCase{"wrong-letter on", "m2", "x2"},
                                           ConsoleCase{"reply m2 E7", "m2", "E7"},
                                           // The LF of a terminal's CR LF.
                                           ConsoleCase{"temperature 20", "\nu5", "u20"},
                                           ConsoleCase{"overlong on", "m2",
                                                       "M2**********************"},
                                           ConsoleCase{"pad m2 40", "m2",
                                                       "M2**********************"},
                                           ConsoleCase{"other-case on", "m2", "m2"},
                                           ConsoleCase{"noise-byte 41", "m2", "AM2"},
                                           ConsoleCase{"pause 1 30", "m2", "M2"}));

TEST_F(SerialTest, ThePowerCycleBringsBackTheSavedSettings) {
    SimProcess sim;
    connect(sim);
    ASSERT_EQ(exchange("S8123").bytes, "S8 123");
    ASSERT_EQ(exchange("s8").bytes, "s8 123");
    ASSERT_EQ(sim.command("power-cycle"), "k964-sim: ok");
    EXPECT_EQ(exchange("s8").bytes, "s8 1000");
}

TEST_F(SerialTest, SavedSettingsSurviveARestartWithAStateFile) {
    char pattern[] = "/tmp/k964-state-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string state = std::string(pattern) + "/state";
    {
        SimProcess sim({"--state", state});
        connect(sim);
        ASSERT_EQ(exchange("S84321").bytes, "S8 4321");
        ASSERT_EQ(exchange("D12.090e+01").bytes, "D1 2.0900e+01");
        ASSERT_EQ(exchange("S!S!").bytes, "S!S!");
        ASSERT_EQ(exchange("S899").bytes, "S8 99");
    }
    SimProcess sim({"--state", state});
    connect(sim);
    EXPECT_EQ(exchange("s8").bytes, "s8 4321") << "what was saved, not what came after";
    EXPECT_EQ(exchange("d1").bytes, "d1 2.0900e+01");
    fs::remove_all(pattern);
}

// A thousand bytes of a line too long to answer go before VV: a second on
// the line, which no load on the machine adds or takes away, and half the
// speed would show as twice the time.
TEST_F(SerialTest, PacedLinesTakeTheTimeTheirBytesNeed) {
    SimProcess sim({"--pace"});
    connect(sim);
    ASSERT_EQ(serial.setTimeout(1, 5.0), 0);
    Read r = exchange(std::string(1000, 'x') + "\rVV");
    ASSERT_EQ(r.bytes, "VV K964 V3");
    const double line = (1001 + 3 + 11) * 10.0 / 9600.0;
    EXPECT_GE(r.seconds, 0.95 * line);
    EXPECT_LE(r.seconds, 1.5 * line);
}

} // namespace
