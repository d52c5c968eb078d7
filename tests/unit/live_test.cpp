// The live value poll on the service panel.
#include "live/live.h"
#include "tests/support/logic_fixture.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace {

class PollTest : public LogicTest {
  protected:
    // Connected, service panel open, polling on, events cleared.
    void openService() {
        connect();
        ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
        ASSERT_EQ(hol, 1);
        serial.clearEvents();
        ui.shown().clear();
    }
    bool tick() { return ui.tick(p3, POLL_TIMER); }
    int busy() { return ui.ctrl(p3, SERVICE_BUSY).ival; }
    double shownValue(int id) { return ui.ctrl(p3, id).dval; }
    void reply(const char* u1, const char* u5, const char* u9, const char* m2) {
        model.setReply("u1", u1);
        model.setReply("u5", u5);
        model.setReply("u9", u9);
        model.setReply("m2", m2);
    }
};

TEST_F(PollTest, PollingOffSendsAndShowsNothing) {
    connect();
    serial.clearEvents();
    ui.shown().clear();
    EXPECT_TRUE(tick());
    EXPECT_TRUE(serial.events().empty());
    EXPECT_TRUE(ui.shown().empty());
}

TEST_F(PollTest, AGoodPollShowsTheFourValuesInOrder) {
    openService();
    reply("u1.25\r", "u-3.5\r", "u45.5 20.9\r", "M2\r");
    ASSERT_TRUE(tick());
    EXPECT_EQ(join(sent()), "u1|u5|u9|m2");
    EXPECT_EQ(serial.trace(), "OWIROWIROWIROWIR");
    EXPECT_EQ(join(ui.shown()), "SERVICE_BUSY=1|SERVICE_STATUS=ok|SERVICE_U1_VALUE=1.25|"
                                "SERVICE_U9_VALUE=45.5|SERVICE_U5_VALUE=-3.5|"
                                "SERVICE_OXYGEN=20.899999999999999|SERVICE_BUSY=0");
    EXPECT_EQ(fehlx, 0);
    EXPECT_DOUBLE_EQ(wert[7], 20.9);
}

struct Outcome {
    const char* name;
    const char* u1;
    const char* u5;
    const char* u9;
    const char* m2;
    const char* sent;
    const char* statusHistory;
    int fehlx;
    int busy;
    bool valuesShown;
};

class PollOutcome : public PollTest, public ::testing::WithParamInterface<Outcome> {};

