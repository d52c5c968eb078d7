// The Qt serial backend against k964-sim on a pseudo-terminal: the bytes on
// the wire, time-outs, the flush rules, the 24-byte cut, failing devices.
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

// ---- Replies as they are on the wire ---------------------------------------------

struct WireCase {
    const char* command;
    const char* reply;
};

class WireTest : public SerialTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(WireTest, TheReplyIsStoredWithoutItsCr) {
    SimProcess sim({"--noise", "0"});
    connect(sim);
    Read r = exchange(GetParam().command);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(Commands, WireTest,
                         ::testing::Values(WireCase{"VV", "VV K964 V3"}, WireCase{"s0", "s0 84"},
                                           WireCase{"s8", "s8 1000"}, WireCase{"t12", "t12 3"},
                                           WireCase{"d2", "d2 1.0000e+02"},
                                           WireCase{"D2-4.000e-04", "D2 -4.0000e-04"},
                                           WireCase{"S00", "S0 0"}, WireCase{"m2", "M2"},
                                           WireCase{"u9", "u3.7 5"}, WireCase{"S!S!", "S!S!"}));

// ---- Time-outs ---------------------------------------------------------------------

TEST_F(SerialTest, ASilentTransmitterTimesOutAfterTheTimeOutAndNeverBefore) {
    SimProcess sim({"--silent"});
    connect(sim);
    Read r = exchange("VV");
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_EQ(r.bytes, "");
    EXPECT_GE(r.seconds, 0.55);
    EXPECT_LT(r.seconds, 3.0);
    ASSERT_EQ(sim.command("silent off"), "k964-sim: ok");
    r = exchange("VV");
    EXPECT_EQ(r.error, 0) << "a time-out must not stick to the port";
    EXPECT_EQ(r.bytes, "VV K964 V3");
}

TEST_F(SerialTest, TheTimeOutLimitsTheWholeReadNotTheGapBetweenBytes) {
    // Paced at 9600 baud a 30-character reply trickles in over 31 ms, one byte
    // a millisecond: a gap time-out of 20 ms would never fire.
    SimProcess sim({"--pace", "--overlong"});
    connect(sim);
    ASSERT_EQ(serial.setTimeout(1, 0.02), 0);
    Read r = exchange("VV");
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_LT(r.bytes.size(), 24u);
    EXPECT_LT(r.seconds, 3.0);
}

TEST_F(SerialTest, ALineWithoutCrTimesOutWithItsBytesStored) {
    SimProcess sim({"--no-cr"});
    connect(sim);
    Read r = exchange("VV");
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_EQ(r.bytes, "VV K964 V3");
    EXPECT_GE(r.seconds, 0.55);
}

TEST_F(SerialTest, AReplyLaterThanTheTimeOutArrivesAfterIt) {
    SimProcess sim({"--latency", "900"});
    connect(sim);
    Read r = exchange("VV");
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_GE(r.seconds, 0.55);
    ASSERT_EQ(serial.setTimeout(1, 5.0), 0);
    r = read();
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, "VV K964 V3") << "the late reply waits for whoever reads next";
}

struct SaveCase {
    double timeout;
    int error;
};

class SlowSave : public SerialTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SlowSave, ASaveTakingOneAndAHalfSecondsNeedsTheLongTimeOut) {
    SimProcess sim({"--slow-save", "1500"});
    connect(sim);
    ASSERT_EQ(serial.setTimeout(1, GetParam().timeout), 0);
    Read r = exchange("S!S!");
    EXPECT_EQ(r.error, GetParam().error);
    EXPECT_GE(r.seconds, GetParam().error ? GetParam().timeout - 0.05 : 1.45);
    EXPECT_LT(r.seconds, GetParam().timeout + 3.0);
}

INSTANTIATE_TEST_SUITE_P(TimeOuts, SlowSave,
                         ::testing::Values(SaveCase{2.0, 0}, SaveCase{0.6, RS232_TIMEOUT}));

// ---- The flush rules and the 24-byte cut --------------------------------------------

TEST_F(SerialTest, AnInstantReplyIsNeverLostToTheFlushAfterTheWrite) {
    SimProcess sim;
    connect(sim);
    for (int i = 0; i < 10; ++i) {
        serial.flushOut(1);
        ASSERT_EQ(serial.writeCommand(1, "VV\r", 3), 0);
        // Time enough for a port that sends at once to get the reply back
        // before the flush: ours must not have sent anything yet.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        serial.flushIn(1, nullptr);
        Read r = read();
        ASSERT_EQ(r.error, 0) << "exchange " << i;
        ASSERT_EQ(r.bytes, "VV K964 V3") << "exchange " << i;
    }
}

