// The line trace over the in-memory line: every operation and every byte the
// line saw, with what happened to it, under the faults of a line at real
// speed; its text, its file, and the visible form of bytes.
#include "platform/visible.h"
#include "settings/settings.h"
#include "tests/support/logic_fixture.h"
#include "tests/support/wall_clock.h"
#include "trace/line_trace.h"
#include "trace/trace_outcome.h"
#include "trace/trace_text.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

struct LineCase {
    const char* name;
    std::function<void(Faults&)> fault;
    bool service; // also open the service panel (constants d8, d9, d0)
    // What became of the first exchange that sent `sent`, and of the first
    // of its steps that had something happen to it.
    const char* sent;
    const char* outcome;
    TraceResult result;
    const char* firstStep;
};

class TraceTest : public LogicTest, public ::testing::WithParamInterface<LineCase> {
  protected:
    TraceTest() : trace(serial) { SetSerialBackend(&trace); }
    LineTrace trace;
};

// What the backend itself saw, as the trace should show it: a read that
// ended on its terminator has the terminator on the line.
std::string as_traced(const SerialEvent& e) {
    std::string bytes = e.bytes;
    if (e.kind == SerialEvent::Read && e.result == 0 && static_cast<int>(bytes.size()) < e.count)
        bytes += '\r';
    return bytes;
}

TEST_P(TraceTest, EveryOperationAndEveryByteIsTracedWithWhatHappenedToIt) {
    GetParam().fault(model.faults);
    connect();
    if (GetParam().service)
        ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    trace.finish();

    std::vector<TraceStep> steps;
    for (const TraceExchange& e : trace.exchanges())
        steps.insert(steps.end(), e.steps.begin(), e.steps.end());
    const std::vector<SerialEvent>& events = serial.events();
    ASSERT_EQ(steps.size(), events.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(static_cast<int>(steps[i].kind), static_cast<int>(events[i].kind));
        EXPECT_EQ(steps[i].result, events[i].result);
        if (steps[i].kind == TraceStep::Read) {
            EXPECT_EQ(steps[i].purpose, events[i].purpose);
            EXPECT_EQ(visible_bytes(steps[i].bytes), visible_bytes(as_traced(events[i])));
        } else if (steps[i].kind == TraceStep::Write || steps[i].kind == TraceStep::FlushIn) {
            EXPECT_EQ(visible_bytes(steps[i].bytes), visible_bytes(events[i].bytes));
            EXPECT_EQ(steps[i].probe, events[i].probe);
        }
    }

    // One command per exchange, in the order sent; the reply an exchange
    // hands on is what the procedure stored.
    std::vector<std::string> sent;
    for (const TraceExchange& e : trace.exchanges()) {
        if (e.hasReply()) {
            ASSERT_EQ(e.sent().back(), '\r');
            sent.push_back(e.sent().substr(0, e.sent().size() - 1));
        }
    }
    EXPECT_EQ(join(sent), join(serial.commands()));

    const auto& kept = trace.exchanges();
    const auto e = std::find_if(kept.begin(), kept.end(),
                                [](const TraceExchange& x) { return x.sent() == GetParam().sent; });
    ASSERT_NE(e, kept.end()) << GetParam().sent;
    EXPECT_EQ(trace_outcome(*e), GetParam().outcome) << trace_text(*e);
    EXPECT_EQ(trace_result(*e), GetParam().result);
    std::string step;
    for (std::size_t i = 0; i < e->steps.size() && step.empty(); ++i)
        step = trace_step_outcome(*e, i);
    EXPECT_EQ(step, GetParam().firstStep);
}

