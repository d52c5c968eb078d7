// The benchmarks run headless: the offscreen platform unless another is
// asked for, and a private runtime directory. With --trace-memory=HOW it
// is the trace window's memory benchmark's measuring process instead.
#include "tests/bench/trace_bench.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstring>

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* kTraceMemory = "--trace-memory=";
    const bool child = argc == 2 && std::strncmp(argv[1], kTraceMemory, 15) == 0;
    if (!child && benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    // QSerialPort needs an application object on the thread that uses it,
    // the start-up benchmark a widgets one.
    QApplication app(argc, argv);
    if (child)
        return trace_memory_child(argv[1] + std::strlen(kTraceMemory));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