TEST_F(SerialTest, FlushingTheOutputDiscardsTheUnsentCommand) {
    SimProcess sim;
    connect(sim);
    ASSERT_EQ(serial.writeCommand(1, "s0\r", 3), 0);
    ASSERT_EQ(serial.flushOut(1), 0);
    ASSERT_EQ(serial.writeCommand(1, "s8\r", 3), 0);
    Read r = read();
    EXPECT_EQ(r.bytes, "s8 1000");
    ASSERT_EQ(serial.setTimeout(1, 0.3), 0);
    EXPECT_EQ(read().error, RS232_TIMEOUT) << "s0 never went out";
}

TEST_F(SerialTest, AReplyIsCutAt24BytesAndTheRestWaitsForTheNextRead) {
    SimProcess sim({"--overlong"});
    connect(sim);
    Read r = exchange("VV");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, "VV K964 V3**************");
    r = read();
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, "******") << "the rest of the line, up to its CR";
}

TEST_F(SerialTest, TheRestOfACutReplyIsDiscardedByTheNextFlush) {
    SimProcess sim({"--overlong"});
    connect(sim);
    ASSERT_EQ(exchange("VV").bytes.size(), 24u);
    ASSERT_EQ(sim.command("overlong off"), "k964-sim: ok");
    Read r = exchange("s0");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, "s0 84");
}

TEST_F(SerialTest, AShortReplyAfterALongOneIsReadAlone) {
    SimProcess sim;
    connect(sim);
    ASSERT_EQ(sim.command("reply u1 u" + std::string(29, '9')), "k964-sim: ok");
    ASSERT_EQ(sim.command("reply u5 u12"), "k964-sim: ok");
    SetSerialBackend(&serial);
    com_nummer = 1;
    Fmt(out_buf, "u%d%c", 1, 13);
    tx_owir();
    EXPECT_EQ(std::string(in_buf), "u" + std::string(23, '9'));
    Fmt(out_buf, "u%d%c", 5, 13);
    tx_owir();
    EXPECT_EQ(ReturnRS232Err(), 0);
    EXPECT_STREQ(in_buf, "u12");
    for (int i = 3; i < 50; ++i)
        ASSERT_EQ(in_buf[i], 0) << "position " << i;
}

TEST_F(SerialTest, NulAnd8BitBytesArriveUnchanged) {
    SimProcess sim({"--garbage"});
    connect(sim);
    Read r = exchange("VV");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, std::string("VV K964 V3\0\xff\x80\xe4", 14));
}

// ---- Opening ---------------------------------------------------------------------------

TEST(SerialPorts, ANumberMapsToItsComEntryOrToTheSystemDevice) {
    char pattern[] = "/tmp/k964-ports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    SetProjectDir(dir.c_str());
    EXPECT_EQ(QtSerial::devicePath(1).toStdString(), "/dev/ttyS0");
    EXPECT_EQ(QtSerial::devicePath(250).toStdString(), "/dev/ttyS249");
    fs::create_symlink("/dev/null", dir + "/COM7");
    EXPECT_EQ(QtSerial::devicePath(7).toStdString(), "/dev/null");
    fs::create_symlink(dir + "/nowhere", dir + "/COM8");
    EXPECT_EQ(QtSerial::devicePath(8).toStdString(), dir + "/COM8")
        << "a dangling link is still the port's entry, never the system device";
    fs::remove_all(dir);
}

TEST(SerialPorts, TheComEntriesAreLookedUpWhereTheProgramKeepsItsFiles) {
    char pattern[] = "/tmp/k964-ports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string program = std::string(pattern) + "/bin";
    const std::string own = std::string(pattern) + "/config";
    fs::create_directories(program);
    fs::create_directories(own);
    fs::create_symlink("/dev/null", program + "/COM2");
    fs::create_symlink("/dev/zero", own + "/COM3");
    SetProjectDir(program.c_str());
    SetFilesDir(own.c_str());
    EXPECT_EQ(QtSerial::devicePath(3).toStdString(), "/dev/zero");
    EXPECT_EQ(QtSerial::devicePath(2).toStdString(), "/dev/ttyS1")
        << "an installed program's ports are the user's own";
    SetProjectDir(program.c_str());
    EXPECT_EQ(QtSerial::devicePath(2).toStdString(), "/dev/null");
    fs::remove_all(pattern);
}

class Unopenable : public SerialTest, public ::testing::WithParamInterface<int> {};

TEST_P(Unopenable, APortWithoutDeviceDoesNotOpen) {
    char pattern[] = "/tmp/k964-ports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    SetProjectDir(pattern);
    const int port = GetParam();
    if (port > 0) {
        ASSERT_FALSE(entry_exists("/dev/ttyS" + std::to_string(port - 1)));
    }
    EXPECT_EQ(serial.open(port, 9600, 0, 8, 1), RS232_CANNOT_OPEN);
    EXPECT_EQ(serial.writeCommand(port, "VV\r", 3), RS232_PORT_NOT_OPEN);
    SetSerialBackend(&serial);
    EXPECT_EQ(OpenComConfig(port, "", 9600, 0, 8, 1, 128, 24), RS232_CANNOT_OPEN);
    EXPECT_EQ(ReturnRS232Err(), RS232_CANNOT_OPEN);
    fs::remove_all(pattern);
}

