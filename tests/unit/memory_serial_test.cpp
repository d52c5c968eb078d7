// The in-memory line: queue until read, the flush rules, the 24-byte cut,
// late replies, time-outs on the fake clock, and the failure codes.
#include "platform/memory/memory_serial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

class MemoryLine : public ::testing::Test {
  protected:
    MemoryLine() {
        model.setNoise(0.0);
        EXPECT_EQ(serial.open(1, 9600, 0, 8, 1), 0);
        EXPECT_EQ(serial.setTimeout(1, 0.6), 0);
        serial.clearEvents();
    }

    struct Read {
        std::string bytes;
        int error;
    };

    Read read(int count = 24) {
        char buf[64];
        std::memset(buf, '#', sizeof buf);
        int stored = -1;
        int error = serial.readTerm(1, buf, count, 13, &stored);
        EXPECT_EQ(buf[stored], '#') << "nothing stored beyond the bytes read";
        return {std::string(buf, static_cast<std::size_t>(stored)), error};
    }

    void write(const std::string& bytes) {
        ASSERT_EQ(serial.writeCommand(1, bytes.data(), static_cast<int>(bytes.size())), 0);
    }

    // Flush out, write, flush in, read: the order of most call sites.
    Read exchange(const std::string& command) {
        serial.flushOut(1);
        write(command + "\r");
        serial.flushIn(1, nullptr);
        return read();
    }

    DeviceModel model;
    FakeClock clock;
    MemorySerial serial{model, clock};
};

TEST_F(MemoryLine, WrittenBytesWaitUntilTheNextRead) {
    write("VV\r");
    EXPECT_EQ(model.commandsHandled(), 0);
    serial.flushIn(1, nullptr);
    EXPECT_EQ(model.commandsHandled(), 0) << "a flush of the input sends nothing";
    Read r = read();
    EXPECT_EQ(model.commandsHandled(), 1);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, "VV K964 V3");
}

TEST_F(MemoryLine, TheInputFlushAfterTheWriteNeverLosesTheReply) {
    for (const char* c : {"VV", "s0", "d2", "m2"}) {
        Read r = exchange(c);
        EXPECT_EQ(r.error, 0) << c;
        EXPECT_EQ(r.bytes + "\r", model.handle(c).bytes) << c;
    }
    EXPECT_EQ(serial.trace(), "OWIROWIROWIROWIR");
}

TEST_F(MemoryLine, TheInputFlushBeforeTheWriteKeepsTheReplyToo) {
    serial.flushOut(1);
    serial.flushIn(1, nullptr);
    write("d3\r");
    EXPECT_EQ(read().bytes, "d3 5.0000e+01");
}

TEST_F(MemoryLine, AnOutputFlushDiscardsTheUnsentCommand) {
    write("S8123\r");
    serial.flushOut(1);
    Read r = read();
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_EQ(model.commandsHandled(), 0);
    EXPECT_EQ(model.word(8), 1000);
}

TEST_F(MemoryLine, TwoCommandsInOneWriteAreAnsweredInOrder) {
    write("s0\rs8\r");
    EXPECT_EQ(read().bytes, "s0 84");
    EXPECT_EQ(read().bytes, "s8 1000");
}

TEST_F(MemoryLine, ACommandSplitOverWritesIsCarriedOutAtItsCr) {
    write("S8");
    EXPECT_EQ(read().error, RS232_TIMEOUT);
    EXPECT_EQ(model.commandsHandled(), 0);
    write("77\r");
    EXPECT_EQ(read().bytes, "S8 77");
    EXPECT_EQ(model.word(8), 77);
}

TEST_F(MemoryLine, AReplyIsCutAtTheCountAndTheRestIsStillOnItsWay) {
    model.faults.overlong = true;
    Read r = exchange("VV");
    EXPECT_EQ(r.error, 0) << "a cut is no error";
    EXPECT_EQ(r.bytes, "VV K964 V3**************");
    EXPECT_EQ(serial.pendingInput(), "");
    EXPECT_EQ(serial.inFlight(), "******\r");
    EXPECT_NEAR(clock.now(), (3 + 24) * serial.charTime(), 1e-9) << "command and 24 bytes";
    r = read();
    EXPECT_EQ(r.bytes, "******") << "a later read finds the rest";
}

// The fault a real line shows to a program that trusts the flush: the rest
// of a cut reply arrives after the next exchange's flush.
TEST_F(MemoryLine, TheRestOfACutReplyOutrunsTheNextFlush) {
    model.setReply("s0", "s0 " + std::string(27, '7') + "\r");
    ASSERT_EQ(exchange("s0").bytes.size(), 24u);
    EXPECT_EQ(exchange("s1").bytes, "777777") << "read as the reply to s1";
    EXPECT_EQ(read().bytes, "s1 1");
}

TEST_F(MemoryLine, AFlushInTheMiddleOfAReplyRemovesOnlyWhatHasArrived) {
    write("VV\r");
    LineRead how;
    how.timeout = 8 * serial.charTime(); // the command, and five bytes of the reply
    char buf[24];
    int stored = 0;
    EXPECT_EQ(serial.read(1, how, buf, 2, &stored), 0);
    EXPECT_EQ(std::string(buf, 2), "VV");
    clock.advance(2 * serial.charTime());
    std::string flushed;
    EXPECT_EQ(serial.flushIn(1, &flushed), 0);
    EXPECT_EQ(flushed, " K");
    EXPECT_EQ(read().bytes, "964 V3");
}

TEST_F(MemoryLine, AReplyOfExactlyTheCountHasItsCrStillOnItsWay) {
    model.setReply("s0", std::string(24, 'a') + "\r");
    EXPECT_EQ(exchange("s0").bytes, std::string(24, 'a'));
    EXPECT_EQ(serial.inFlight(), "\r");
}

// What a USB adapter and a transmitter that stops inside a reply do to when
// the bytes can be read: the read ends when the CR has been handed over.
TEST_F(MemoryLine, ReplyBytesComeWhenTheAdapterAndTheTransmitterHandThemOver) {
    struct Case {
        int usbLatencyMs, pauseAt, pauseMs;
        double endsAt; // seconds, "m2\r" out (3 characters) and "M2\r" back (3)
    };
    const double c = 10.0 / 9600;
    for (const Case& k : {Case{0, 0, 0, 6 * c}, Case{16, 0, 0, 0.016},
                          Case{0, 1, 40, 6 * c + 0.040}, Case{16, 1, 40, 0.048}}) {
        SCOPED_TRACE(k.usbLatencyMs);
        model.faults.usbLatencyMs = k.usbLatencyMs;
        model.faults.pauseAt = k.pauseAt;
        model.faults.pauseMs = k.pauseMs;
        ASSERT_EQ(serial.open(1, 9600, 0, 8, 1), 0);
        const double start = clock.now();
        const double tick = k.usbLatencyMs / 1000.0;
        const double aligned = tick > 0 ? std::ceil(start / tick) * tick : start;
        clock.advance(aligned - start);
        const double from = clock.now();
        EXPECT_EQ(exchange("m2").bytes, "M2");
        EXPECT_NEAR(clock.now() - from, k.endsAt, 1e-9);
    }
}

TEST_F(MemoryLine, AReplyWithinTheTimeOutTakesItsDelayAndItsLineTime) {
    model.faults.latencyMs = 450;
    Read r = exchange("VV");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.bytes, "VV K964 V3");
    const double line = (3 + 11) * serial.charTime(); // "VV" CR out, the reply and CR back
    EXPECT_NEAR(clock.now(), 0.45 + line, 1e-9);
    EXPECT_NEAR(serial.events().back().seconds, 0.45 + line, 1e-9);
}

TEST_F(MemoryLine, ASilentTransmitterCostsExactlyTheTimeOut) {
    model.faults.silent = true;
    Read r = exchange("VV");
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_EQ(r.bytes, "");
    EXPECT_NEAR(clock.now(), 0.6, 1e-9);
    ASSERT_EQ(serial.setTimeout(1, 2.0), 0);
    exchange("VV");
    EXPECT_NEAR(clock.now(), 2.6, 1e-9);
}

TEST_F(MemoryLine, ALineWithoutCrTimesOutWithItsBytesStored) {
    model.faults.noCr = true;
    Read r = exchange("m2");
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_EQ(r.bytes, "M2");
    EXPECT_NEAR(clock.now(), 0.6, 1e-9);
    EXPECT_EQ(serial.events().back().bytes, "M2");
    EXPECT_EQ(serial.events().back().result, RS232_TIMEOUT);
}

