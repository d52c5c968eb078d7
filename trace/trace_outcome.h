// What became of an exchange and of each of its steps, in words and as one
// of three results, for the trace's lines, its colours and its filter.
#pragma once

#include "trace/line_trace.h"

#include <cstddef>
#include <string>

// Failed: the exchange's code is not 0. Recovered: it got its reply, but
// the line discipline threw bytes away or got the line back in step on the
// way. Ok: neither.
enum class TraceResult { Ok, Recovered, Failed };

// What the discipline did, "" when nothing: "4 bytes flushed, the rest of a
// cut line thrown away, 1 late line thrown away, back in step after a probe".
std::string trace_notes(const TraceExchange& exchange);
// "ok" or the error ("time-out"), then the notes.
std::string trace_outcome(const TraceExchange& exchange);
TraceResult trace_result(const TraceExchange& exchange);

// Step `step` of the exchange: "" for a plain one, the error, or why its
// bytes were thrown away ("a late line, thrown away").
std::string trace_step_outcome(const TraceExchange& exchange, std::size_t step);
TraceResult trace_step_result(const TraceExchange& exchange, std::size_t step);

// One of the live poll's commands (u1, u5, u9, m2).
bool trace_is_poll(const TraceExchange& exchange);
