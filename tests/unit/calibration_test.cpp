// The service panel: opening, closing, calibration constants, zero and span.
#include "calibration/calibration.h"
#include "tests/support/logic_fixture.h"

#include <algorithm>

namespace {

const char* const kConnect[] = {"VV", "s0", "s1", "s2",  "s3", "s4", "s5",
                                "s6", "s7", "s8", "t12", "d1", "d2", "d3"};

std::string connect_sequence() {
    std::vector<std::string> v(std::begin(kConnect), std::end(kConnect));
    return join(v);
}

TEST_F(LogicTest, OpeningTheServicePanelReadsSettingsAndConstantsThenPolls) {
    model.setParam(8, 1.25);
    model.setParam(9, -0.5);
    model.setParam(0, 0.0125);
    connect();
    serial.clearEvents();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_TRUE(ui.panel(p3).visible);
    EXPECT_EQ(join(sent()), connect_sequence() + "|d8|d9|d0");
    EXPECT_TRUE(serial.trace().ends_with("OIWROIWROIWR"));
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_8).dval, 1.25);
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_9).dval, -0.5);
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_0).dval, 0.0125);
    EXPECT_DOUBLE_EQ(ewert[10], 0.0125);
    EXPECT_EQ(hol, 1);
    EXPECT_EQ(mainStatus(), "ok");
}

TEST_F(LogicTest, TheServicePanelIsShownBeforeAnythingIsSent) {
    connect();
    serial.clearEvents();
    ui.stampWith([this] { return static_cast<long>(serial.events().size()); });
    const std::size_t first = ui.calls().size();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    ASSERT_GT(ui.calls().size(), first);
    EXPECT_EQ(ui.calls()[first].what, "DisplayPanel PANEL_SERVICE");
    EXPECT_EQ(ui.calls()[first].stamp, 0) << "no line traffic before the panel is shown";
    EXPECT_EQ(sent().front(), "VV");
}

TEST_F(LogicTest, OpeningBeforeAnyPortWasOpenedFailsEverythingButPollsAllTheSame) {
    start();
    ui.edit(p3, SERVICE_CAL_8, 7.0);
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_EQ(mainStatus(), "NO CONNECT 5");
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_8).dval, 7.0);
    EXPECT_EQ(hol, 1);
    EXPECT_TRUE(sent().empty());
}

TEST_F(LogicTest, OpeningAgainRunsTheWholeSequenceAgain) {
    connect();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    serial.clearEvents();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_EQ(join(sent()), connect_sequence() + "|d8|d9|d0");
    EXPECT_EQ(hol, 1);
}

TEST_F(LogicTest, ClosingTheServicePanelHidesItAndStopsPolling) {
    connect();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_TRUE(ui.panelEvent(p3, EVENT_COMMIT));
    EXPECT_EQ(hol, 1);
    ASSERT_TRUE(ui.close(p3));
    EXPECT_FALSE(ui.panel(p3).visible);
    EXPECT_EQ(hol, 0);
    serial.clearEvents();
    ui.tick(p3, POLL_TIMER);
    EXPECT_TRUE(sent().empty());
}

TEST_F(LogicTest, StoringSendsAllThreeConstantsAndShowsTheTransmittersValues) {
    connect();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    ui.edit(p3, SERVICE_CAL_8, 1.23456);
    ui.edit(p3, SERVICE_CAL_9, -2.0);
    ui.edit(p3, SERVICE_CAL_0, 0.5);
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p3, SERVICE_STORE));
    EXPECT_EQ(join(sent()), "D81.235e+00|D9-2.000e+00|D05.000e-01");
    EXPECT_EQ(serial.trace(), "OIWROIWROIWR");
    EXPECT_DOUBLE_EQ(model.param(0), 0.5) << "slot 10 travels under device number 0";
    EXPECT_DOUBLE_EQ(model.param(10), 0.0);
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_8).dval, 1.235) << "the transmitter's rounding";
    EXPECT_DOUBLE_EQ(ewert[10], 0.5);
}

TEST_F(LogicTest, StoringWithASilentTransmitterTriesAllThreeAndKeepsTheTypedValues) {
    // D8 times out; D9 and D0 each wait for a probe that shows the line in
    // step, get none, and are not sent.
    connect();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    ui.edit(p3, SERVICE_CAL_8, 1.23456);
    ui.edit(p3, SERVICE_CAL_9, 2.5);
    ui.edit(p3, SERVICE_CAL_0, 3.5);
    model.faults.silent = true;
    serial.clearEvents();
    double before = clock.now();
    ASSERT_TRUE(ui.commit(p3, SERVICE_STORE));
    EXPECT_EQ(join(sent()), "D81.235e+00");
    EXPECT_EQ(join(serial.probes()), "s1|s2");
    EXPECT_NEAR(clock.now() - before, 0.6 + 2 * 1.2, 1e-9) << "a time-out and two probes";
    EXPECT_EQ(mainStatus(), "NO CONNECT 5");
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_8).dval, 1.23456);
    EXPECT_DOUBLE_EQ(ewert[8], 1.23456);
    EXPECT_EQ(join(history(p3, SERVICE_STATUS)), "") << "constants never touch the service status";
}