const LineCase kLineCases[] = {
    {"answering", [](Faults&) {}, true, "s0\r", "ok", TraceResult::Ok, ""},
    {"overlong", [](Faults& f) { f.overlong = true; }, true, "s0\r",
     "ok, the rest of a cut line thrown away", TraceResult::Recovered,
     "the rest of a cut line, thrown away"},
    {"late_t12", [](Faults& f) { f.latencyFor["t12"] = 900; }, false, "d1\r",
     "ok, back in step after a probe", TraceResult::Recovered, "sent to get back in step"},
    {"late_d8", [](Faults& f) { f.latencyFor["d8"] = 1200; }, true, "d9\r",
     "ok, back in step after a probe", TraceResult::Recovered, "sent to get back in step"},
    {"silent", [](Faults& f) { f.silent = true; }, false, "VV\r", "time-out", TraceResult::Failed,
     "time-out"},
    {"garbage", [](Faults& f) { f.garbage = true; }, false, "s0\r", "ok", TraceResult::Ok, ""},
    {"usb_overlong",
     [](Faults& f) {
         f.usbLatencyMs = 16;
         f.overlong = true;
     },
     true, "s0\r", "ok, the rest of a cut line thrown away", TraceResult::Recovered,
     "the rest of a cut line, thrown away"},
    {"late_vv", [](Faults& f) { f.latencyFor["VV"] = 1200; }, true, "s0\r",
     "ok, back in step after a probe", TraceResult::Recovered, "sent to get back in step"},
    {"crlf_noise",
     [](Faults& f) {
         f.crlf = true;
         f.noise = std::string(1, '\0');
     },
     false, "s0\r", "ok", TraceResult::Ok, ""},
};

INSTANTIATE_TEST_SUITE_P(Line, TraceTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TraceTest, TheRestOfACutLineIsReadInItsOwnExchange) {
    model.faults.overlong = true;
    connect();
    trace.finish();
    const TraceExchange& s0 = trace.exchanges().at(3); // open, time-out, VV, s0
    ASSERT_EQ(s0.sent(), "s0\r");
    EXPECT_EQ(s0.reply().size(), 24u);
    EXPECT_EQ(s0.error, 0);
    const TraceStep& last = s0.steps.back();
    EXPECT_EQ(last.purpose, ReadPurpose::Remnant);
    EXPECT_EQ(last.bytes, "******\r");
    EXPECT_NE(trace_text(s0).find("rest     \"******\\r\""), std::string::npos) << trace_text(s0);
}

TEST_F(TraceTest, ALateReplyIsThrownAwayWhileTheLineGetsBackInStepAndSaysSo) {
    model.faults.latencyFor["t12"] = 900;
    connect();
    trace.finish();
    const TraceExchange* t12 = nullptr;
    const TraceExchange* d1 = nullptr;
    for (const TraceExchange& e : trace.exchanges()) {
        if (e.sent() == "t12\r")
            t12 = &e;
        if (e.sent() == "d1\r")
            d1 = &e;
    }
    ASSERT_TRUE(t12 && d1);
    EXPECT_EQ(t12->error, RS232_TIMEOUT);
    EXPECT_EQ(t12->reply(), "");
    std::string thrown;
    for (const TraceStep& s : d1->steps) {
        if (s.kind == TraceStep::Read && s.purpose != ReadPurpose::Reply)
            thrown += s.bytes;
    }
    EXPECT_NE(thrown.find("t12 "), std::string::npos) << visible_bytes(thrown);
    EXPECT_EQ(d1->reply().rfind("d1 ", 0), 0u);
    EXPECT_EQ(d1->error, 0);
    EXPECT_TRUE(d1->resynced());
    EXPECT_NE(trace_text(*d1).find("probe    \"s1\\r\""), std::string::npos) << trace_text(*d1);
    EXPECT_NE(trace_text(*d1).find("back in step after a probe"), std::string::npos);
    EXPECT_NE(trace_text(*t12).find("error -99 (time-out)"), std::string::npos);
}

