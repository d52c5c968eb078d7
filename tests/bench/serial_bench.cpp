// What the line costs: one exchange over a pseudo-terminal against an
// instantly answering k964-sim (through QSerialPort and, as the floor, plain
// POSIX calls), and the full connect read-back (VV, s0..s8, t12, d1..d3)
// through the program's own transactions, against k964-sim paced at 9600
// baud, compared with the time its bytes need on the line.
#include "app/globals.h"
#include "link/link.h"
#include "platform/backends.h"
#include "platform/qt/qt_serial.h"
#include "settings/settings.h"
#include "tests/bench/sim_line.h"
#include "tests/serial/sim_process.h"
#include "trace/line_trace.h"
#include "trace/trace_text.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kByteSeconds = 10.0 / 9600.0;

// Median and 99th percentile of the samples, in microseconds or, with
// `millis`, in milliseconds.
void report_percentiles(benchmark::State& state, std::vector<double> seconds, bool millis = false) {
    if (seconds.empty())
        return;
    std::sort(seconds.begin(), seconds.end());
    auto at = [&](double q) {
        std::size_t i = static_cast<std::size_t>(q * static_cast<double>(seconds.size() - 1));
        return seconds[i] * (millis ? 1e3 : 1e6);
    };
    state.counters[millis ? "p50_ms" : "p50_us"] = at(0.50);
    state.counters[millis ? "p99_ms" : "p99_us"] = at(0.99);
}

// The byte counters from the simulator's status line.
long counter(const std::string& status, const std::string& name) {
    std::size_t at = status.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::stol(status.substr(at + name.size() + 2));
}

// Argument 0: QtSerial alone. 1: through the line trace as the program
// always has it (exchanges kept in memory, no file, no window). 2: the trace
// also written to a file, as with --trace FILE.
void BM_ExchangeQt(benchmark::State& state) {
    SimProcess sim({"--noise", "0"});
    if (!sim.start()) {
        state.SkipWithError(sim.error().c_str());
        return;
    }
    SetProjectDir(sim.dir().c_str());
    QtSerial qt;
    LineTrace trace(qt);
    TraceFile file;
    if (state.range(0) == 2 && file.open(sim.dir() + "/trace.txt"))
        trace.addListener(&file);
    SerialBackend& serial = state.range(0) == 0 ? static_cast<SerialBackend&>(qt) : trace;
    if (serial.open(1, 9600, 0, 8, 1) != 0 || serial.setTimeout(1, 0.6) != 0) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    std::vector<double> samples;
    char buf[24];
    for (auto _ : state) {
        const auto start = Clock::now();
        serial.flushOut(1);
        serial.writeCommand(1, "VV\r", 3);
        serial.flushIn(1, nullptr);
        int stored = 0;
        if (serial.readTerm(1, buf, 24, 13, &stored) != 0 || stored != 10) {
            state.SkipWithError("no reply");
            break;
        }
        samples.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    report_percentiles(state, std::move(samples));
}
BENCHMARK(BM_ExchangeQt)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_ExchangePosix(benchmark::State& state) {
    SimProcess sim({"--noise", "0"});
    if (!sim.start()) {
        state.SkipWithError(sim.error().c_str());
        return;
    }
    int fd = ::open(sim.linkPath().c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        state.SkipWithError("cannot open the simulator's device");
        return;
    }
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        tcflush(fd, TCIFLUSH);
        if (::write(fd, "VV\r", 3) != 3) {
            state.SkipWithError("write failed");
            break;
        }
        std::string reply;
        while (reply.find('\r') == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            char buf[64];
            ssize_t n = poll(&p, 1, 600) == 1 ? ::read(fd, buf, sizeof buf) : -1;
            if (n <= 0)
                break;
            reply.append(buf, static_cast<std::size_t>(n));
        }
        if (reply != "VV K964 V3\r") {
            state.SkipWithError("no reply");
            break;
        }
        samples.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    ::close(fd);
    report_percentiles(state, std::move(samples));
}
BENCHMARK(BM_ExchangePosix)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// Argument: 1 paced at 9600 baud, 0 unpaced.
void BM_ConnectReadBack(benchmark::State& state) {
    const bool paced = state.range(0) != 0;
    std::vector<std::string> options = {"--noise", "0"};
    if (paced)
        options.push_back("--pace");
    SimLine line(options, ZEIT_NORMAL, state);
    if (!line.ok())
        return;
    SimProcess& sim = line.sim;
    const std::string before = sim.command("status");
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        set[8] = 0;
        vollen();
        holset();
        samples.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        if (ReturnRS232Err() != 0 || set[8] != 1000) {
            state.SkipWithError("the read-back failed");
            break;
        }
    }
    const std::string after = sim.command("status");
    const long bytes = counter(after, "bytes-in") + counter(after, "bytes-out") -
                       counter(before, "bytes-in") - counter(before, "bytes-out");
    if (!samples.empty()) {
        const double line = bytes * kByteSeconds / static_cast<double>(samples.size());
        std::vector<double> sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        state.counters["bytes"] = static_cast<double>(bytes) / static_cast<double>(samples.size());
        state.counters["line_ms"] = line * 1e3;
        state.counters["ratio"] = sorted[sorted.size() / 2] / line;
    }
    report_percentiles(state, std::move(samples), true);
}
BENCHMARK(BM_ConnectReadBack)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace
