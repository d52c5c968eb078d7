// Every fault the simulated transmitter can play against every action of a
// technician: the status text each shows. docs/faults.md holds the same table.
#include "tests/support/logic_fixture.h"

namespace {

using ::testing::ExitedWithCode;

enum Action { Connect, ReRead, Save, OpenService, Poll, Store, Zero, Span, kActions };
enum Fault { Silent, Late, SlowSave, WrongLetter, Overlong, NoCr, Garbage, Dropped, kFaults };

const char* const kActionNames[] = {"connect", "reread", "save", "open_service",
                                    "poll",    "store",  "zero", "span"};
const char* const kFaultNames[] = {"silent",   "late",  "slow_save", "wrong_letter",
                                   "overlong", "no_cr", "garbage",   "dropped"};

// The status text after the action; "exit" for the open-failure path.
const char* const kExpected[kFaults][kActions] = {
    // connect, re-read, save, open service, poll, store, zero, span
    {"NO CONNECT 3", "NO CONNECT 3", "NO CONNECT 5", "NO CONNECT 5", "ERROR1 NO CONNECT",
     "NO CONNECT 5", "ERROR NO CONNECT", "NO CONNECT"},
    {"NO CONNECT 3", "NO CONNECT 3", "ok", "NO CONNECT 5", "ERROR1 NO CONNECT", "NO CONNECT 5",
     "ERROR NO CONNECT", "NO CONNECT"},
    {"ok", "ok", "ok", "ok", "ok", "ok", "ok", "ok"},
    {"ok", "ok", "ok", "ok", "x2", "ok", "ok", "ok"},
    {"ok", "ok", "ok", "ok", "ok", "ok", "ok", "ok"},
    {"NO CONNECT 3", "NO CONNECT 3", "NO CONNECT 5", "NO CONNECT 5", "ERROR1 NO CONNECT",
     "NO CONNECT 5", "ERROR NO CONNECT", "NO CONNECT"},
    {"ok", "ok", "ok", "ok", "ok", "ok", "ok", "ok"},
    {"exit", "NO CONNECT 3", "NO CONNECT 5", "NO CONNECT 5", "ERROR1 NO CONNECT", "NO CONNECT 5",
     "ERROR NO CONNECT", "NO CONNECT"},
};

struct Cell {
    Fault fault;
    Action action;
};

class FaultMatrix : public LogicTest, public ::testing::WithParamInterface<Cell> {
  protected:
    void play(Fault f) {
        Faults& x = model.faults;
        switch (f) {
        case Silent:
            x.silent = true;
            break;
        case Late:
            x.latencyMs = 700;
            break;
        case SlowSave:
            x.slowSaveMs = 1500;
            break;
        case WrongLetter:
            x.wrongLetter = true;
            break;
        case Overlong:
            x.overlong = true;
            break;
        case NoCr:
            x.noCr = true;
            break;
        case Garbage:
            x.garbage = true;
            break;
        case Dropped:
            x.dropped = true;
            break;
        default:
            break;
        }
    }

    // Runs the action and returns the status of the panel that reports it.
    std::string act(Action a) {
        switch (a) {
        case Connect:
            ui.commit(p4, COM_OK);
            return mainStatus();
        case ReRead:
            ui.commit(p1, MAIN_READ);
            return mainStatus();
        case Save:
            ui.commit(p1, MAIN_SAVE);
            return mainStatus();
        case OpenService:
            ui.selectMenu(m1, MENUBAR_SERVICE);
            return mainStatus();
        case Poll:
            ui.tick(p3, POLL_TIMER);
            return serviceStatus();
        case Store:
            ui.commit(p3, SERVICE_STORE);
            return mainStatus();
        case Zero:
            ui.commit(p3, SERVICE_ZERO);
            return serviceStatus();
        case Span:
            ui.commit(p3, SERVICE_SPAN);
            return serviceStatus();
        default:
            return "";
        }
    }
};

TEST_P(FaultMatrix, ShowsItsStatusAndEndsWithinTheTimeOuts) {
    const Cell c = GetParam();
    const std::string expected = kExpected[c.fault][c.action];
    start();
    if (c.action != Connect) {
        ASSERT_TRUE(ui.commit(p4, COM_OK));
        if (c.action >= Poll) {
            ASSERT_TRUE(ui.selectMenu(m1, MENUBAR_SERVICE));
        }
        fehlx = 0;
        wert[1] = 1.0;
        ui.answerConfirm(1);
    }
    play(c.fault);
    if (expected == "exit") {
        EXPECT_EXIT(act(c.action), ExitedWithCode(0), "");
        return;
    }
    double before = clock.now();
    EXPECT_EQ(act(c.action), expected);
    // Nineteen exchanges under the long time-out bound the longest action.
    EXPECT_LE(clock.now() - before, 19 * 2.0 + 1.0);
    EXPECT_FALSE(CallbackRunning());
}

std::vector<Cell> all_cells() {
    std::vector<Cell> cells;
    for (int f = 0; f < kFaults; ++f)
        for (int a = 0; a < kActions; ++a)
            cells.push_back({static_cast<Fault>(f), static_cast<Action>(a)});
    return cells;
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, ::testing::ValuesIn(all_cells()),
                         [](const auto& info) {
                             return std::string(kFaultNames[info.param.fault]) + "_" +
                                    kActionNames[info.param.action];
                         });

} // namespace
