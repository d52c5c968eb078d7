// The line trace as text: a line for each exchange's beginning, one for each
// step, one for its end with the duration and the error code.
//
//      412.031 ms  #3  exchange
//      412.031 ms        flush out
//      412.035 ms        write    "VV\r"
//      412.036 ms        flush in
//      412.040 ms        reply    "VV K964 V3.0\r"
//      414.176 ms  #3  end, 2.145 ms, error 0
//
// Bytes in quotes as visible_bytes shows them, so every byte can be read
// back. Bytes
// thrown away say why: "flush in" with the bytes it discarded, "remnant"
// (the rest of a reply cut at 24 bytes), "stale" (a late line's rest),
// "settle" (what came while the line settled after a time-out). A reply
// followed by another reply in the same exchange was a late line.
#pragma once

#include "trace/line_trace.h"

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

// An opening or a time-out setting is one line, without steps or end.
bool trace_single_line(const TraceExchange& exchange);
std::string trace_head(const TraceExchange& exchange);
std::string trace_step(const TraceStep& step);
std::string trace_end(const TraceExchange& exchange);
// All of an exchange's lines.
std::string trace_text(const TraceExchange& exchange);

// Writes the trace to a file as it happens, each line flushed at once, so
// that an exit or a crash loses nothing that happened before it. After a
// line that could not be written the file gets no more.
class TraceFile : public TraceListener {
  public:
    TraceFile() = default;
    ~TraceFile() override;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Creates or empties the file; false, with errno set, when it cannot.
    bool open(const std::string& path);
    // `report` hears once why a line could not be written.
    void onFailure(std::function<void(const std::string& reason)> report) {
        report_ = std::move(report);
    }
    // False when the file, or a line before, could not be written.
    bool close();
    void stepDone(const TraceExchange& exchange, const TraceStep& step) override;
    void exchangeEnded(const TraceExchange& exchange) override;

  private:
    void put(const std::string& text);
    void fail();
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    std::function<void(const std::string&)> report_;
};
