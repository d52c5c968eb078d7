// The line trace as text: a line for each exchange's beginning, one for each
// step, one for its end with the duration, the error code and what the line
// discipline did on the way. Times are the wall clock's, local, to the
// millisecond.
//
//   10:32:05.412  #3  exchange
//   10:32:05.412        flush out
//   10:32:05.412        write    "VV\r"
//   10:32:05.412        flush in
//   10:32:05.424        reply    "VV K964 V3.0\r"
//   10:32:05.426  #3  end, 2.145 ms, error 0
//
// Bytes in quotes as visible_bytes shows them, so every byte can be read
// back. Bytes thrown away say why: "flush in" with the bytes it discarded,
// "rest" (the rest of a reply cut at 24 bytes), "late" (the rest of a late
// line), "in step" (read while the line got back in step after a "probe").
// A reply followed by another reply in the same exchange was a late line.
#pragma once

#include "trace/line_trace.h"

#include <cstdio>
#include <string>
#include <string_view>

// An opening or a time-out setting is one line, without steps or end.
bool trace_single_line(const TraceExchange& exchange);
std::string trace_head(const TraceExchange& exchange);
std::string trace_step(const TraceExchange& exchange, const TraceStep& step);
std::string trace_end(const TraceExchange& exchange);
// All of an exchange's lines.
std::string trace_text(const TraceExchange& exchange);

// Local wall-clock time of `wall` (seconds since the epoch): "10:32:05.412".
std::string trace_clock(double wall);
// When a step began, on the wall clock.
double trace_wall(const TraceExchange& exchange, const TraceStep& step);
// Milliseconds with three decimals, whatever the locale: "2.145".
std::string trace_ms(double ms);
// A result code with its meaning: "-99 (time-out)".
std::string trace_code(int result);
// The meaning alone: "time-out", "error -7" for a code without one.
std::string trace_error(int result);
// What a step did: "flush out", "write", "probe", "reply", "rest", "late",
// "in step", "open port 3", "time-out 0.6 s".
std::string trace_step_name(const TraceStep& step);
// Every byte as two hexadecimal digits, separated by blanks: "73 30 0D".
std::string hex_bytes(std::string_view bytes);

// Writes the trace to a file as it happens, each line flushed at once, so
// that an exit or a crash loses nothing that happened before it.
class TraceFile : public TraceListener {
  public:
    TraceFile() = default;
    ~TraceFile() override;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Creates or empties the file; false, with errno set, when it cannot.
    bool open(const std::string& path);
    void stepDone(const TraceExchange& exchange, const TraceStep& step) override;
    void exchangeEnded(const TraceExchange& exchange) override;

  private:
    void put(const std::string& text);
    std::FILE* file_ = nullptr;
};
