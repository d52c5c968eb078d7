// The calibration assistant's steps through the service panel's own buttons:
// what it waits for, what it takes as found and as left, what the tolerance
// says, and what is recorded when the technician goes on, declines, cancels
// or the transmitter does not answer; and what it remembers in k964.conf.
#include "assistant/assistant.h"
#include "assistant/assistant_conf.h"
#include "tests/support/logic_fixture.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

using Go = Assistant::Go;
using Step = Assistant::Step;

class AssistantTest : public LogicTest {
  protected:
    AssistantTest() : tap(ui), assistant(watch, hooks()) {
        SetUiBackend(&tap);
        tap.addListener(&watch);
    }
    AssistantHooks hooks() {
        AssistantHooks h;
        h.stability = [this] {
            Stability st;
            st.stable = stable;
            st.s = 0.002;
            st.text = stable ? "stable \u00b1 0.002 ppm" : "settling";
            return st;
        };
        h.unit = [] { return std::string("ppm"); };
        h.clock = [this] { return clock.now(); };
        h.now = [this] { return "t" + std::to_string(static_cast<int>(clock.now())); };
        h.record = [this](const CalibrationEntry& e) {
            recorded.push_back(e);
            return static_cast<std::int64_t>(recorded.size());
        };
        return h;
    }
    int sentOf(const char* command) const {
        const auto c = sent();
        return static_cast<int>(std::count(c.begin(), c.end(), std::string(command)));
    }
    void poll() {
        clock.advance(1.0);
        ui.tick(p3, POLL_TIMER);
    }

    UiTap tap;
    PanelWatch watch;
    Assistant assistant;
    bool stable = false;
    std::vector<CalibrationEntry> recorded;
};

// What the technician and the transmitter do, a letter a step: C connect, O
// open the service panel, P a poll, L half a minute of polls; o zero gas at
// the cell, k the transmitter's zero offset half a millivolt off, v the
// calibration voltage out of span's range, x the transmitter falls silent,
// q it answers again; S / U the trend says stable / settling, T tolerance
// 30 %; z / s begin zero / span, n go on, u go on unstable after the
// warning, y / N the panel's question answered yes / no, b keep beyond the
// tolerance, r reject, c cancel, B store the as-found constants back, W the
// technician's name corrected.
struct AssistantCase {
    const char* name;
    const char* steps;
    Go last;               // what the last step came to
    Step step;             // where the assistant is then
    char recorded;         // '-' nothing; A accepted, R rejected, X cancelled, F failed
    bool beyond;           // recorded beyond the tolerance
    bool unstable;         // recorded as going on unstable
    int commands;          // D?D? or D!D! on the line
    bool restored = false; // the transmitter holds the as-found constants again
};

