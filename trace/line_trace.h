// The line trace: a serial backend that passes every operation on to the
// real one and records it with its bytes, its result and the time it began,
// in milliseconds since the trace started on the line's own monotonic
// clock; each exchange also notes the wall-clock time it began. Every byte is there with what
// happened to it: written, received as the reply, flushed, or read and thrown away by the line
// discipline (the rest of a cut reply, a late reply, what arrived while the line settled).
//
// An exchange runs from the first operation after the previous exchange's
// reply to the reply read and the reads that throw bytes away after it;
// opening the port and setting its time-out are entries of their own.
// Listeners hear each step as it is done and each exchange once it is over
// (when the next one begins, or when finish() says so) and kept; the trace
// keeps the last 10 000, numbered one after the other. The logic above
// cannot tell it is there.
#pragma once

#include "platform/backends.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct TraceStep {
    enum Kind { Open, SetTime, FlushOut, FlushIn, Write, Read } kind = Write;
    ReadPurpose purpose = ReadPurpose::Reply; // Read only
    double ms = 0.0;                          // when it began
    std::string bytes;  // Write: written; FlushIn: thrown away; Read: received,
                        // the terminator included when the read ended on it
    int result = 0;     // what the backend returned
    double value = 0.0; // Open: the port number; SetTime: the time-out in s
    bool probe = false; // Write: the probe that gets the line back in step
};

struct TraceExchange {
    long number = 0;
    double ms = 0.0;       // when the first step began
    double wall = 0.0;     // the same moment, seconds since the epoch
    double duration = 0.0; // ms, to the end of the last step
    int error = 0;         // the reply read's code (else the last failing step's)
    std::vector<TraceStep> steps;

    // The command written (its last write, the probe left out), and the
    // bytes the last reply read stored (the reply the program got, without
    // the terminator).
    std::string sent() const;
    std::string reply() const;
    bool hasReply() const;
    // Lines read as replies and then found to be an earlier command's.
    int lateLines() const;
    // The exchange first got the line back in step.
    bool resynced() const;
};

class TraceListener {
  public:
    virtual ~TraceListener() = default;
    virtual void stepDone(const TraceExchange& exchange, const TraceStep& step) {
        (void)exchange, (void)step;
    }
    virtual void exchangeEnded(const TraceExchange& exchange) = 0;
};

class LineTrace : public SerialBackend {
  public:
    static constexpr std::size_t kKept = 10000;

    // `wallClock`: seconds since the epoch (default: the system clock).
    explicit LineTrace(SerialBackend& inner, std::function<double()> wallClock = {});

    void addListener(TraceListener* listener) { listeners_.push_back(listener); }
    void removeListener(TraceListener* listener);
    // Ends the exchange in progress: the callback that ran it has returned.
    void finish();
    // The last kKept exchanges, oldest first; the numbers follow one another.
    const std::deque<TraceExchange>& exchanges() const { return kept_; }
    void clear() { kept_.clear(); }

    int open(int port, long baudRate, int parity, int dataBits, int stopBits) override;
    int setTimeout(int port, double seconds) override;
    int flushOut(int port) override;
    int flushIn(int port, std::string* flushed) override;
    int write(int port, const char* bytes, int count, WritePurpose purpose) override;
    int read(int port, const LineRead& how, char* buffer, int count, int* stored) override;
    double now() override { return inner_.now(); }
    const char* openFailure() const override { return inner_.openFailure(); }

  private:
    double millis();
    // A step of the current exchange, or of a new one when the current one
    // is over; done() records the result and tells the listeners.
    TraceStep& begin(TraceStep::Kind kind, bool closesAfterReply);
    int done(int result);
    void endExchange();

    SerialBackend& inner_;
    std::function<double()> wallClock_;
    const double start_;
    TraceExchange current_;
    bool replied_ = false; // the current exchange has read its reply
    long next_ = 1;
    std::deque<TraceExchange> kept_;
    std::vector<TraceListener*> listeners_;
};
