// One calibration as the history keeps it: who, which transmitter, which
// gas, the readings before ("as found") and after ("as left"), the
// constants before and after, the tolerance and how it ended. Times are
// local wall-clock times, "2026-12-09T10:32:05". Nothing of this is ever
// sent to the transmitter.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

enum class CalibrationKind { Zero, Span };

// How a calibration ended:
//   Accepted   the command was taken and the result kept (a constant beyond
//              the tolerance only after a second confirmation)
//   Rejected   the command was taken, the technician did not accept the
//              result (beyond the tolerance)
//   Cancelled  cancelled after the command went out
//   Failed     the command got no reply, or a guard refused it
enum class CalibrationOutcome { Accepted, Rejected, Cancelled, Failed };

struct TestGas {
    std::string concentration; // as entered, "20.9"
    std::string unit;          // "ppm", "%", "mV"
    std::string lot;           // cylinder or lot number
    std::string expiry;        // "2027-06-30"
};

// What the service panel showed at one moment. A value the panel had no
// number for is empty.
struct CalibrationReading {
    std::string at;               // when it was taken
    std::optional<double> value;  // the main value
    std::string unit;             // the main value's unit
    std::optional<double> u1;     // the calibration voltage, mV
    bool stable = false;          // the trend said "stable"
    std::optional<double> spread; // ± of the stability, in `unit`

    bool taken() const { return !at.empty() || value.has_value(); }
};

struct CalibrationEntry {
    std::int64_t id = 0; // given by the store
    CalibrationKind kind = CalibrationKind::Zero;
    std::string started;
    std::string finished;
    std::string technician;
    std::string tag;    // site or tag of the transmitter
    std::string device; // the transmitter's VV reply
    std::string port;   // "COM1 -> /dev/ttyUSB0"
    TestGas gas;
    CalibrationReading asFound;
    CalibrationReading asLeft;
    // Constants 8, 9 and 0, before and after; empty where not read.
    std::array<std::optional<double>, 3> before;
    std::array<std::optional<double>, 3> after;
    double tolerancePercent = 0.0;
    bool beyondTolerance = false;
    bool wentOnUnstable = false; // the technician went on without "stable"
    CalibrationOutcome outcome = CalibrationOutcome::Failed;
    std::string note;    // the status text of a failure, the warning given
    std::string program; // k964 and its version, "k964 3.0"
};

// The entry's text fields, in the order the history and its CSV keep them
// (after the kind).
template <class Entry> auto text_fields(Entry& e) {
    return std::array{&e.started, &e.finished,          &e.technician, &e.tag,     &e.device,
                      &e.port,    &e.gas.concentration, &e.gas.unit,   &e.gas.lot, &e.gas.expiry};
}

// "zero", "span"
inline const char* kind_name(CalibrationKind kind) {
    return kind == CalibrationKind::Span ? "span" : "zero";
}

// "accepted", "rejected", "cancelled", "failed"
inline const char* outcome_name(CalibrationOutcome outcome) {
    switch (outcome) {
    case CalibrationOutcome::Accepted:
        return "accepted";
    case CalibrationOutcome::Rejected:
        return "rejected";
    case CalibrationOutcome::Cancelled:
        return "cancelled";
    case CalibrationOutcome::Failed:
        break;
    }
    return "failed";
}