TEST_P(PollOutcome, StatusFlagsBusyAndValues) {
    openService();
    const Outcome& o = GetParam();
    reply(o.u1, o.u5, o.u9, o.m2);
    for (const char* c : {"u1", "u5", "u9", "m2"}) {
        const char* r = c[0] == 'm' ? o.m2 : c[1] == '1' ? o.u1 : c[1] == '5' ? o.u5 : o.u9;
        if (r == nullptr)
            model.setSilent(c);
    }
    ASSERT_TRUE(tick());
    EXPECT_EQ(join(sent()), o.sent);
    std::string status = join(history(p3, SERVICE_STATUS));
    EXPECT_TRUE(status.ends_with(o.statusHistory)) << status;
    EXPECT_EQ(fehlx, o.fehlx);
    EXPECT_EQ(busy(), o.busy);
    EXPECT_EQ(history(p3, SERVICE_U1_VALUE).empty(), !o.valuesShown);
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).noData, o.fehlx == 1) << "a failed poll shows no data";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PollOutcome,
    ::testing::Values(
        Outcome{"u1_silent", nullptr, "u1\r", "u1 2\r", "M2\r", "u1", "ERROR1 NO CONNECT", 1, 1,
                false},
        Outcome{"u5_silent", "u1\r", nullptr, "u1 2\r", "M2\r", "u1|u5", "ERROR1 NO CONNECT", 1, 1,
                false},
        Outcome{"u9_silent", "u1\r", "u1\r", nullptr, "M2\r", "u1|u5|u9", "ERROR1 NO CONNECT", 1, 1,
                false},
        Outcome{"m2_silent", "u1\r", "u1\r", "u1 2\r", nullptr, "u1|u5|u9|m2", "|ERROR2 NO CONNECT",
                1, 1, false},
        Outcome{"u5_wrong_letter", "u1\r", "x3.0\r", "u1 2\r", "M2\r", "u1|u5|u9|m2", "x3.0", 1, 0,
                false},
        Outcome{"u1_and_u9_wrong_letter", "E5.0\r", "u1\r", "x1 2\r", "M2\r", "u1|u5|u9|m2", "E5.0",
                1, 0, false},
        Outcome{"u9_wrong_then_m2_wrong", "u1\r", "u1\r", "x1 2\r", "E1\r", "u1|u5|u9|m2",
                "x1 2|E1", 1, 0, false},
        Outcome{"m2_wrong_letter", "u1\r", "u1\r", "u1 2\r", "E1\r", "u1|u5|u9|m2", "E1", 1, 0,
                true},
        Outcome{"m2_lower_case", "u1\r", "u1\r", "u1 2\r", "m2\r", "u1|u5|u9|m2", "m2", 1, 0, true},
        Outcome{"no_numbers", "u\r", "uX\r", "u\r", "M\r", "u1|u5|u9|m2", "u", 1, 0, false},
        Outcome{"u9_one_number", "u1\r", "u1\r", "u7.5\r", "M2\r", "u1|u5|u9|m2", "u7.5", 1, 0,
                false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PollTest, ABadULetterStoresNoValueOfItsPoll) {
    openService();
    reply("u1.5\r", "u2.5\r", "u3.5 4.5\r", "M2\r");
    ASSERT_TRUE(tick());
    ASSERT_EQ(fehlx, 0);
    ui.shown().clear();
    reply("u7.5\r", "E5.0\r", "u8.5 9.5\r", "M2\r");
    ASSERT_TRUE(tick());
    EXPECT_DOUBLE_EQ(wert[1], 1.5) << "the span guard is not fed from a failed poll";
    EXPECT_DOUBLE_EQ(wert[5], 2.5);
    EXPECT_DOUBLE_EQ(wert[6], 3.5);
    EXPECT_DOUBLE_EQ(wert[7], 4.5);
    EXPECT_EQ(join(ui.shown()), "SERVICE_BUSY=1|SERVICE_STATUS=E5.0|SERVICE_BUSY=0");
    EXPECT_EQ(fehlx, 1);
    EXPECT_EQ(join(sent()), "u1|u5|u9|m2|u1|u5|u9|m2");
}

TEST_F(PollTest, ABadULetterThenALineErrorKeepsNoValueEither) {
    openService();
    reply("u1.5\r", "u2.5\r", "u3.5 4.5\r", "M2\r");
    ASSERT_TRUE(tick());
    reply("x7.5\r", "u6.5\r", "u8.5 9.5\r", "M2\r");
    model.setSilent("u9");
    ASSERT_TRUE(tick());
    EXPECT_DOUBLE_EQ(wert[1], 1.5);
    EXPECT_DOUBLE_EQ(wert[5], 2.5);
    EXPECT_EQ(serviceStatus(), "ERROR1 NO CONNECT");
    EXPECT_EQ(fehlx, 1);
}

TEST_F(PollTest, AModeReplyWithoutItsCrFailsThePollAfterOk) {
    openService();
    reply("u1\r", "u1\r", "u1 2\r", "M2\r");
    ASSERT_TRUE(tick());
    ASSERT_EQ(fehlx, 0);
    model.setReply("m2", "M2");
    ASSERT_TRUE(tick());
    // A line that did not end is no reply: its M does not count.
    EXPECT_EQ(join(history(p3, SERVICE_STATUS)), "ok||ERROR2 NO CONNECT");
    EXPECT_EQ(fehlx, 1);
}

TEST_F(PollTest, ABadModeReplyZeroesTheMainValue) {
    openService();
    reply("u1\r", "u1\r", "u1 250\r", "?\r");
    ASSERT_TRUE(tick());
    EXPECT_DOUBLE_EQ(shownValue(SERVICE_OXYGEN), 0.0);
    EXPECT_DOUBLE_EQ(wert[7], 0.0);
}

TEST_F(PollTest, AShortReplyAfterALongOneIsReadAlone) {
    openService();
    reply(("u" + std::string(29, '9') + "\r").c_str(), "u12\r", "u1 2\r", "M2\r");
    ASSERT_TRUE(tick());
    EXPECT_DOUBLE_EQ(wert[5], 12.0);
    EXPECT_EQ(fehlx, 0);
}

TEST_F(PollTest, ValuesParsedBeforeALineErrorAreStoredButNotShown) {
    openService();
    reply("u4.5\r", "u5.5\r", nullptr, "M2\r");
    model.setSilent("u9");
    ASSERT_TRUE(tick());
    EXPECT_DOUBLE_EQ(wert[1], 4.5);
    EXPECT_DOUBLE_EQ(wert[5], 5.5);
    EXPECT_TRUE(history(p3, SERVICE_U1_VALUE).empty());
}

TEST_F(PollTest, ASilentTransmitterCostsOneTimeOutPerPoll) {
    openService();
    model.faults.silent = true;
    double before = clock.now();
    ASSERT_TRUE(tick());
    EXPECT_NEAR(clock.now() - before, 0.6, 1e-9);
    model.faults.silent = false;
    ASSERT_TRUE(tick());
    EXPECT_EQ(busy(), 0) << "a later complete poll resets the busy indicator";
    EXPECT_EQ(fehlx, 0);
}

struct Precision {
    double value;
    int digits;
};

class AutoPrecision : public PollTest, public ::testing::WithParamInterface<Precision> {};

TEST_P(AutoPrecision, FollowsTheMainValueInTheLinearMode) {
    model.setWord(0, 0x30);
    openService();
    ASSERT_EQ(linear, 1);
    char u9[40];
    std::snprintf(u9, sizeof u9, "u1 %.6g\r", GetParam().value);
    reply("u1\r", "u1\r", u9, "M2\r");
    ASSERT_TRUE(tick());
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).precision, GetParam().digits) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Bounds, AutoPrecision,
                         ::testing::Values(Precision{1.5, 3}, Precision{1.99999, 3},
                                           Precision{2.0, 2}, Precision{19.99, 2},
                                           Precision{20.0, 1}, Precision{199.9, 1},
                                           Precision{200.0, 0}, Precision{5000, 0},
                                           Precision{-0.4, 3}, Precision{-500, 3}),
                         [](const auto& info) {
                             std::string name = std::to_string(info.index) + "_";
                             for (char c : std::to_string(info.param.value))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(AutoPrecisionRule, NotANumberGetsNoDecimals) {
    EXPECT_EQ(autoprezision(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(autoprezision(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(autoprezision(-std::numeric_limits<double>::infinity()), 3);
}

TEST_F(PollTest, ABadModeReplyInTheLinearModeShowsZeroWithThreeDecimals) {
    model.setWord(0, 0x30);
    openService();
    reply("u1\r", "u1\r", "u1 500\r", "X\r");
    ASSERT_TRUE(tick());
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).precision, 3);
}

TEST_F(PollTest, ModesZeroAndTwoKeepTheirPrecision) {
    model.setWord(0, 0x10);
    openService();
    reply("u1\r", "u1\r", "u1 500\r", "M2\r");
    ASSERT_TRUE(tick());
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).precision, 3);
    model.setWord(0, 0x00);
    ASSERT_TRUE(ui.commit(p1, MAIN_READ));
    ASSERT_TRUE(tick());
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).precision, 1);
}

TEST_F(PollTest, NoPollRunsWhileAConfirmationIsOpen) {
    openService();
    bool dropped = false;
    ui.whilePopupOpen([&] { dropped = !tick(); });
    ui.answerConfirm(0);
    ASSERT_TRUE(ui.commit(p3, SERVICE_ZERO));
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(sent().empty());
}

} // namespace