TEST(TraceText, AnExchangeAsLines) {
    TraceExchange e;
    e.number = 7;
    e.ms = 1.5;
    e.duration = 2.25;
    e.error = 0;
    e.wall = at_10_32_05_412();
    auto step = [&](TraceStep::Kind kind, double ms, std::string bytes, int result = 0,
                    ReadPurpose purpose = ReadPurpose::Reply) {
        TraceStep s;
        s.kind = kind;
        s.ms = ms;
        s.bytes = std::move(bytes);
        s.result = result;
        s.purpose = purpose;
        e.steps.push_back(s);
    };
    step(TraceStep::FlushOut, 1.5, "");
    step(TraceStep::Write, 1.5, "d1\r");
    step(TraceStep::FlushIn, 1.625, std::string("x\0", 2));
    step(TraceStep::Read, 2.0, "t12 3\r");
    step(TraceStep::Read, 3.0, "d1 \"5\\\xB0\r");
    step(TraceStep::Read, 3.5, "s1 1\r", 0, ReadPurpose::Resync);
    step(TraceStep::Read, 3.625, "**\r", 0, ReadPurpose::Stale);
    EXPECT_EQ(trace_text(e),
              "10:32:05.412  #7  exchange\n"
              "10:32:05.412        flush out\n"
              "10:32:05.412        write    \"d1\\r\"\n"
              "10:32:05.412        flush in \"x\\x00\"\n"
              "10:32:05.412        reply    \"t12 3\\r\"\n"
              "10:32:05.413        reply    \"d1 \\\"5\\\\\\xB0\\r\"\n"
              "10:32:05.414        in step  \"s1 1\\r\"\n"
              "10:32:05.414        late     \"**\\r\"\n"
              "10:32:05.414  #7  end, 2.250 ms, error 0, 2 bytes flushed, 1 late line thrown "
              "away\n");
    EXPECT_EQ(e.reply(), "d1 \"5\\\xB0");
    EXPECT_EQ(e.lateLines(), 1);
    EXPECT_EQ(trace_step_outcome(e, 3), "a late line, thrown away");
    EXPECT_EQ(trace_step_outcome(e, 4), "");
    EXPECT_EQ(hex_bytes(e.steps[4].bytes), "64 31 20 22 35 5C B0 0D");

    TraceExchange open;
    open.number = 1;
    open.wall = e.wall;
    open.steps.push_back({TraceStep::Open, ReadPurpose::Reply, 0.0, "", RS232_CANNOT_OPEN, 3});
    open.error = RS232_CANNOT_OPEN;
    EXPECT_EQ(trace_text(open), "10:32:05.412  #1  open port 3, error -2 (cannot open)\n");
}

TEST_F(TraceTest, TheFileHasEveryLineAsSoonAsItHappened) {
    const std::string path = dir + "/trace.txt";
    TraceFile file;
    ASSERT_TRUE(file.open(path));
    trace.addListener(&file);
    auto read = [&] {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };
    connect();
    // The last exchange's reply is in the file before the exchange is over.
    EXPECT_NE(read().find("reply    \"d3 "), std::string::npos);
    EXPECT_EQ(read().find("#16  end"), std::string::npos);
    trace.finish();
    std::string all;
    for (const TraceExchange& e : trace.exchanges())
        all += trace_text(e);
    EXPECT_EQ(read(), all);
    trace.removeListener(&file);
}

TEST(TraceText, AFileThatCannotBeCreatedIsRefused) {
    TraceFile file;
    EXPECT_FALSE(file.open("/nonexistent-dir/trace.txt"));
}

TEST_F(TraceTest, KeepsTheLastTenThousandExchanges) {
    connect();
    ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    while (trace.exchanges().size() < LineTrace::kKept)
        ui.tick(p3, POLL_TIMER);
    const long first = trace.exchanges().front().number;
    ui.tick(p3, POLL_TIMER);
    trace.finish();
    EXPECT_EQ(trace.exchanges().size(), LineTrace::kKept);
    EXPECT_GT(trace.exchanges().front().number, first);
}

TEST(VisibleBytes, EveryByteShowsAndReadsBack) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string text = visible_bytes(all);
    for (char c : text)
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
    std::string back;
    ASSERT_TRUE(bytes_from_visible(text, &back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(visible_bytes(std::string("u\r\n\0\x7F\x80\\\"", 8)),
              "u\\r\\n\\x00\\x7F\\x80\\\\\\\"");
    for (const char* bad : {"\\", "\\q", "\\x4", "\\xZZ"})
        EXPECT_FALSE(bytes_from_visible(bad, &back)) << bad;
}

} // namespace
