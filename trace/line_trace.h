// The line trace: a serial backend that passes every operation on to the
// real one and records it with its bytes, its result and the time it began
// (monotonic milliseconds since the trace started). The operations from one
// read to the next make an exchange; each exchange, once its read has
// returned, goes to the listeners and into a store of the last 10 000.
// The logic above cannot tell it is there.
#pragma once

#include "platform/backends.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

struct TraceStep {
    enum Kind { Open, SetTime, FlushOut, FlushIn, Write, Read } kind = Write;
    double ms = 0.0;    // when it began
    std::string bytes;  // Write: the bytes written; Read: the bytes received,
                        // the terminator included when the read ended on it
    int result = 0;     // the RS-232 code it set
    double value = 0.0; // Open: the port number; SetTime: the time-out in s
};

struct TraceExchange {
    long number = 0;
    double ms = 0.0;       // when the first step began
    double duration = 0.0; // ms, to the end of the last step
    int error = 0;         // the code the last step set
    std::vector<TraceStep> steps;

    // The bytes written, and the bytes the last read stored (the reply as
    // the program got it, without the terminator).
    std::string sent() const;
    std::string reply() const;
    bool hasRead() const;
};

class TraceListener {
  public:
    virtual ~TraceListener() = default;
    virtual void exchangeEnded(const TraceExchange& exchange) = 0;
};

class LineTrace : public SerialBackend {
  public:
    static constexpr std::size_t kKept = 10000;

    explicit LineTrace(SerialBackend& inner);

    SerialBackend& inner() const { return inner_; }
    void addListener(TraceListener* listener) { listeners_.push_back(listener); }
    void removeListener(TraceListener* listener);
    // The last kKept exchanges, oldest first.
    const std::deque<TraceExchange>& exchanges() const { return kept_; }
    void clear() { kept_.clear(); }

    int open(int port, long baudRate, int parity, int dataBits, int stopBits) override;
    int setTimeout(int port, double seconds) override;
    int flushOut(int port) override;
    int flushIn(int port) override;
    int write(int port, const char* bytes, int count) override;
    int readTerm(int port, char* buffer, int count, int terminator, int* stored) override;

  private:
    double now() const;
    // Starts a step of the current exchange; ended by done().
    TraceStep& begin(TraceStep::Kind kind);
    int done(int result);
    void endExchange();

    SerialBackend& inner_;
    const std::chrono::steady_clock::time_point start_;
    TraceExchange current_;
    long next_ = 1;
    std::deque<TraceExchange> kept_;
    std::vector<TraceListener*> listeners_;
};
