// What the technician waits for outside the exchanges themselves: how long
// the two read time-outs really take against a transmitter that does not
// answer, and how long start-up takes from starten() to the main panel's
// first paint.
#include "app/globals.h"
#include "app/shell.h"
#include "link/link.h"
#include "platform/backends.h"
#include "platform/platform.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"
#include "tests/bench/sim_line.h"
#include "ui/callbacks.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Median and maximum of the samples, in milliseconds.
void report_median_max(benchmark::State& state, std::vector<double> seconds) {
    if (seconds.empty())
        return;
    std::sort(seconds.begin(), seconds.end());
    state.counters["p50_ms"] = seconds[seconds.size() / 2] * 1e3;
    state.counters["max_ms"] = seconds.back() * 1e3;
}

// Argument: the time-out in milliseconds, as the program sets it.
void BM_TimeOut(benchmark::State& state) {
    const double timeout = static_cast<double>(state.range(0)) / 1e3;
    SimLine line({"--silent"}, timeout, state);
    if (!line.ok())
        return;
    std::vector<double> samples;
    for (auto _ : state) {
        std::strcpy(out_buf, "VV\r");
        const auto start = Clock::now();
        tx_owir();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        samples.push_back(elapsed);
        if (ReturnRS232Err() != RS232_TIMEOUT) {
            state.SkipWithError("the read did not time out");
            break;
        }
    }
    if (!samples.empty()) {
        std::vector<double> sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        state.counters["over_ms"] = (sorted[sorted.size() / 2] - timeout) * 1e3;
    }
    report_median_max(state, std::move(samples));
}
BENCHMARK(BM_TimeOut)
    ->Arg(static_cast<int>(ZEIT_NORMAL * 1000))
    ->Arg(static_cast<int>(ZEIT_SCHREIBEN * 1000))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

// Notes when the main window (the only QMainWindow) first paints.
class FirstPaint : public QObject {
  public:
    std::optional<Clock::time_point> at;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!at && event->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && qobject_cast<QMainWindow*>(w->window()))
                at = Clock::now();
        }
        return false;
    }
};

// The start-up the program runs before its event loop, on the Qt backends
// with the real K964_Vx.uir, until the main panel has painted. `first_ms`
// is the first start in the process (fonts and styles still cold), the
// time the technician sees; the rest start warm.
void BM_Startup(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string uir = QCoreApplication::applicationDirPath().toStdString() + "/" + K964_UIR;
    std::error_code ec;
    std::filesystem::copy_file(uir, dir.path().toStdString() + "/" + K964_UIR, ec);
    if (ec) {
        state.SkipWithError("no K964_Vx.uir beside the benchmark");
        return;
    }
    SetProjectDir(dir.path().toLocal8Bit().constData());
    InstallCallbacks(kCallbacks, kCallbackCount);
    std::vector<double> samples;
    for (auto _ : state) {
        auto ui = std::make_unique<QtUi>();
        SetUiBackend(ui.get());
        FirstPaint paint;
        qApp->installEventFilter(&paint);
        const auto start = Clock::now();
        starten();
        const auto deadline = start + std::chrono::seconds(10);
        while (!paint.at && Clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        qApp->removeEventFilter(&paint);
        SetUiBackend(nullptr);
        if (!paint.at) {
            state.SkipWithError("the main panel did not paint");
            break;
        }
        const double elapsed = std::chrono::duration<double>(*paint.at - start).count();
        state.SetIterationTime(elapsed);
        samples.push_back(elapsed);
        ui.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    if (!samples.empty())
        state.counters["first_ms"] = samples.front() * 1e3;
    report_median_max(state, std::move(samples));
}
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

} // namespace