TEST_F(MemoryLine, ALateReplyArrivesWhenItArrivesNotAtTheTimeOut) {
    model.faults.latencyMs = 700;
    Read r = exchange("VV");
    EXPECT_EQ(r.error, RS232_TIMEOUT);
    EXPECT_EQ(r.bytes, "");
    EXPECT_NEAR(clock.now(), 0.6, 1e-9) << "the clock moves by the time-out only";
    EXPECT_EQ(serial.pendingInput(), "");
    EXPECT_EQ(serial.inFlight(), "VV K964 V3\r");
    model.faults.latencyMs = 0;
    r = exchange("s0");
    EXPECT_EQ(r.bytes, "VV K964 V3") << "the flush came before the late reply";
}

TEST_F(MemoryLine, ALateReplyIsFoundByAReadWithoutAFlush) {
    model.faults.latencyMs = 700;
    ASSERT_EQ(exchange("VV").error, RS232_TIMEOUT);
    model.faults.latencyMs = 0;
    write("s0\r");
    EXPECT_EQ(read().bytes, "VV K964 V3");
    EXPECT_EQ(read().bytes, "s0 84");
}

TEST_F(MemoryLine, ASlowSaveSucceedsUnderTheLongTimeOutOnly) {
    model.faults.slowSaveMs = 1500;
    EXPECT_EQ(exchange("S!S!").error, RS232_TIMEOUT);
    clock.advance(1.0); // the late reply arrives, and is flushed below
    ASSERT_EQ(serial.setTimeout(1, 2.0), 0);
    const double before = clock.now();
    EXPECT_EQ(exchange("S!S!").error, 0);
    EXPECT_NEAR(clock.now() - before, 1.5 + (5 + 5) * serial.charTime(), 1e-9);
}

TEST_F(MemoryLine, GarbageBytesArriveUnchanged) {
    model.faults.garbage = true;
    EXPECT_EQ(exchange("VV").bytes, std::string("VV K964 V3\0\xff\x80\xe4", 14));
}

// ---- Recording -----------------------------------------------------------------------------

TEST_F(MemoryLine, EveryOperationIsRecordedWithItsBytesAndResult) {
    ASSERT_EQ(serial.setTimeout(1, 2.0), 0);
    exchange("S00");
    const auto& e = serial.events();
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].kind, SerialEvent::SetTime);
    EXPECT_DOUBLE_EQ(e[0].seconds, 2.0);
    EXPECT_EQ(e[1].kind, SerialEvent::FlushOut);
    EXPECT_EQ(e[2].kind, SerialEvent::Write);
    EXPECT_EQ(e[2].bytes, "S00\r");
    EXPECT_EQ(e[3].kind, SerialEvent::FlushIn);
    EXPECT_EQ(e[4].kind, SerialEvent::Read);
    EXPECT_EQ(e[4].bytes, "S0 0");
    for (const SerialEvent& ev : e) {
        EXPECT_EQ(ev.port, 1);
        EXPECT_EQ(ev.result, 0);
    }
    EXPECT_EQ(serial.trace(), "TOWIR");
    EXPECT_EQ(serial.commands(), std::vector<std::string>{"S00"});
}

TEST_F(MemoryLine, FailedWritesAreNoCommands) {
    write("VV\r");
    serial.writeCommand(2, "s0\r", 3);
    EXPECT_EQ(serial.commands(), std::vector<std::string>{"VV"});
    EXPECT_EQ(serial.trace(), "WW");
    EXPECT_EQ(serial.events().back().result, RS232_PORT_NOT_OPEN);
}

// ---- Opening and failing ---------------------------------------------------------------------

TEST(MemorySerialPorts, OnlyTheListedNumbersOpen) {
    DeviceModel model;
    FakeClock clock;
    MemorySerial serial(model, clock);
    serial.setPorts({3});
    for (int port : {1, 2, 4, 0, -1})
        EXPECT_EQ(serial.open(port, 9600, 0, 8, 1), RS232_CANNOT_OPEN) << port;
    EXPECT_FALSE(serial.isOpen());
    EXPECT_EQ(serial.open(3, 9600, 0, 8, 1), 0);
    EXPECT_TRUE(serial.isOpen());
    EXPECT_EQ(serial.trace(), "PPPPPP");
}

