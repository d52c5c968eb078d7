// Connecting, re-reading and the device transaction on the line.
#include "link/link.h"
#include "tests/support/logic_fixture.h"

namespace {

const std::vector<std::string> kReadBack = {"s0", "s1", "s2",  "s3", "s4", "s5", "s6",
                                            "s7", "s8", "t12", "d1", "d2", "d3"};

std::vector<std::string> with_vv(std::vector<std::string> v) {
    v.insert(v.begin(), "VV");
    return v;
}

TEST_F(LogicTest, ConfirmingPortOneOpensTheLineHidesTheComPanelAndReadsBack) {
    start();
    ASSERT_TRUE(ui.commit(p4, COM_OK));
    EXPECT_TRUE(serial.isOpen());
    EXPECT_FALSE(ui.panel(p4).visible);
    EXPECT_DOUBLE_EQ(serial.timeout(), 0.6);
    EXPECT_EQ(join(sent()), join(with_vv(kReadBack)));
    EXPECT_EQ(mainStatus(), "ok");
    ASSERT_FALSE(serial.events().empty());
    EXPECT_EQ(serial.events().front().kind, SerialEvent::Open);
    EXPECT_EQ(serial.events().front().port, 1);
}

TEST_F(LogicTest, ComOkActsOnCommitOnly) {
    start();
    EXPECT_TRUE(ui.commit(p4, COM_OK, EVENT_RIGHT_CLICK));
    EXPECT_FALSE(serial.isOpen());
    EXPECT_TRUE(ui.panel(p4).visible);
    EXPECT_TRUE(serial.events().empty());
}

TEST_F(LogicTest, TheOpeningExchangeIgnoresItsReplyAndItsFailure) {
    model.setSilent("VV");
    connect();
    EXPECT_EQ(join(sent()), join(with_vv(kReadBack)));
    EXPECT_EQ(mainStatus(), "ok");
}

TEST_F(LogicTest, ReReadRepeatsTheOpeningExchangeAndTheReadBack) {
    connect();
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(join(sent()), join(with_vv(kReadBack)));
    // Each settings exchange empties the reply buffer, flushes the output,
    // writes, and flushes the input before reading.
    std::string expected;
    for (int i = 0; i < 14; ++i)
        expected += "OWIR";
    EXPECT_EQ(serial.trace(), expected);
}

TEST_F(LogicTest, ReReadBeforeAnyPortWasOpenedSendsNothing) {
    start();
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(mainStatus(), "NO CONNECT 3");
    EXPECT_TRUE(sent().empty());
}

TEST_F(LogicTest, ASilentTransmitterCostsATimeOutAndAProbeOnReRead) {
    connect();
    serial.clearEvents();
    model.faults.silent = true;
    double before = clock.now();
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(mainStatus(), "NO CONNECT 3");
    // After VV's time-out, s0 waits until a probe shows the line in step:
    // it gets no reply within twice the time-out, and s0 is not sent.
    EXPECT_NEAR(clock.now() - before, 0.6 + 1.2, 1e-9);
    EXPECT_EQ(join(sent()), "VV");
    EXPECT_EQ(join(serial.probes()), "s1");
}

TEST_F(LogicTest, AVanishedPortFailsWithoutHanging) {
    connect();
    serial.vanish();
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(mainStatus(), "NO CONNECT 3");
}

TEST_F(LogicTest, AReplyCutAt24BytesLeavesNoRemnantForTheNextCommand) {
    model.setReply("s0", "s0 " + std::string(27, '7') + "\r");
    model.setReply("s1", "s1 12\r");
    connect();
    // The 24 bytes kept hold "s0 " and 21 sevens: too large for a word, so
    // word 0 stays, not read; the rest of that line never reaches word 1.
    EXPECT_EQ(set[1], 12);
    EXPECT_EQ(mainStatus(), "NO VALUE 3");
}

TEST_F(LogicTest, EveryReadStartsWithAnEmptyReplyBuffer) {
    model.setReply("s0", "s0 77\r");
    model.setReply("s1", "s1\r");
    connect();
    EXPECT_EQ(set[0], 77);
    EXPECT_EQ(set[1], 0) << "nothing of the longer reply before may be read";
    EXPECT_STREQ(in_buf + 24, "");
}

TEST(Transaction, VariantsKeepTheirOrderOfSteps) {
    DeviceModel model;
    FakeClock clock;
    MemorySerial serial(model, clock);
    SetSerialBackend(&serial);
    com_nummer = 1;
    OpenComConfig(1, "", 9600, 0, 8, 1, 128, 24);
    serial.clearEvents();
    Fmt(out_buf, "VV%c", 13);
    tx_owir();
    tx_cowir();
    tx_ociwr();
    EXPECT_EQ(serial.trace(), "OWIROWIROIWR");
    SetSerialBackend(nullptr);
}

} // namespace
