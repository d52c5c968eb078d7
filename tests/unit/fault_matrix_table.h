// The fault matrix's cells: the technician's actions, the faults the
// simulated transmitter plays, and the status text each cell leaves.
// Included by fault_matrix_test.cpp only.
#pragma once

namespace {

enum Action { Connect, ReRead, Save, OpenService, Poll, Store, Zero, Span, kActions };
enum Fault {
    Silent,
    Late,
    SlowSave,
    WrongLetter,
    Overlong,
    Exact24,
    LateVV,
    LateT12,
    LateD8,
    VeryLateT12D8,
    DuringFlush,
    NoCr,
    Garbage,
    Dropped,
    UsbOverlong,
    UsbExact24,
    PauseInRest,
    LongerThanTimeOut,
    VeryLateVV,
    VeryLateU1,
    LateD1,
    LateSave,
    OtherCase,
    CrLf,
    NoiseNul,
    NoiseFF,
    NoiseLF,
    Babble,
    kFaults
};

const char* const kActionNames[] = {"connect", "reread", "save", "open_service",
                                    "poll",    "store",  "zero", "span"};
const char* const kFaultNames[] = {"silent",        "late",
                                   "slow_save",     "wrong_letter",
                                   "overlong",      "exact24",
                                   "late_vv",       "late_t12",
                                   "late_d8",       "very_late_t12_d8",
                                   "during_flush",  "no_cr",
                                   "garbage",       "dropped",
                                   "usb_overlong",  "usb_exact24",
                                   "pause_in_rest", "longer_than_time_out",
                                   "very_late_vv",  "very_late_u1",
                                   "late_d1",       "late_save",
                                   "other_case",    "crlf",
                                   "noise_nul",     "noise_ff",
                                   "noise_lf",      "babble"};

#define ALL_OK                                                                                     \
    { "ok", "ok", "ok", "ok", "ok", "ok", "ok", "ok" }
#define NO_LINE                                                                                    \
    {                                                                                              \
        "NO CONNECT 3", "NO CONNECT 3", "NO CONNECT 5", "NO CONNECT 5", "ERROR1 NO CONNECT",       \
            "NO CONNECT 5", "ERROR NO CONNECT", "ERROR1 NO CONNECT"                                \
    }

// The status text after the action; "exit" for the open-failure path.
const char* const kExpected[kFaults][kActions] = {
    // connect, re-read, save, open service, poll, store, zero, span (its poll after the question)
    NO_LINE,
    {"NO CONNECT 3", "NO CONNECT 3", "ok", "NO CONNECT 5", "ERROR1 NO CONNECT", "NO CONNECT 5",
     "ERROR NO CONNECT", "ERROR1 NO CONNECT"},
    ALL_OK,
    // A reply to s0 or d8 that begins with x is not theirs.
    {"NO CONNECT 3", "NO CONNECT 3", "NO CONNECT 3", "NO CONNECT 5", "x2", "NO CONNECT 5", "ok",
     "x2"},
    ALL_OK,
    ALL_OK,
    ALL_OK,
    ALL_OK,
    {"ok", "ok", "ok", "NO CONNECT 5", "ok", "NO CONNECT 5", "ok", "ok"},
    {"ok", "ok", "ok", "NO CONNECT 5", "ok", "NO CONNECT 5", "ok", "ok"},
    {"ok", "ok", "ok", "ok", "ERROR1 NO CONNECT", "ok", "ok", "ERROR1 NO CONNECT"},
    NO_LINE,
    ALL_OK,
    {"exit", "NO CONNECT 3", "NO CONNECT 5", "NO CONNECT 5", "ERROR1 NO CONNECT", "NO CONNECT 5",
     "ERROR NO CONNECT", "ERROR1 NO CONNECT"},
    ALL_OK,
    ALL_OK,
    ALL_OK,
    ALL_OK,
    ALL_OK,
    {"ok", "ok", "ok", "ok", "ERROR1 NO CONNECT", "ok", "ok", "ERROR1 NO CONNECT"},
    {"ok", "ok", "NO CONNECT 5", "ok", "ok", "ok", "ok", "ok"},
    {"ok", "ok", "NO CONNECT 6", "ok", "ok", "ok", "ok", "ok"},
    // u and M in the other case fail the poll's own letter checks.
    {"ok", "ok", "ok", "ok", "m2", "ok", "ok", "m2"},
    ALL_OK,
    ALL_OK,
    ALL_OK,
    ALL_OK,
    NO_LINE,
};

} // namespace
