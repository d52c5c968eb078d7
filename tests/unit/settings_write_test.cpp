// Save: the configuration word, the order of commands under the long
// time-out, its failures, what it asks before writing what was not read, and
// what it leaves untouched.
#include "settings/settings.h"
#include "tests/support/logic_fixture.h"
#include <cmath>
#include <cstring>

namespace {

// ---- Write and save ------------------------------------------------------

struct Compose {
    int oldWord;
    int bit0, bit3, mode;
    int sent;
};

class WriteCompose : public LogicTest, public ::testing::WithParamInterface<Compose> {};

TEST_P(WriteCompose, ConfigurationWordCarriesBits2And6And7Only) {
    connect();
    set[0] = GetParam().oldWord;
    ui.edit(p1, MAIN_CONFIG_BIT0, GetParam().bit0);
    ui.edit(p1, MAIN_CONFIG_BIT3, GetParam().bit3);
    ui.edit(p1, MAIN_MODE, GetParam().mode);
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    ASSERT_FALSE(sent().empty());
    EXPECT_EQ(sent()[0], "S0" + std::to_string(GetParam().sent)) << "set points left as read";
}

INSTANTIATE_TEST_SUITE_P(Words, WriteCompose,
                         ::testing::Values(Compose{255, 0, 0, 0, 212}, Compose{0, 1, 1, 1, 57},
                                           Compose{0, 0, 0, 2, 32}, Compose{2, 0, 0, 0, 16},
                                           Compose{0, 7, 0, 0, 17}, Compose{0, 0, 200, 0, 24},
                                           Compose{0x7FFFFF00, 0, 0, 1, 48},
                                           Compose{-1, 1, 1, 2, 0xC4 | 0x01 | 0x08 | 0x20}),
                         [](const auto& info) {
                             return "sends_" + std::to_string(info.param.sent);
                         });

TEST_F(LogicTest, EveryCombinationWrittenReadsBackTheSame) {
    connect();
    for (int bit0 = 0; bit0 < 2; ++bit0) {
        for (int bit3 = 0; bit3 < 2; ++bit3) {
            for (int mode = 0; mode < 3; ++mode) {
                ui.edit(p1, MAIN_CONFIG_BIT0, bit0);
                ui.edit(p1, MAIN_CONFIG_BIT3, bit3);
                ui.edit(p1, MAIN_MODE, mode);
                ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
                EXPECT_EQ(mainStatus(), "ok");
                EXPECT_EQ(ui.ctrl(p1, MAIN_CONFIG_BIT0).ival, bit0);
                EXPECT_EQ(ui.ctrl(p1, MAIN_CONFIG_BIT3).ival, bit3);
                EXPECT_EQ(ui.ctrl(p1, MAIN_MODE).ival, mode);
            }
        }
    }
}

TEST_F(LogicTest, SaveSendsSetPointsWordsAndSaveThenReadsBackUnderTheLongTimeOut) {
    model.setWord(0, 0x54);
    connect();
    ui.edit(p1, MAIN_ZERO_POINT, 20.9);
    ui.edit(p1, MAIN_END_MARK, -0.0004);
    ui.edit(p1, MAIN_LIMIT, 9.9996);
    ui.edit(p1, MAIN_SETTING_8, -5);
    ui.edit(p1, MAIN_MODE, 1);
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    std::vector<std::string> expected = {"D12.090e+01", "D2-4.000e-04",
                                         "D31.000e+01", "S0" + std::to_string((0x54 & 0xC4) | 0x30),
                                         "S8-5",        "S!S!"};
    expected.insert(expected.end(), {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "t12",
                                     "d1", "d2", "d3"});
    EXPECT_EQ(join(sent()), join(expected));
    // Set points flush the input before writing; words and save after it.
    std::string trace = serial.trace();
    EXPECT_EQ(trace.substr(0, 1 + 3 * 4 + 3 * 4), "TOIWROIWROIWROWIROWIROWIR");
    EXPECT_EQ(trace.back(), 'T');
    std::vector<double> times;
    for (const auto& e : serial.events())
        if (e.kind == SerialEvent::SetTime)
            times.push_back(e.seconds);
    EXPECT_EQ(times, (std::vector<double>{2.0, 0.6}));
    EXPECT_EQ(join(history(p1, MAIN_STATUS)), "GET|ok|SAVE|GET|ok");
    EXPECT_EQ(model.saves(), 1);
    EXPECT_DOUBLE_EQ(model.savedParam(1), 20.9);
    EXPECT_EQ(model.savedWord(8), -5);
}

struct WriteFailure {
    const char* silentAt;
    const char* status;
    int sentCount;               // commands sent, the failed one included
    const char* note;            // MAIN_NOTE afterwards
    const char* reply = nullptr; // in place of no reply: the transmitter did not act on it
};

const char kUnsaved[] = "Values may be written but are not saved until a Save completes";

class SaveFailure : public LogicTest, public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(SaveFailure, StopsThereAndRestoresTheShortTimeOut) {
    connect();
    ui.edit(p1, MAIN_ZERO_POINT, 1.25);
    ui.edit(p1, MAIN_END_MARK, 2.25);
    ui.edit(p1, MAIN_LIMIT, 3.25);
    model.setReply(GetParam().silentAt, GetParam().reply);
    serial.clearEvents();
    double before = clock.now();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    EXPECT_EQ(mainStatus(), GetParam().status);
    EXPECT_EQ(ui.ctrl(p1, MAIN_NOTE).text, GetParam().note);
    EXPECT_EQ(static_cast<int>(sent().size()), GetParam().sentCount) << join(sent());
    EXPECT_DOUBLE_EQ(serial.timeout(), 0.6);
    const double elapsed = clock.now() - before;
    EXPECT_GE(elapsed, GetParam().reply ? 0.0 : 2.0) << "one long time-out";
    EXPECT_LT(elapsed, 2.0 + GetParam().sentCount * 30 * serial.charTime())
        << "and the line time of the exchanges before it";
    EXPECT_DOUBLE_EQ(ewert[1], 1.25) << "the model keeps the panel's values";
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).dval, 1.25);
}

