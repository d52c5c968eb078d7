// What each action came to, in words, and the connection line, from what the
// program shows and the line trace's open; and what the trend marks.
#include "addons/outcome.h"
#include "tests/support/logic_fixture.h"

namespace {

class OutcomeTest : public LogicTest, public CallbackObserver {
  protected:
    OutcomeTest()
        : tap(ui), trace(serial),
          outcomes([this] { return "10:32:0" + std::to_string(actions); },
                   [](int port) { return "/dev/ttyUSB" + std::to_string(port - 1); }) {
        SetUiBackend(&tap);
        SetSerialBackend(&trace);
        tap.addListener(&outcomes);
        trace.addListener(&outcomes);
        SetCallbackObserver(this);
    }
    ~OutcomeTest() override { SetCallbackObserver(nullptr); }
    void callbackBegins(const char* name, int event) override {
        if (std::string(name) != "timer1")
            ++actions;
        outcomes.callbackBegins(name, event);
    }
    void callbackEnded(const char* name, int) override {
        trace.finish();
        taken = outcomes.callbackEnded(name);
    }

    UiTap tap;
    LineTrace trace;
    OutcomeFeed outcomes;
    int actions = 0; // callbacks other than the poll's, so far
    OutcomeFeed::Taken taken = OutcomeFeed::Taken::Nothing;
};

// What the technician does, a letter a step: S start, C start and connect,
// R Read, V Save, O open the service panel, P a poll, T Store, Z zero, N
// span; x the transmitter falls silent, y / n the next confirmation is
// answered yes / no, f END MARK holds text that is not a number, e END MARK
// and k constant 9 edited.
struct OutcomeCase {
    const char* name;
    const char* steps;
    const char* outcome;
    const char* connection;
    OutcomeFeed::Taken taken;
};

using Taken = OutcomeFeed::Taken;
#define LINE "COM1 \u2192 /dev/ttyUSB0 \u00b7 "

const OutcomeCase kOutcomes[] = {
    {"connect", "C", "Read from the transmitter at 10:32:01", LINE "read 10:32:01", Taken::Nothing},
    {"read_before_any_port", "SR", "Read failed: NO CONNECT 3", "Not connected", Taken::Nothing},
    {"read_fails_the_last_good_read_stays", "CxR", "Read failed: NO CONNECT 3",
     LINE "read 10:32:01", Taken::Nothing},
    {"save", "CV", "Saved to the transmitter at 10:32:02", LINE "read 10:32:02", Taken::Nothing},
    {"save_fails_on_a_set_point", "CexV", "Save failed: NO CONNECT 5", LINE "read 10:32:01",
     Taken::Nothing},
    {"save_fails_on_word_0", "CxV", "Save failed: NO CONNECT 6", LINE "read 10:32:01",
     Taken::Nothing},
    {"save_refused", "CfV", "Save refused: END MARK (ppm): not a number !", LINE "read 10:32:01",
     Taken::Nothing},
    {"save_of_values_never_read_declined", "SnV", "Save cancelled", "Not connected",
     Taken::Nothing},
    {"service_panel_opened", "CO", "Read from the transmitter at 10:32:02", LINE "read 10:32:02",
     Taken::Nothing},
    {"store", "COkT", "Constants stored in the transmitter at 10:32:03", LINE "read 10:32:02",
     Taken::Store},
    {"store_of_constants_as_read", "COT", "Constants as read: nothing to store",
     LINE "read 10:32:02", Taken::Nothing},
    {"store_fails", "COkxT", "Store failed: NO CONNECT 5, Constant 9 not stored !",
     LINE "read 10:32:02", Taken::Nothing},
    {"zero", "COPyZ", "Zero calibration taken at 10:32:03", LINE "read 10:32:02", Taken::Zero},
    {"zero_before_a_poll_refused", "COZ", "Zero calibration refused: ERROR !!",
     LINE "read 10:32:02", Taken::Nothing},
    {"span_declined", "COPnN", "Span calibration cancelled", LINE "read 10:32:02", Taken::Nothing},
    {"zero_without_a_reply", "COPxyZ", "Zero calibration failed: ERROR NO CONNECT",
     LINE "read 10:32:02", Taken::Nothing},
    {"span_after_a_failed_poll_refused", "COPxyN", "Span calibration refused: ERROR !!",
     LINE "read 10:32:02", Taken::Nothing},
};

class OutcomeCaseTest : public OutcomeTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(OutcomeCaseTest, SaysWhatTheActionCameToAndWhereTheLineGoes) {
    const OutcomeCase& c = GetParam();
    for (const char* step = c.steps; *step; ++step) {
        switch (*step) {
        case 'S':
            start();
            break;
        case 'C':
            connect();
            break;
        case 'R':
            ui.commit(p1, MAIN_READ);
            break;
        case 'V':
            ui.commit(p1, MAIN_SAVE);
            break;
        case 'O':
            ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
            break;
        case 'P':
            clock.advance(1.0);
            ui.tick(p3, POLL_TIMER);
            break;
        case 'T':
            ui.commit(p3, SERVICE_STORE);
            break;
        case 'Z':
            ui.commit(p3, SERVICE_ZERO);
            break;
        case 'N':
            ui.commit(p3, SERVICE_SPAN);
            break;
        case 'x':
            model.faults.silent = true;
            break;
        case 'y':
        case 'n':
            ui.answerConfirm(*step == 'y');
            break;
        case 'f':
            ui.refuse(p1, MAIN_END_MARK);
            break;
        case 'e':
            ui.edit(p1, MAIN_END_MARK, 42.0);
            break;
        case 'k':
            ui.edit(p3, SERVICE_CAL_9, 0.5);
            break;
        }
    }
    EXPECT_EQ(outcomes.outcome(), c.outcome);
    EXPECT_EQ(outcomes.connection(), c.connection);
    EXPECT_EQ(taken, c.taken);
}

INSTANTIATE_TEST_SUITE_P(Outcome, OutcomeCaseTest, ::testing::ValuesIn(kOutcomes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