TEST_F(LogicTest, AFailedConstantInTheMiddleDoesNotStopTheOthers) {
    model.setParam(8, 8.5);
    model.setParam(9, 9.5);
    model.setParam(0, 10.5);
    model.setSilent("d9");
    connect();
    ui.edit(p3, SERVICE_CAL_9, 3.0);
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_8).dval, 8.5);
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_9).dval, 3.0);
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_0).dval, 10.5);
    EXPECT_EQ(mainStatus(), "NO CONNECT 5");
}

TEST_F(LogicTest, AConstantReplyWithoutNumberShowsTheUnchangedValue) {
    connect();
    ewert[8] = 4.5;
    model.setReply("d8", "d8 ???\r");
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_CAL_8).dval, 4.5);
}

TEST_F(LogicTest, AConstantWhoseExchangeFailedIsNotParsed) {
    connect();
    ewert[8] = 4.5;
    model.setReply("d8", "d8 7.25"); // no CR: the read times out
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_DOUBLE_EQ(ewert[8], 4.5);
    EXPECT_TRUE(history(p3, SERVICE_CAL_8).empty());
}

// ---- Storing: asked, refused or reported -------------------------------------

struct StoreCase {
    const char* name;
    const char* silentAtOpening; // a constant not read when the panel opened
    const char* silentAtStore;   // prefixes of constant writes left unanswered
    int answer;                  // to the confirmation, if asked
    const char* popups;          // "title/message" joined by '|'
    const char* sent;            // commands of the store
    const char* mainStatus;
};

class Store : public LogicTest, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(Store, AsksWhenNotReadAndReportsWhatWasNotStored) {
    const StoreCase& c = GetParam();
    connect();
    if (*c.silentAtOpening)
        model.setSilent(c.silentAtOpening);
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    model.clearOverrides();
    for (const char* p = c.silentAtStore; *p; p += 2)
        model.setSilent(std::string(p, 2));
    ui.edit(p3, SERVICE_CAL_8, 1.5);
    ui.edit(p3, SERVICE_CAL_9, 2.5);
    ui.edit(p3, SERVICE_CAL_0, 3.5);
    ui.answerConfirm(c.answer);
    serial.clearEvents();
    history(p1, MAIN_STATUS).clear();
    ASSERT_TRUE(ui.commit(p3, SERVICE_STORE));
    std::vector<std::string> popups;
    for (const Popup& p : ui.popups())
        popups.push_back(p.title + "/" + p.message);
    EXPECT_EQ(join(popups), c.popups);
    EXPECT_EQ(join(sent()), c.sent);
    EXPECT_EQ(join(history(p1, MAIN_STATUS)), c.mainStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Store,
    ::testing::Values(
        StoreCase{"read_stores_without_asking", "", "", 0, "",
                  "D81.500e+00|D92.500e+00|D03.500e+00", "ok"},
        StoreCase{"not_read_asks_and_no_sends_nothing", "d9", "", 0,
                  "Calibration/Constants not read from the transmitter. Write the values shown ?",
                  "", ""},
        StoreCase{"not_read_asks_and_yes_stores", "d0", "", 1,
                  "Calibration/Constants not read from the transmitter. Write the values shown ?",
                  "D81.500e+00|D92.500e+00|D03.500e+00", "ok"},
        StoreCase{"settings_not_read_keep_their_failure", "d2", "", 0, "",
                  "D81.500e+00|D92.500e+00|D03.500e+00", ""},
        StoreCase{"one_failed", "", "D9", 0, "Calibration/Constant 9 not stored !",
                  "D81.500e+00|D92.500e+00|D03.500e+00", "NO CONNECT 5"},
        StoreCase{"two_failed", "", "D8D0", 0, "Calibration/Constant 8, 0 not stored !",
                  "D81.500e+00|D92.500e+00|D03.500e+00", "NO CONNECT 5|NO CONNECT 5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogicTest, StoreIsRefusedWhileAConstantHoldsTextThatIsNotANumber) {
    connect();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    SetCtrlAttribute(p3, SERVICE_CAL_9, ATTR_LABEL_TEXT, "Constant 9");
    ui.refuse(p3, SERVICE_CAL_9);
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p3, SERVICE_STORE));
    ASSERT_EQ(ui.popups().size(), 1u);
    EXPECT_EQ(ui.popups()[0].title, "Input");
    EXPECT_EQ(ui.popups()[0].message, "Constant 9: not a number !");
    EXPECT_TRUE(serial.events().empty());
    // Zero, span and closing are not held up by it.
    ui.answerConfirm(0);
    fehlx = 0;
    ASSERT_TRUE(ui.commit(p3, SERVICE_ZERO));
    EXPECT_EQ(ui.popups().back().title, "CALIBRATION");
    ASSERT_TRUE(ui.close(p3));
    EXPECT_EQ(hol, 0);
}

TEST_F(LogicTest, CalibrationIsRefusedUntilAPollOfThisOpeningHasMeasured) {
    connect();
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    ASSERT_TRUE(ui.tick(p3, POLL_TIMER));
    ASSERT_EQ(fehlx, 0);
    ASSERT_TRUE(ui.close(p3));
    model.setVcal(50.0); // wert[1] still holds the old, small value
    ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
    EXPECT_EQ(fehlx, 1);
    serial.clearEvents();
    ui.answerConfirm(1);
    ASSERT_TRUE(ui.commit(p3, SERVICE_SPAN));
    EXPECT_EQ(ui.popups().back().message, " ERROR !!");
    EXPECT_TRUE(serial.events().empty());
    ASSERT_TRUE(ui.tick(p3, POLL_TIMER));
    ASSERT_TRUE(ui.commit(p3, SERVICE_SPAN));
    EXPECT_EQ(ui.popups().back().message, "ERROR OUT OF RANGE !!");
}

TEST_F(LogicTest, RightClickOnStoreDoesNothing) {
    connect();
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p3, SERVICE_STORE, EVENT_RIGHT_CLICK));
    EXPECT_TRUE(serial.events().empty());
}

