// The trace window's memory, measured in a process of its own: this
// program run again with --trace-memory=open or --trace-memory=closed.
#pragma once

// 40 000 live-poll exchanges through a line trace, with the trace window
// open or closed; prints the resident set before and after, in KiB, and
// the milliseconds a poll took. Returns the exit status.
int trace_memory_child(const char* how);
