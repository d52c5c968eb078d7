// The line trace as text, one line per step under a line per exchange:
//
//      412.031 ms  #3  exchange 2.145 ms, error 0
//      412.031 ms        flush out
//      412.040 ms        write  VV\r
//      412.041 ms        flush in
//      412.052 ms        read   VV K964 V3.0\r
//
// Bytes as visible_bytes shows them, so every byte can be read back.
#pragma once

#include "trace/line_trace.h"

#include <cstdio>
#include <string>

std::string trace_text(const TraceExchange& exchange);

// Writes every exchange to a file as it ends, flushed at once, so that an
// exit or a crash loses nothing that happened before it.
class TraceFile : public TraceListener {
  public:
    TraceFile() = default;
    ~TraceFile() override;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Creates or empties the file; false, with errno set, when it cannot.
    bool open(const std::string& path);
    void exchangeEnded(const TraceExchange& exchange) override;

  private:
    std::FILE* file_ = nullptr;
};