// ---- Zero and span -----------------------------------------------------------

struct CalCase {
    const char* name;
    int button;
    int fehlx;
    double u1;          // the last poll's; the transmitter's own until asked
    double asked;       // the transmitter's u1 from the question on
    int answer;         // to the confirmation, if asked
    bool silent;        // no reply to the calibration command
    const char* popups; // "title/message" of every popup, joined by '|'
    const char* sent;
    const char* status; // history of SERVICE_STATUS
    int hol;
    int delays; // 1 s waits
};

class Calibrate : public LogicTest, public ::testing::WithParamInterface<CalCase> {};

TEST_P(Calibrate, GuardsConfirmsSendsAndReports) {
    const CalCase& c = GetParam();
    connect();
    fehlx = c.fehlx;
    wert[1] = c.u1;
    hol = 0;
    ui.answerConfirm(c.answer);
    model.setVcal(c.u1);
    ui.whilePopupOpen([&] { model.setVcal(c.asked); });
    if (c.silent)
        model.setSilent(c.button == SERVICE_ZERO ? "D?D?" : "D!D!");
    serial.clearEvents();
    ASSERT_TRUE(ui.commit(p3, c.button));
    std::vector<std::string> popups;
    for (const Popup& p : ui.popups())
        popups.push_back(p.title + "/" + p.message);
    EXPECT_EQ(join(popups), c.popups);
    EXPECT_EQ(join(sent()), c.sent);
    EXPECT_EQ(join(history(p3, SERVICE_STATUS)), c.status);
    EXPECT_EQ(hol, c.hol);
    EXPECT_EQ(static_cast<int>(clock.delays().size()), c.delays);
    if (c.delays) {
        EXPECT_DOUBLE_EQ(clock.delays()[0], 1.0);
    }
    // The poll and the calibration command flush the input after writing,
    // the constants before; each poll and the calibration light the busy.
    std::string trace, busy;
    for (const std::string& s : sent()) {
        trace += s[0] == 'd' ? "OIWR" : "OWIR";
        busy += s == "u1" || s[0] == 'D' ? "|1|0" : "";
    }
    EXPECT_EQ(serial.trace(), trace);
    EXPECT_EQ(join(history(p3, SERVICE_BUSY)), busy.empty() ? "" : busy.substr(1));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Calibrate,
    ::testing::Values(
        CalCase{"zero_refused_after_failed_poll", SERVICE_ZERO, 1, 0.0, 0.0, 1, false,
                "Calibration/ ERROR !!", "", "", 0, 0},
        CalCase{"span_refused_after_failed_poll_first", SERVICE_SPAN, 1, 50.0, 50.0, 1, false,
                "Calibration/ ERROR !!", "", "", 0, 0},
        CalCase{"span_above_range", SERVICE_SPAN, 0, 10.01, 10.01, 1, false,
                "Calibration/ERROR OUT OF RANGE !!", "", "", 0, 0},
        CalCase{"span_below_range", SERVICE_SPAN, 0, -10.01, -10.01, 1, false,
                "Calibration/ERROR OUT OF RANGE !!", "", "", 0, 0},
        CalCase{"span_at_upper_bound", SERVICE_SPAN, 0, 10.0, 10.0, 1, false,
                "CALIBRATION/SET Vcal = V ?", "u1|u5|u9|m2|D!D!|d8|d9|d0", "ok|SAVE|ok", 1, 1},
        CalCase{"span_at_lower_bound", SERVICE_SPAN, 0, -10.0, -10.0, 1, false,
                "CALIBRATION/SET Vcal = V ?", "u1|u5|u9|m2|D!D!|d8|d9|d0", "ok|SAVE|ok", 1, 1},
        CalCase{"span_left_the_range_while_asked", SERVICE_SPAN, 0, 5.0, 10.5, 1, false,
                "CALIBRATION/SET Vcal = V ?|Calibration/ERROR OUT OF RANGE !!", "u1|u5|u9|m2", "ok",
                0, 0},
        CalCase{"span_silent", SERVICE_SPAN, 0, 5.0, 5.0, 1, true, "CALIBRATION/SET Vcal = V ?",
                "u1|u5|u9|m2|D!D!", "ok|SAVE|NO CONNECT", 0, 0},
        CalCase{"zero_ignores_u1", SERVICE_ZERO, 0, 99.0, 99.0, 1, false,
                "CALIBRATION/SET Vcal = 0 mV ?", "D?D?|d8|d9|d0", "SAVE|ok", 1, 1},
        CalCase{"zero_answered_no", SERVICE_ZERO, 0, 0.0, 0.0, 0, false,
                "CALIBRATION/SET Vcal = 0 mV ?", "", "", 0, 0},
        CalCase{"span_answered_no", SERVICE_SPAN, 0, 0.0, 0.0, 0, false,
                "CALIBRATION/SET Vcal = V ?", "", "", 0, 0},
        CalCase{"zero_silent", SERVICE_ZERO, 0, 0.0, 0.0, 1, true, "CALIBRATION/SET Vcal = 0 mV ?",
                "D?D?", "SAVE|ERROR NO CONNECT", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogicTest, AnyReplyCountsAsASuccessfulCalibrationAndIsKeptInTheTooltip) {
    connect();
    model.setReply("D?D?", "ERR 17\r");
    ui.answerConfirm(1);
    ui.stampWith([this] { return static_cast<long>(clock.delays().size()); });
    ASSERT_TRUE(ui.commit(p3, SERVICE_ZERO));
    EXPECT_EQ(serviceStatus(), "ok");
    EXPECT_EQ(ui.ctrl(p3, SERVICE_STATUS).tooltip, "ERR 17");
    EXPECT_EQ(model.zeroCalibrations(), 0) << "the override answered instead";
    auto ok = std::find_if(ui.calls().begin(), ui.calls().end(),
                           [](const UiCall& c) { return c.what == "SERVICE_STATUS=ok"; });
    ASSERT_NE(ok, ui.calls().end());
    EXPECT_EQ(ok->stamp, 1) << "ok comes after the 1 s wait";
}

TEST_F(LogicTest, AFailedCalibrationShowsNothingOfALineThatDidNotEnd) {
    connect();
    model.setReply("D!D!", "D! O"); // no CR
    ui.answerConfirm(1);
    ASSERT_TRUE(ui.commit(p3, SERVICE_SPAN));
    EXPECT_EQ(serviceStatus(), "NO CONNECT");
    EXPECT_EQ(ui.ctrl(p3, SERVICE_STATUS).tooltip, "");
}

TEST_F(LogicTest, ZeroAndSpanReachTheTransmitter) {
    connect();
    ui.answerConfirm(1);
    ui.answerConfirm(1);
    ASSERT_TRUE(ui.commit(p3, SERVICE_ZERO));
    ASSERT_TRUE(ui.commit(p3, SERVICE_SPAN));
    EXPECT_EQ(model.zeroCalibrations(), 1);
    EXPECT_EQ(model.spanCalibrations(), 1);
}

TEST_F(LogicTest, CalibrationButtonsActOnCommitOnly) {
    connect();
    serial.clearEvents();
    ui.answerConfirm(1);
    ASSERT_TRUE(ui.commit(p3, SERVICE_ZERO, EVENT_RIGHT_CLICK));
    ASSERT_TRUE(ui.commit(p3, SERVICE_SPAN, EVENT_RIGHT_CLICK));
    EXPECT_TRUE(ui.popups().empty());
    EXPECT_TRUE(serial.events().empty());
}

} // namespace