TEST(MemorySerialPorts, EveryOperationOnAPortThatIsNotOpenFailsAtOnce) {
    DeviceModel model;
    FakeClock clock;
    MemorySerial serial(model, clock);
    char buf[24];
    int stored = -1;
    EXPECT_EQ(serial.setTimeout(1, 0.6), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.flushOut(1), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.writeCommand(1, "VV\r", 3), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.flushIn(1, nullptr), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(serial.readTerm(1, buf, 24, 13, &stored), RS232_PORT_NOT_OPEN);
    EXPECT_EQ(stored, 0);
    EXPECT_DOUBLE_EQ(clock.now(), 0.0);
    EXPECT_EQ(model.commandsHandled(), 0);
    ASSERT_EQ(serial.open(1, 9600, 0, 8, 1), 0);
    EXPECT_EQ(serial.readTerm(2, buf, 24, 13, &stored), RS232_PORT_NOT_OPEN)
        << "only the number opened is open";
}

class Failing : public MemoryLine, public ::testing::WithParamInterface<bool> {
  protected:
    void fail() {
        if (GetParam())
            serial.vanish();
        else
            model.faults.dropped = true;
    }
};

TEST_P(Failing, EverythingFailsWithAnIoErrorAndAtOnce) {
    ASSERT_EQ(exchange("VV").error, 0);
    fail();
    char buf[24];
    int stored = -1;
    const double before = clock.now();
    EXPECT_EQ(serial.setTimeout(1, 0.6), RS232_IO_ERROR);
    EXPECT_EQ(serial.flushOut(1), RS232_IO_ERROR);
    EXPECT_EQ(serial.writeCommand(1, "VV\r", 3), RS232_IO_ERROR);
    EXPECT_EQ(serial.flushIn(1, nullptr), RS232_IO_ERROR);
    EXPECT_EQ(serial.readTerm(1, buf, 24, 13, &stored), RS232_IO_ERROR);
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(serial.open(1, 9600, 0, 8, 1), RS232_IO_ERROR);
    EXPECT_DOUBLE_EQ(clock.now(), before);
    EXPECT_EQ(model.commandsHandled(), 1);
}

INSTANTIATE_TEST_SUITE_P(Ways, Failing, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "vanished" : "dropped"; });

// ---- Through the platform operations ------------------------------------------------------------

TEST(MemorySerialOperations, TheLastErrorFollowsEachOperation) {
    DeviceModel model;
    FakeClock clock;
    MemorySerial serial(model, clock);
    SetSerialBackend(&serial);
    EXPECT_EQ(OpenComConfig(0, "", 9600, 0, 8, 1, 128, 24), RS232_CANNOT_OPEN);
    EXPECT_EQ(ReturnRS232Err(), RS232_CANNOT_OPEN);
    EXPECT_EQ(OpenComConfig(1, "", 9600, 0, 8, 1, 128, 24), 0);
    EXPECT_EQ(ReturnRS232Err(), 0);
    SetComTime(1, 0.6);
    model.faults.silent = true;
    ComWrt(1, "VV\r", 3);
    char buf[24];
    ComRdTerm(1, buf, 24, 13);
    EXPECT_EQ(ReturnRS232Err(), RS232_TIMEOUT);
    EXPECT_EQ(rs232err, RS232_TIMEOUT);
    model.faults.silent = false;
    ComWrt(1, "VV\r", 3);
    EXPECT_EQ(ComRdTerm(1, buf, 24, 13), 10);
    EXPECT_EQ(ReturnRS232Err(), 0);
    SetSerialBackend(nullptr);
}

// ---- The fake clock
// --------------------------------------------------------------------------------

TEST(FakeClock, MovesOnlyWhenTold) {
    FakeClock clock;
    SetClockBackend(&clock);
    Delay(1.0);
    clock.advance(0.25);
    Delay(0.5);
    clock.advance(-3.0);
    EXPECT_DOUBLE_EQ(clock.now(), 1.75);
    EXPECT_EQ(clock.delays(), (std::vector<double>{1.0, 0.5}));
    SetClockBackend(nullptr);
}

} // namespace