const AssistantCase kCases[] = {
    {"zero_within_tolerance_accepted", "COoLSznLnynLnn", Go::Recorded, Step::Done, 'A', false,
     false, 1},
    {"zero_beyond_kept_on_second_confirmation", "COLSznLnynLnnb", Go::Recorded, Step::Done, 'A',
     true, false, 1},
    {"zero_beyond_rejected", "COLSznLnynLnnr", Go::Recorded, Step::Done, 'R', true, false, 1},
    {"beyond_not_kept_without_the_warning", "COLSznLnynLnb", Go::NotNow, Step::Verdict, '-', false,
     false, 1},
    {"beyond_asks_first", "COLSznLnynLnn", Go::Beyond, Step::Verdict, '-', false, false, 1},
    {"span_unchanged_accepted", "COLSsnLnynLnn", Go::Recorded, Step::Done, 'A', false, false, 1},
    {"span_beyond_rejected", "kCOLSsnLnynLnnr", Go::Recorded, Step::Done, 'R', true, false, 1},
    {"span_within_a_wider_tolerance", "kCOLTSsnLnynLnn", Go::Recorded, Step::Done, 'A', false,
     false, 1},
    {"settling_warns_and_sends_nothing", "COLUznLn", Go::NotStable, Step::Settle, '-', false, false,
     0},
    {"settle_counts_only_polls_since_the_gas", "COLSznn", Go::NotStable, Step::Settle, '-', false,
     false, 0},
    {"unstable_without_the_warning_refused", "COLUznu", Go::NotNow, Step::Settle, '-', false, false,
     0},
    {"went_on_unstable_recorded", "COoLUznLnuynLSnn", Go::Recorded, Step::Done, 'A', false, true,
     1},
    {"after_counts_only_polls_after_the_command", "COoLSznLnynPn", Go::NotStable, Step::SettleAfter,
     '-', false, false, 1},
    {"no_sends_nothing_and_stays", "COLSznLnNn", Go::Declined, Step::Command, '-', false, false, 0},
    {"no_then_yes", "COoLSznLnNnynLnn", Go::Recorded, Step::Done, 'A', false, false, 1},
    {"span_out_of_range_refused", "COvLSsnLnyn", Go::Refused, Step::Command, '-', false, false, 0},
    {"refused_after_a_failed_poll", "COLSznLnxPqyn", Go::Refused, Step::Command, '-', false, false,
     0},
    {"no_reply_recorded_as_failed", "COLSznLnxyn", Go::Failed, Step::Done, 'F', false, false, 1},
    {"name_corrected_during_it_recorded", "COoLSznLnynWLnn", Go::Recorded, Step::Done, 'A', false,
     false, 1},
    {"cancel_before_the_command_sends_nothing", "COLSznLnc", Go::Ok, Step::Idle, '-', false, false,
     0},
    {"cancel_after_the_command_recorded", "COLSznLnync", Go::Recorded, Step::Done, 'X', false,
     false, 1},
    {"cancel_at_the_verdict_recorded", "COLSznLnynLnc", Go::Recorded, Step::Done, 'X', true, false,
     1},
    {"rejected_then_stored_back", "COLSznLnynLnnrB", Go::Ok, Step::Done, 'R', true, false, 1, true},
    {"stored_back_only_after_a_rejection", "COoLSznLnynLnnB", Go::NotNow, Step::Done, 'A', false,
     false, 1},
    {"stored_back_on_a_silent_line_fails", "COLSznLnynLnnrxB", Go::Failed, Step::Done, 'R', true,
     false, 1},
    {"constants_not_read_cannot_be_judged", "CxOqLSznLnynLnnb", Go::Recorded, Step::Done, 'A', true,
     false, 1},
};

class AssistantCaseTest : public AssistantTest,
                          public ::testing::WithParamInterface<AssistantCase> {};