INSTANTIATE_TEST_SUITE_P(Numbers, Unopenable, ::testing::Values(250, 0, -1, -32768));

TEST_F(SerialTest, ADanglingComLinkDoesNotOpen) {
    SimProcess sim;
    fs::create_symlink("/dev/pts/no-such-device", sim.dir() + "/COM1");
    SetProjectDir(sim.dir().c_str());
    EXPECT_EQ(serial.open(1, 9600, 0, 8, 1), RS232_CANNOT_OPEN);
}

TEST_F(SerialTest, EveryOperationOnAPortThatIsNotOpenFailsAtOnce) {
    char buf[24];
    int stored = -1;
    const auto start = Clock::now();
    EXPECT_EQ(serial.setTimeout(1, 0.6), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.flushOut(1), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.writeCommand(1, "VV\r", 3), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.flushIn(1, nullptr), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.readTerm(1, buf, 24, 13, &stored), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(stored, 0);
    EXPECT_LT(since(start), 0.5);
}

TEST_F(SerialTest, OnlyTheOpenedNumberIsOpen) {
    SimProcess sim({}, 200);
    ASSERT_TRUE(sim.start()) << sim.error();
    SetProjectDir(sim.dir().c_str());
    ASSERT_FALSE(entry_exists("/dev/ttyS200"));
    EXPECT_EQ(serial.open(201, 9600, 0, 8, 1), RS232_CANNOT_OPEN) << "COM200 is not COM201";
    ASSERT_EQ(serial.open(200, 9600, 0, 8, 1), 0);
    EXPECT_EQ(serial.writeCommand(201, "VV\r", 3), RS232_PORT_NOT_OPEN);
    ASSERT_EQ(serial.setTimeout(200, 0.6), 0);
    EXPECT_EQ(exchange("VV", 200).bytes, "VV K964 V3");
}

TEST_F(SerialTest, BadLineParametersAreRefused) {
    SimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    SetProjectDir(sim.dir().c_str());
    EXPECT_EQ(serial.open(1, 9600, 7, 8, 1), RS232_BAD_ARGUMENT);
    EXPECT_EQ(serial.open(1, 9600, 0, 9, 1), RS232_BAD_ARGUMENT);
    EXPECT_EQ(serial.open(1, 9600, 0, 8, 3), RS232_BAD_ARGUMENT);
    EXPECT_EQ(serial.open(1, 0, 0, 8, 1), RS232_BAD_ARGUMENT);
}

// ---- A failing device -------------------------------------------------------------------

TEST_F(SerialTest, TheSimulatorDyingMidSessionGivesAnErrorAndNoHang) {
    SimProcess sim;
    connect(sim);
    ASSERT_EQ(exchange("VV").error, 0);
    sim.signal(SIGKILL);
    ASSERT_TRUE(sim.wait(10.0));
    // Gone as an adapter goes: its link too (a killed simulator leaves its
    // link behind, to a pseudo-terminal number the next one may get).
    std::filesystem::remove(sim.linkPath());
    Read r = exchange("s0");
    EXPECT_NE(r.error, 0);
    EXPECT_LT(r.seconds, 3.0);
    const auto start = Clock::now();
    for (int i = 0; i < 3; ++i) {
        r = exchange("s0");
        EXPECT_EQ(r.error, RS232_IO_ERROR) << "attempt " << i;
    }
    EXPECT_LT(since(start), 3.0) << "a dead line fails at once";
}

TEST_F(SerialTest, ADroppedLineGivesAnIoError) {
    SimProcess sim({"--drop-after", "2"});
    connect(sim);
    EXPECT_EQ(exchange("VV").bytes, "VV K964 V3");
    EXPECT_EQ(exchange("s0").bytes, "s0 84");
    Read r = exchange("s1");
    EXPECT_EQ(r.error, RS232_IO_ERROR);
    EXPECT_LT(r.seconds, 3.0);
    EXPECT_EQ(sim.readLine(), "k964-sim: line dropped");
    EXPECT_FALSE(entry_exists(sim.linkPath()));
    EXPECT_EQ(serial.writeCommand(1, "VV\r", 3), RS232_IO_ERROR);
    EXPECT_EQ(serial.flushIn(1, nullptr), RS232_IO_ERROR);
}

TEST_F(SerialTest, ReopeningAfterAFailureWorksAgain) {
    SimProcess sim;
    connect(sim);
    ASSERT_EQ(sim.command("drop"), "k964-sim: line dropped");
    ASSERT_NE(exchange("VV").error, 0);
    SimProcess second({}, 1, sim.dir());
    connect(second);
    EXPECT_EQ(exchange("VV").bytes, "VV K964 V3");
}

} // namespace