INSTANTIATE_TEST_SUITE_P(Points, SaveFailure,
                         ::testing::Values(WriteFailure{"D1", "NO CONNECT 5", 1, kUnsaved},
                                           WriteFailure{"D3", "NO CONNECT 5", 3, kUnsaved},
                                           WriteFailure{"S0", "NO CONNECT 6", 4, kUnsaved},
                                           WriteFailure{"S8", "NO CONNECT 6", 5, kUnsaved},
                                           WriteFailure{"S!S!", "NO CONNECT 6", 6, kUnsaved},
                                           WriteFailure{"s0", "NO CONNECT 3", 7, ""},
                                           WriteFailure{"d2", "NO CONNECT 4", 18, ""},
                                           WriteFailure{"D2", "NOT TAKEN", 19,
                                                        "Not taken by the transmitter: end mark",
                                                        "E2\r"}),
                         [](const auto& info) {
                             std::string n = info.param.silentAt;
                             return n == "S!S!" ? std::string("save") : n;
                         });

TEST_F(LogicTest, ASlowSaveSucceedsUnderTheLongTimeOut) {
    connect();
    model.faults.slowSaveMs = 1500;
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    EXPECT_EQ(mainStatus(), "ok");
    EXPECT_DOUBLE_EQ(serial.timeout(), 0.6);
}

TEST_F(LogicTest, SaveBeforeAnyPortWasOpenedFailsAtTheFirstSetPoint) {
    start();
    ui.answerConfirm(1);
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    EXPECT_EQ(mainStatus(), "NO CONNECT 5");
    EXPECT_TRUE(sent().empty());
}

// ---- Save without a completed read-back --------------------------------------

struct AskCase {
    const char* name;
    const char* silentAtConnect; // "" : the read-back completes
    int later;                   // 1: a later re-read fails; 2: the line is lost in a poll
    int answer;
    bool asked;
    int commands; // sent by Save
};

class SaveAsks : public LogicTest, public ::testing::WithParamInterface<AskCase> {};