TEST_P(AssistantCaseTest, GoesThroughTheServicePanelAndRecordsWhatHappened) {
    const AssistantCase& c = GetParam();
    Go last = Go::NotNow;
    std::optional<double> foundShown, leftShown;
    for (const char* step = c.steps; *step; ++step) {
        const Step before = assistant.step();
        switch (*step) {
        case 'C':
            connect();
            break;
        case 'O':
            ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
            break;
        case 'P':
            poll();
            break;
        case 'L':
            for (int i = 0; i < 31; ++i)
                poll();
            break;
        case 'o':
            model.setGas(0.0);
            break;
        case 'k':
            model.setParam(0, DeviceModel::kZeroMillivolts + 0.5);
            break;
        case 'v':
            model.setVcal(20.0);
            break;
        case 'x':
            model.faults.silent = true;
            break;
        case 'q':
            model.faults.silent = false;
            break;
        case 'S':
        case 'U':
            stable = *step == 'S';
            break;
        case 'T':
            ASSERT_TRUE(assistant.setTolerance(30.0));
            break;
        case 'z':
        case 's':
            last = assistant.begin(*step == 'z' ? CalibrationKind::Zero : CalibrationKind::Span);
            break;
        case 'n':
            last = assistant.next();
            break;
        case 'u':
            last = assistant.goOnUnstable();
            break;
        case 'y':
        case 'N':
            ui.answerConfirm(*step == 'y');
            break;
        case 'b':
            last = assistant.acceptBeyond();
            break;
        case 'r':
            last = assistant.reject();
            break;
        case 'c':
            last = assistant.cancel();
            break;
        case 'B':
            last = assistant.restore();
            break;
        case 'W':
            assistant.setTechnician("A. Late");
            break;
        }
        // What the panel showed when the readings were taken.
        if (p3 <= 0)
            continue;
        const MemoryCtrl& shown = ui.ctrl(p3, SERVICE_OXYGEN);
        if (before == Step::Settle && assistant.step() == Step::Command)
            foundShown = shown.dval;
        if (before == Step::SettleAfter && assistant.step() == Step::Verdict)
            leftShown = shown.dval;
    }
    EXPECT_EQ(last, c.last) << assistant.message();
    EXPECT_EQ(assistant.step(), c.step);
    EXPECT_EQ(sentOf("D?D?") + sentOf("D!D!"), c.commands) << join(sent());
    // What the polls show after the last action is not collected.
    const std::size_t kept = watch.statusTexts().size();
    if (p3 > 0)
        poll();
    EXPECT_EQ(watch.statusTexts().size(), kept);
    if (c.recorded == '-') {
        EXPECT_TRUE(recorded.empty());
        return;
    }
    ASSERT_EQ(recorded.size(), 1u);
    const CalibrationEntry& e = recorded[0];
    const CalibrationOutcome outcome = c.recorded == 'A'   ? CalibrationOutcome::Accepted
                                       : c.recorded == 'R' ? CalibrationOutcome::Rejected
                                       : c.recorded == 'X' ? CalibrationOutcome::Cancelled
                                                           : CalibrationOutcome::Failed;
    EXPECT_EQ(e.outcome, outcome);
    EXPECT_EQ(e.beyondTolerance, c.beyond);
    EXPECT_EQ(e.wentOnUnstable, c.unstable);
    EXPECT_EQ(assistant.recordedId(), 1);
    EXPECT_EQ(e.technician, assistant.technician());
    EXPECT_EQ(e.asFound.value, foundShown);
    EXPECT_EQ(e.asFound.unit, "ppm");
    EXPECT_EQ(e.asLeft.value, leftShown);
    if (c.recorded == 'F') {
        EXPECT_NE(e.note.find("ERROR NO CONNECT"), std::string::npos) << e.note;
    }
    // The constants after (or, stored back, before) are the transmitter's,
    // as its replies carry them.
    const auto& held = c.restored ? e.before : e.after;
    if (leftShown && held[0] && held[2]) {
        EXPECT_NEAR(*held[0], model.param(8), 1e-4 * std::fabs(model.param(8)));
        EXPECT_NEAR(*held[2], model.param(0), 1e-4 * std::fabs(model.param(0)));
    }
}

INSTANTIATE_TEST_SUITE_P(Assistant, AssistantCaseTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The technician, the tag, the tolerance and the gases come back on the next
// calibration; the other keys of k964.conf stay; a line break in a value
// cannot make a key of its own.
TEST(AssistantMemoryTest, RemembersWhatWasEnteredBesideTheOtherKeys) {
    const std::string path = ::testing::TempDir() + "/k964-assistant.conf";
    std::ofstream(path, std::ios::binary) << "record-folder=/home/t\nassistant-tolerance=x\n";
    EXPECT_EQ(read_assistant_memory(path).tolerancePercent, 0.0);
    AssistantMemory m;
    m.technician = "A. Meier\nassistant-tag=forged";
    m.tag = "Boiler 3";
    m.tolerancePercent = 2.5;
    m.spanGas = {"20.9", "%", "LOT-7", "2027-06-30"};
    ASSERT_TRUE(write_assistant_memory(path, m));
    const AssistantMemory back = read_assistant_memory(path);
    EXPECT_EQ(back.technician, "A. Meier assistant-tag=forged");
    EXPECT_EQ(back.tag, "Boiler 3");
    EXPECT_EQ(back.tolerancePercent, 2.5);
    EXPECT_EQ(back.spanGas.lot, "LOT-7");
    EXPECT_EQ(back.spanGas.expiry, "2027-06-30");
    EXPECT_EQ(back.zeroGas.concentration, "");
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().rfind("record-folder=/home/t\n", 0), 0u) << text.str();
    EXPECT_FALSE(write_assistant_memory("/nonexistent/dir/k964.conf", m));
}

} // namespace
