// Settings read-back, write and save, and the measuring mode on the panel.
#include "settings/settings.h"
#include "tests/support/logic_fixture.h"

#include <cmath>
#include <cstring>

namespace {

struct Decode {
    int word;
    int bit0, bit3, mode;
};

class ReadBackDecode : public LogicTest, public ::testing::WithParamInterface<Decode> {};

TEST_P(ReadBackDecode, ConfigurationWordGivesSwitchesAndMode) {
    model.setWord(0, GetParam().word);
    model.setWord(8, 1234);
    connect();
    EXPECT_EQ(mainStatus(), "ok");
    EXPECT_EQ(set[0], GetParam().word);
    EXPECT_EQ(ui.ctrl(p1, MAIN_CONFIG_BIT0).ival, GetParam().bit0);
    EXPECT_EQ(ui.ctrl(p1, MAIN_CONFIG_BIT3).ival, GetParam().bit3);
    EXPECT_EQ(ui.ctrl(p1, MAIN_MODE).ival, GetParam().mode);
    EXPECT_EQ(ui.ctrl(p1, MAIN_SETTING_8).ival, 1234);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ReadBackDecode,
    ::testing::Values(Decode{16, 0, 0, 0}, Decode{57, 1, 1, 1}, Decode{32, 0, 0, 2},
                      Decode{0, 0, 0, 2}, Decode{0x19, 1, 1, 0}, Decode{0x11, 1, 0, 0},
                      Decode{0x28, 0, 1, 2}, Decode{0xFF, 1, 1, 1},
                      Decode{0x10 | 0x02 | 0x04 | 0x40 | 0x80 | 0x700, 0, 0, 0},
                      Decode{-1, 1, 1, 1}),
    [](const auto& info) { return "word_" + std::to_string(info.index); });

TEST_F(LogicTest, ReadBackShowsSetPointsAndEndsWithOk) {
    model.setParam(1, 0.5);
    model.setParam(2, 250.0);
    model.setParam(3, -0.0004);
    model.setWord(13, 77);
    connect();
    EXPECT_EQ(join(history(p1, MAIN_STATUS)), "GET|ok");
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).dval, 0.5);
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_END_MARK).dval, 250.0);
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_LIMIT).dval, -0.0004);
    EXPECT_EQ(set[13], 77);
}

struct ReadFailure {
    const char* silentAt;
    const char* status;
    const char* lastSent;
};

class ReadBackFailure : public LogicTest, public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(ReadBackFailure, StopsAtTheFailedExchangeAndLeavesThePanel) {
    connect();
    ui.shown().clear();
    model.setWord(0, 57);
    model.setParam(1, 3.5);
    model.setSilent(GetParam().silentAt);
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(mainStatus(), GetParam().status);
    EXPECT_EQ(join(ui.shown()), std::string("MAIN_STATUS=GET|MAIN_STATUS=") + GetParam().status)
        << "no control but the status changes";
    EXPECT_EQ(sent().back(), GetParam().lastSent);
}

INSTANTIATE_TEST_SUITE_P(Points, ReadBackFailure,
                         ::testing::Values(ReadFailure{"s0", "NO CONNECT 3", "s0"},
                                           ReadFailure{"s5", "NO CONNECT 3", "s5"},
                                           ReadFailure{"s8", "NO CONNECT 3", "s8"},
                                           ReadFailure{"d1", "NO CONNECT 4", "d1"},
                                           ReadFailure{"d3", "NO CONNECT 4", "d3"}),
                         [](const auto& info) { return std::string(info.param.silentAt); });

TEST_F(LogicTest, ASilentWord13IsNotReported) {
    connect();
    set[13] = 4321;
    model.setSilent("t12");
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(mainStatus(), "ok");
    EXPECT_EQ(set[13], 4321);
}

TEST_F(LogicTest, AFailedSetPointKeepsTheModelPartlyUpdated) {
    connect();
    model.setParam(1, 11.0);
    model.setParam(3, 33.0);
    model.setSilent("d2");
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(mainStatus(), "NO CONNECT 4");
    EXPECT_DOUBLE_EQ(ewert[1], 11.0);
    EXPECT_NE(ewert[3], 33.0);
    EXPECT_NE(ui.ctrl(p1, MAIN_ZERO_POINT).dval, 11.0);
}

struct BadReply {
    const char* command;
    const char* reply;
    const char* status; // an empty line is no reply: the read waits on and times out
};

class ReplyWithoutNumber : public LogicTest, public ::testing::WithParamInterface<BadReply> {};

TEST_P(ReplyWithoutNumber, LeavesTheElementUnchangedAndNotRead) {
    set[0] = 16;
    ewert[1] = 2.5;
    model.setWord(0, 57);
    model.setParam(1, 9.0);
    model.setReply(GetParam().command, GetParam().reply);
    connect();
    const bool word = std::string(GetParam().command) == "s0";
    const bool noValue = std::string(GetParam().status).rfind("NO VALUE", 0) == 0;
    EXPECT_EQ(mainStatus(), GetParam().status);
    EXPECT_EQ(ui.ctrl(p1, MAIN_NOTE).text, !noValue ? ""
                                           : word   ? "No number in the reply for: settings word 0"
                                                    : "No number in the reply for: zero point");
    if (word) {
        EXPECT_EQ(set[0], 16);
    } else {
        EXPECT_DOUBLE_EQ(ewert[1], 2.5);
    }
    ui.answerConfirm(0);
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    EXPECT_EQ(ui.popups().size(), 1u) << "not read: Save asks";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyWithoutNumber,
    ::testing::Values(BadReply{"s0", "s0 abc\r", "NO VALUE 3"},
                      BadReply{"s0", "s0\r", "NO VALUE 3"}, BadReply{"s0", "s0 -\r", "NO VALUE 3"},
                      BadReply{"s0", "\r", "NO CONNECT 3"}, BadReply{"d1", "d1\r", "NO VALUE 4"},
                      BadReply{"d1", "d1 e5\r", "NO VALUE 4"},
                      BadReply{"d1", "d1 nan\r", "NO VALUE 4"},
                      BadReply{"d1", "d1 inf\r", "NO VALUE 4"}),
    [](const auto& info) {
        return std::string(info.param.command) + "_" + std::to_string(info.index);
    });

} // namespace