TEST_P(SaveAsks, WritesWhatWasNotReadOnlyWhenConfirmed) {
    const AskCase& c = GetParam();
    model.setWord(0, 0x39);
    model.setParam(1, 4.5);
    if (*c.silentAtConnect)
        model.setSilent(c.silentAtConnect);
    connect();
    model.clearOverrides();
    if (c.later == 1) {
        model.faults.silent = true;
        ASSERT_TRUE(ui.commit(p1, MAIN_READ));
        model.faults.silent = false;
    } else if (c.later == 2) {
        ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
        model.faults.dropped = true;
        ASSERT_TRUE(ui.tick(p3, POLL_TIMER));
        model.faults.dropped = false; // another transmitter, on the same port
    }
    EXPECT_EQ(ui.ctrl(p1, MAIN_NOTE).text,
              c.later == 2 ? "Line lost since the settings were read: read them again" : "");
    ui.answerConfirm(c.answer);
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    ASSERT_EQ(ui.popups().size(), c.asked ? 1u : 0u);
    if (c.asked) {
        EXPECT_EQ(ui.popups()[0].title, "SAVE");
        EXPECT_EQ(ui.popups()[0].message,
                  "Settings not read from the transmitter. Write the values shown ?");
        EXPECT_TRUE(ui.popups()[0].confirm);
    }
    EXPECT_EQ(static_cast<int>(sent().size()), c.commands) << join(sent());
    if (c.commands == 0) {
        EXPECT_TRUE(serial.events().empty()) << "not even the time-out is touched";
        EXPECT_EQ(model.saves(), 0);
        EXPECT_DOUBLE_EQ(model.param(1), 4.5);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveAsks,
    ::testing::Values(AskCase{"read_back_completed", "", 0, 0, false, 16},
                      AskCase{"transmitter_off_at_connect_no", "s0", 0, 0, true, 0},
                      AskCase{"transmitter_off_at_connect_yes", "s0", 0, 1, true, 19},
                      AskCase{"set_point_failed_no", "d3", 0, 0, true, 0},
                      AskCase{"word_13_alone_does_not_count", "t12", 0, 0, false, 16},
                      AskCase{"a_later_read_back_failed", "", 1, 0, true, 0},
                      AskCase{"the_line_was_lost_since", "", 2, 0, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogicTest, AFailedSaveKeepsTheValuesAndMayBePressedAgain) {
    connect();
    ui.edit(p1, MAIN_ZERO_POINT, 7.5);
    model.setSilent("S!S!");
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    ASSERT_EQ(mainStatus(), "NO CONNECT 6");
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).dval, 7.5);
    model.clearOverrides();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    EXPECT_TRUE(ui.popups().empty()) << "the read-back before still counts";
    EXPECT_EQ(mainStatus(), "ok");
    EXPECT_DOUBLE_EQ(model.savedParam(1), 7.5);
}

TEST_F(LogicTest, SaveIsRefusedWhileASetPointHoldsTextThatIsNotANumber) {
    connect();
    ui.refuse(p1, MAIN_END_MARK);
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    ASSERT_EQ(ui.popups().size(), 1u);
    EXPECT_EQ(ui.popups()[0].title, "Input");
    EXPECT_EQ(ui.popups()[0].message, "END MARK (ppm): not a number !");
    EXPECT_TRUE(serial.events().empty());
    // Read is not refused, and puts the transmitter's value in its place.
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_FALSE(ui.ctrl(p1, MAIN_END_MARK).refused);
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    EXPECT_EQ(ui.popups().size(), 1u);
    EXPECT_EQ(model.saves(), 1);
}

TEST_F(LogicTest, TheSwitchOfBit0IsNotTheServiceMenuItem) {
    model.setWord(0, 0x11);
    connect();
    EXPECT_EQ(ui.ctrl(p1, MAIN_CONFIG_BIT0).name, "MAIN_CONFIG_BIT0");
    EXPECT_EQ(ui.ctrl(p1, MAIN_CONFIG_BIT0).kind, CtrlKind::Switch);
    EXPECT_EQ(ui.ctrl(p1, MAIN_CONFIG_BIT0).ival, 1);
    EXPECT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE)) << "the menu item is still there";
    EXPECT_FALSE(ui.selectMenu(m1, MAIN_CONFIG_BIT3)) << "a control is no menu item";
}

TEST_F(LogicTest, APartialWordReplyThatTimesOutIsNotParsed) {
    connect();
    set[0] = 16;
    model.setReply("s0", "s0 57"); // no CR: the read times out
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    EXPECT_EQ(mainStatus(), "NO CONNECT 3");
    EXPECT_EQ(set[0], 16) << "a line that did not end is nobody's reply";
}

TEST_F(LogicTest, SaveActsOnCommitOnly) {
    connect();
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE, EVENT_RIGHT_CLICK));
    EXPECT_TRUE(serial.events().empty());
}

TEST_F(LogicTest, ATypedSetPointIsSentRoundedAndKeptUntilTheReadBack) {
    connect();
    ui.edit(p1, MAIN_ZERO_POINT, 0.053749);
    model.setSilent("s0");
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    ASSERT_GT(sent().size(), 14u);
    EXPECT_EQ(sent()[14], "D15.375e-02");
    EXPECT_DOUBLE_EQ(ewert[1], 0.053749);
}

TEST_F(LogicTest, ReadingBackAndSavingAgainLeavesTheSetPointsAsTheTransmitterHoldsThem) {
    model.setParam(1, 0.0537);
    model.setParam(2, 123.456); // five digits: the write command carries four
    model.setWord(0, 0x30);     // mode 1: one decimal shown
    connect();
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    ASSERT_FALSE(sent().empty());
    EXPECT_EQ(sent()[0], "S048");
    EXPECT_DOUBLE_EQ(model.savedParam(2), 123.456);
    EXPECT_EQ(mainStatus(), "ok");
}

} // namespace
