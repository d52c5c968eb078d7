// Every fault the simulated transmitter can play against every action of a
// technician, on a line paced at 9600 baud: the status text each shows, the
// values on both panels (the transmitter's own, or those shown before the
// action, never another command's), and the bytes of a Save and a Store that
// follow, which carry exactly the values shown. docs/faults.md holds the
// same table.
#include "tests/support/logic_fixture.h"
#include "tests/unit/fault_matrix_table.h"

#include "platform/platform.h"

#include <algorithm>

namespace {

using ::testing::ExitedWithCode;

struct Cell {
    Fault fault;
    Action action;
};

// What the technician sees of the settings and the constants.
struct Shown {
    int bit0, bit3, mode, word8;
    double point[3]; // zero point, end mark, limit
    double cal[3];   // constants 8, 9, 0
};

class FaultMatrix : public LogicTest, public ::testing::WithParamInterface<Cell> {
  protected:
    FaultMatrix() {
        // Values that tell every word and parameter apart, so that a reply
        // taken for another command's shows.
        const int words[] = {0x5D, 101, 102, 103, 104, 105, 106, 107, 1234};
        for (int i = 0; i < 9; ++i)
            model.setWord(i, words[i]);
        model.setWord(13, 4321);
        model.setParam(1, 20.9);
        model.setParam(2, 55.5);
        model.setParam(3, 77.7);
        model.setParam(8, 1.5);
        model.setParam(9, -2.25);
        model.setParam(0, 0.75);
    }

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
        case Exact24:
            x.pad24 = true;
            break;
        case LateVV:
            x.latencyFor["VV"] = 620;
            break;
        case LateT12:
            x.latencyFor["t12"] = 900;
            break;
        case LateD8:
            x.latencyFor["d8"] = 750;
            x.latencyFor["D8"] = 750;
            break;
        case VeryLateT12D8:
            // Later than the probe's window after the time-out begins: the
            // late line comes while the line gets back in step.
            x.latencyFor["t12"] = 1200;
            x.latencyFor["d8"] = 1200;
            x.latencyFor["D8"] = 1200;
            break;
        case DuringFlush:
            // The reply's first bytes come just before the time-out, the
            // rest while the next exchange flushes.
            x.latencyFor["t12"] = 595;
            x.latencyFor["u5"] = 595;
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
        case UsbOverlong:
            x.usbLatencyMs = 16;
            x.overlong = true;
            break;
        case UsbExact24:
            x.usbLatencyMs = 32;
            x.pad24 = true;
            break;
        case PauseInRest:
            x.overlong = true;
            x.pauseAt = 26;
            x.pauseMs = 100;
            break;
        case LongerThanTimeOut:
            x.padFor["VV"] = 700; // 730 ms on the line
            break;
        case VeryLateVV:
            x.latencyFor["VV"] = 1200;
            break;
        case VeryLateU1:
            x.latencyFor["u1"] = 1200;
            break;
        case LateD1:
            x.latencyFor["D1"] = 2500;
            break;
        case LateSave:
            x.slowSaveMs = 2500;
            break;
        case OtherCase:
            x.otherCase = true;
            break;
        case CrLf:
            x.crlf = true;
            break;
        case NoiseNul:
            x.noise = std::string(1, '\0');
            break;
        case NoiseFF:
            x.noise = "\xff";
            break;
        case NoiseLF:
            x.noise = "\n";
            break;
        case Babble:
            x.babble = true;
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

    Shown shown() {
        Shown s{};
        s.bit0 = ui.ctrl(p1, MAIN_CONFIG_BIT0).ival;
        s.bit3 = ui.ctrl(p1, MAIN_CONFIG_BIT3).ival;
        s.mode = ui.ctrl(p1, MAIN_MODE).ival;
        s.word8 = ui.ctrl(p1, MAIN_SETTING_8).ival;
        const int points[] = {MAIN_ZERO_POINT, MAIN_END_MARK, MAIN_LIMIT};
        const int cals[] = {SERVICE_CAL_8, SERVICE_CAL_9, SERVICE_CAL_0};
        for (int i = 0; i < 3; ++i) {
            s.point[i] = ui.ctrl(p1, points[i]).dval;
            s.cal[i] = ui.ctrl(p3, cals[i]).dval;
        }
        return s;
    }

    // The value the transmitter itself gives for a read command.
    double own(const char* command) {
        DeviceModel clean = model;
        clean.faults = Faults{};
        clean.clearOverrides();
        const std::string reply = clean.handle(command).bytes;
        double v = 0.0;
        Scan(reply.c_str() + 2, "%f", &v);
        return v;
    }

    Shown transmitters() {
        const int w0 = model.word(0);
        Shown s{};
        s.bit0 = w0 & 1;
        s.bit3 = (w0 >> 3) & 1;
        s.mode = (w0 & 0x10) ? ((w0 & 0x20) ? 1 : 0) : 2;
        s.word8 = model.word(8);
        const char* points[] = {"d1", "d2", "d3"};
        const char* cals[] = {"d8", "d9", "d0"};
        for (int i = 0; i < 3; ++i) {
            s.point[i] = own(points[i]);
            s.cal[i] = own(cals[i]);
        }
        return s;
    }

    static std::string real(double v) {
        char text[32];
        Fmt(text, "%f[e2p3]", v);
        return text;
    }
};

// Each value is either the transmitter's own or the one shown before.
#define EXPECT_OWN_OR_OLD(field)                                                                   \
    EXPECT_TRUE(now.field == theirs.field || now.field == before.field)                            \
        << #field ": shows " << now.field << ", the transmitter has " << theirs.field              \
        << ", before it was " << before.field

TEST_P(FaultMatrix, ShowsItsStatusTheTransmittersValuesAndWritesOnlyWhatIsShown) {
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
    }
    // Something to write: untouched values are left as the transmitter holds them.
    if (c.action == Save)
        ui.edit(p1, MAIN_ZERO_POINT, 12.5);
    if (c.action == Store)
        ui.edit(p3, SERVICE_CAL_8, 2.5);
    ui.answerConfirm(1);
    play(c.fault);
    if (expected == "exit") {
        EXPECT_EXIT(act(c.action), ExitedWithCode(0), "");
        return;
    }
    const Shown before = shown();
    const double start_time = clock.now();
    serial.clearEvents();
    EXPECT_EQ(act(c.action), expected);
    // No action holds the window longer than the time-outs of its exchanges
    // (each begins with a flush of the output) and 3 s, the calibration's
    // wait aside.
    const long exchanges =
        std::count_if(serial.events().begin(), serial.events().end(),
                      [](const SerialEvent& e) { return e.kind == SerialEvent::FlushOut; });
    const double timeout = c.action == Save ? 2.0 : 0.6;
    const double wait = c.action == Zero || c.action == Span ? 1.0 : 0.0;
    EXPECT_LE(clock.now() - start_time, exchanges * timeout + 3.0 + wait);
    EXPECT_FALSE(CallbackRunning());

    const Shown now = shown();
    const Shown theirs = transmitters();
    EXPECT_OWN_OR_OLD(bit0);
    EXPECT_OWN_OR_OLD(bit3);
    EXPECT_OWN_OR_OLD(mode);
    EXPECT_OWN_OR_OLD(word8);
    for (int i = 0; i < 3; ++i) {
        EXPECT_OWN_OR_OLD(point[i]);
        EXPECT_OWN_OR_OLD(cal[i]);
    }

    // The line mends; Save and Store send what the panels show, and leave
    // out only what the transmitter holds exactly as shown.
    model.faults = Faults{};
    const Shown written = shown();
    const int carried = set[0] & 0xC4;
    EXPECT_TRUE(carried == (model.word(0) & 0xC4) || carried == 0)
        << "bits carried over come from the transmitter's word, or none was read";
    serial.clearEvents();
    ui.answerConfirm(1); // settings not read in this cell: written once confirmed
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE));
    const int word0 = carried | written.bit0 | (written.bit3 << 3) |
                      (written.mode == 0   ? 0x10
                       : written.mode == 1 ? 0x30
                                           : 0x20);
    auto writes = [&](const std::vector<std::string>& out, const char* const* prefix,
                      const double* shown, const double* held) {
        std::vector<std::string> w;
        for (int i = 0; i < 3; ++i) {
            if (std::any_of(out.begin(), out.end(),
                            [&](const std::string& s) { return s.rfind(prefix[i], 0) == 0; }))
                w.push_back(prefix[i] + real(shown[i]));
            else
                EXPECT_EQ(shown[i], held[i]) << prefix[i] << " left out of " << join(out);
        }
        return w;
    };
    const char* const points[] = {"D1", "D2", "D3"};
    const char* const cals[] = {"D8", "D9", "D0"};
    const std::vector<std::string> saved = sent();
    std::vector<std::string> save = writes(saved, points, written.point, theirs.point);
    save.insert(save.end(),
                {"S0" + std::to_string(word0), "S8" + std::to_string(written.word8), "S!S!"});
    ASSERT_GE(saved.size(), save.size()) << join(saved);
    EXPECT_EQ(join({saved.begin(), saved.begin() + static_cast<long>(save.size())}), join(save));
    serial.clearEvents();
    ui.answerConfirm(1);
    ASSERT_TRUE(ui.commit(p3, SERVICE_STORE));
    EXPECT_EQ(join(sent()), join(writes(sent(), cals, written.cal, theirs.cal)));
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
