// What the line trace window costs: the resident set after 40 000 exchanges
// with the window open against the same with it closed, each in a process
// of its own (this program, run again with --trace-memory=open or =closed)
// that has started as the program does, its main panel on the screen; and
// how long Pause, Resume and Clear hold up the program with the window open
// over a full trace. The exchanges are the live poll's (u1, u5, u9,
// m2) on a line that answers at once; after each poll the event loop runs,
// as it does between two polls in the program.
#include "tests/bench/trace_bench.h"
#include "tests/support/resident.h"

#include "app/shell.h"
#include "platform/backends.h"
#include "platform/platform.h"
#include "platform/qt/qt_ui.h"
#include "trace/line_trace.h"
#include "trace/trace_window.h"
#include "ui/callbacks.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A transmitter that answers every poll command at once.
class InstantLine : public SerialBackend {
  public:
    int open(int, long, int, int, int) override { return 0; }
    int setTimeout(int, double) override { return 0; }
    int flushOut(int) override { return 0; }
    int flushIn(int, std::string* flushed) override {
        if (flushed)
            flushed->clear();
        return 0;
    }
    int write(int, const char* bytes, int count, WritePurpose) override {
        command_.assign(bytes, static_cast<std::size_t>(count));
        return 0;
    }
    int read(int, const LineRead&, char* buffer, int count, int* stored) override {
        std::string reply = command_ == "u1\r"   ? "u0.1234"
                            : command_ == "u5\r" ? "u25.01"
                            : command_ == "u9\r" ? "u3.712 20.93"
                                                 : "M2";
        *stored = std::min(count, static_cast<int>(reply.size()));
        std::memcpy(buffer, reply.data(), static_cast<std::size_t>(*stored));
        return 0;
    }
    double now() override {
        return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    }

  private:
    std::string command_;
};

// What the event loop does between two polls: timers, layouts, paints.
void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void polls(LineTrace& trace, long count) {
    static const char* const kPoll[] = {"u1\r", "u5\r", "u9\r", "m2\r"};
    char buf[24];
    for (long n = 0; n < count; ++n) {
        for (const char* c : kPoll) {
            trace.flushOut(1);
            trace.writeCommand(1, c, 3);
            trace.flushIn(1, nullptr);
            int stored = 0;
            trace.readTerm(1, buf, 24, 13, &stored);
        }
        trace.finish();
        settle();
    }
}

constexpr long kPolls = 10000; // 40 000 exchanges

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The resident set and the poll's time with the window open and closed,
// each from a process of its own.
void BM_TraceWindowMemory(benchmark::State& state) {
    for (auto _ : state) {
        for (const char* how : {"closed", "open"}) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--trace-memory=") + how});
            if (!child.waitForFinished(30 * 60 * 1000) || child.exitCode() != 0) {
                state.SkipWithError("the measuring process failed");
                return;
            }
            long start = 0;
            long end = 0;
            double pollMs = 0.0;
            const QByteArray out = child.readAllStandardOutput();
            if (std::sscanf(out.constData(), "%ld %ld %lf", &start, &end, &pollMs) != 3) {
                state.SkipWithError("no figures from the measuring process");
                return;
            }
            state.counters[std::string(how) + "_start_MiB"] = start / 1024.0;
            state.counters[std::string(how) + "_MiB"] = end / 1024.0;
            state.counters[std::string(how) + "_poll_ms"] = pollMs;
        }
        state.counters["open_minus_closed_MiB"] =
            state.counters["open_MiB"] - state.counters["closed_MiB"];
    }
}
BENCHMARK(BM_TraceWindowMemory)->Iterations(1)->Unit(benchmark::kSecond);

// Pause, 10 000 exchanges while paused (the whole store replaced), Resume;
// over the full trace then a search that finds nothing (every row and step
// looked at), the switch to hexadecimal and back, and Clear. Argument: what
// the window shows (All, NoPolls). Each time runs until the event loop has
// laid out and painted the window again.
void BM_TracePauseResumeClear(benchmark::State& state) {
    InstantLine line;
    LineTrace trace(line);
    TraceWindow window(trace);
    window.setShow(static_cast<TraceFilter::Show>(state.range(0)));
    window.show();
    settle();
    std::vector<double> pause, resume, find, hex, clear;
    for (auto _ : state) {
        polls(trace, static_cast<long>(LineTrace::kKept) / 4);
        auto t = Clock::now();
        window.setPaused(true);
        settle();
        pause.push_back(ms_since(t));
        polls(trace, static_cast<long>(LineTrace::kKept) / 4);
        t = Clock::now();
        window.setPaused(false);
        settle();
        resume.push_back(ms_since(t));
        t = Clock::now();
        window.find(QStringLiteral("nowhere"), true);
        settle();
        find.push_back(ms_since(t));
        t = Clock::now();
        window.setHex(true);
        settle();
        window.setHex(false);
        settle();
        hex.push_back(ms_since(t) / 2);
        t = Clock::now();
        window.clear();
        settle();
        clear.push_back(ms_since(t));
    }
    using Named = std::pair<const char*, std::vector<double>*>;
    for (const auto& [name, samples] : {Named{"pause", &pause},
                                        {"resume", &resume},
                                        {"find", &find},
                                        {"hex", &hex},
                                        {"clear", &clear}}) {
        std::sort(samples->begin(), samples->end());
        state.counters[std::string(name) + "_p50_ms"] = (*samples)[samples->size() / 2];
        state.counters[std::string(name) + "_max_ms"] = samples->back();
    }
}
BENCHMARK(BM_TracePauseResumeClear)
    ->Arg(TraceFilter::All)
    ->Arg(TraceFilter::NoPolls)
    ->Iterations(5)
    ->Unit(benchmark::kSecond);

} // namespace

int trace_memory_child(const char* how) {
    QTemporaryDir dir;
    if (!QFile::copy(QCoreApplication::applicationDirPath() + "/" + K964_UIR,
                     dir.filePath(K964_UIR)))
        return 1;
    SetProjectDir(dir.path().toLocal8Bit().constData());
    InstallCallbacks(kCallbacks, kCallbackCount);
    QtUi ui;
    SetUiBackend(&ui);
    starten();
    InstantLine line;
    LineTrace trace(line);
    std::unique_ptr<TraceWindow> window;
    if (std::strcmp(how, "open") == 0) {
        window = std::make_unique<TraceWindow>(trace);
        window->show();
    } else if (std::strcmp(how, "closed") != 0) {
        return 2;
    }
    settle();
    const long start = resident_kib();
    const auto t = Clock::now();
    polls(trace, kPolls);
    const double pollMs = ms_since(t) / kPolls;
    std::printf("%ld %ld %.3f\n", start, resident_kib(), pollMs);
    window.reset();
    SetUiBackend(nullptr);
    return 0;
}
