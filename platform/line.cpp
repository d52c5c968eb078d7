// The RS-232 operations, and the line discipline that keeps every reply with
// its own command on a line at real speed.
//
// At 9600 baud a byte takes about a millisecond, so bytes that the procedures
// do not read are still arriving when the next exchange starts:
// - the rest of a reply cut at the reader's count: read and thrown away in
//   the same exchange, up to its CR, a quiet gap or the read's deadline;
// - a reply that comes after its command's time-out: the next command waits
//   first until 0.35 s have passed since the time-out and the line has gone
//   quiet (giving up after one further time-out), and while a reply is
//   awaited, a line that begins with the echo of a command that timed out
//   ("s3", "t12", "d1", "D8") is that command's late reply and is thrown away.
// An exchange whose reply came in time and whole reads nothing extra.
#include "platform/backends.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

int rs232err = 0;

namespace {

SerialBackend* serial = nullptr;

constexpr double kSettleSeconds = 0.35; // a late reply comes within this
constexpr double kQuietChars = 10.0;    // character times of quiet that end a line
constexpr std::size_t kMaxStale = 16;

struct LineState {
    double timeout = 10.0;          // the port's read time-out, seconds
    double charTime = 10.0 / 9600;  // seconds a character takes on the line
    bool settle = false;            // the last read timed out
    double timedOutAt = 0.0;        // when it did, on the line's clock
    std::string echo;               // the echo the current command's reply begins with
    std::vector<std::string> stale; // echoes of commands that timed out since the last good reply
};

LineState line;

long generation = 0;

int set_err(int code) {
    rs232err = code;
    if (code == RS232_IO_ERROR)
        ++generation;
    return code;
}

// The text a reply to this command begins with, or "" when the command's
// reply has no known echo: the letter and index of the s, t and d commands,
// and of the calibration constants' writes D8, D9, D0.
std::string echo_of(const char* bytes, int count) {
    if (count < 2)
        return "";
    const char c = bytes[0];
    if (c == 'D')
        return (bytes[1] == '8' || bytes[1] == '9' || bytes[1] == '0') ? std::string(bytes, 2) : "";
    if (c != 's' && c != 't' && c != 'd')
        return "";
    int n = 1;
    while (n < count && bytes[n] >= '0' && bytes[n] <= '9')
        ++n;
    return n > 1 ? std::string(bytes, static_cast<std::size_t>(n)) : "";
}

bool begins_with(const char* buffer, int stored, const std::string& text) {
    return !text.empty() && static_cast<std::size_t>(stored) >= text.size() &&
           std::memcmp(buffer, text.data(), text.size()) == 0;
}

// A line that is the late reply of an earlier command, never one that
// begins with the current command's own echo.
bool is_stale(const char* buffer, int stored) {
    if (begins_with(buffer, stored, line.echo))
        return false;
    return std::any_of(line.stale.begin(), line.stale.end(),
                       [&](const std::string& e) { return begins_with(buffer, stored, e); });
}

double quiet_gap() {
    return kQuietChars * line.charTime;
}

// Reads and throws away the rest of a line: up to its terminator, a quiet
// gap, or the deadline. Never sets the error code.
void discard_rest(int port, ReadPurpose purpose, int terminator, double deadline) {
    char scratch[64];
    LineRead how;
    how.purpose = purpose;
    how.terminator = terminator;
    how.quiet = quiet_gap();
    for (;;) {
        how.timeout = deadline - serial->now();
        if (how.timeout <= 0)
            return;
        int stored = 0;
        if (serial->read(port, how, scratch, sizeof scratch, &stored) != 0 ||
            stored < static_cast<int>(sizeof scratch))
            return;
    }
}

// Before the first command after a time-out: lets the late reply arrive and
// throws it away, then waits for the line to go quiet.
void settle(int port) {
    line.settle = false;
    char scratch[64];
    LineRead how;
    how.purpose = ReadPurpose::Settle;
    how.terminator = -1;
    const double until = line.timedOutAt + kSettleSeconds;
    const double give_up = std::max(serial->now(), until) + line.timeout;
    int stored = 0;
    while (serial->now() < until) {
        how.timeout = until - serial->now();
        const int r = serial->read(port, how, scratch, sizeof scratch, &stored);
        if (r < 0 && r != RS232_TIMEOUT)
            return;
    }
    how.quiet = quiet_gap();
    for (;;) {
        how.timeout = give_up - serial->now();
        if (how.timeout <= 0 || serial->read(port, how, scratch, sizeof scratch, &stored) != 0)
            return;
    }
}

void timed_out() {
    line.settle = true;
    line.timedOutAt = serial->now();
    if (!line.echo.empty() && line.stale.size() < kMaxStale &&
        std::find(line.stale.begin(), line.stale.end(), line.echo) == line.stale.end())
        line.stale.push_back(line.echo);
}

} // namespace

void SetSerialBackend(SerialBackend* backend) {
    serial = backend;
    line = LineState{};
}

SerialBackend* CurrentSerialBackend() {
    return serial;
}

const char* SerialOpenFailure() {
    return serial && rs232err == RS232_CANNOT_OPEN ? serial->openFailure() : "";
}

int OpenComConfig(int port, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize) {
    (void)deviceName; // the platform's own device for the number is used
    (void)inputQueueSize;
    (void)outputQueueSize;
    if (!serial || port < 1)
        return set_err(RS232_CANNOT_OPEN);
    const int r = set_err(serial->open(port, baudRate, parity, dataBits, stopBits));
    if (r == 0) {
        ++generation;
        const double timeout = line.timeout;
        line = LineState{};
        line.timeout = timeout;
        const int bits = 1 + dataBits + (parity != 0 ? 1 : 0) + stopBits;
        line.charTime = static_cast<double>(bits) / static_cast<double>(baudRate);
    }
    return r;
}

int SetComTime(int port, double seconds) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    const int r = set_err(serial->setTimeout(port, seconds));
    if (r == 0)
        line.timeout = seconds > 0 ? seconds : 0.0;
    return r;
}

int FlushOutQ(int port) {
    return set_err(serial ? serial->flushOut(port) : RS232_PORT_NOT_OPEN);
}

int FlushInQ(int port) {
    return set_err(serial ? serial->flushIn(port, nullptr) : RS232_PORT_NOT_OPEN);
}

int ComWrt(int port, const char* buffer, int count) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    if (count < 0)
        return set_err(RS232_BAD_ARGUMENT);
    if (line.settle)
        settle(port);
    line.echo = echo_of(buffer, count);
    const int r = set_err(serial->write(port, buffer, count));
    return r < 0 ? r : count;
}

int ComRdTerm(int port, char* buffer, int count, int terminator) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    if (count < 0)
        return set_err(RS232_BAD_ARGUMENT);
    const double deadline = serial->now() + line.timeout;
    LineRead how;
    how.terminator = terminator;
    for (;;) {
        how.timeout = std::max(0.0, deadline - serial->now());
        int stored = 0;
        const int r = serial->read(port, how, buffer, count, &stored);
        if (r != 0 && r != RS232_TIMEOUT)
            return set_err(r);
        const bool stale = is_stale(buffer, stored);
        if (stale) {
            if (r == 0 && stored == count)
                discard_rest(port, ReadPurpose::Stale, terminator, deadline);
            std::memset(buffer, 0, static_cast<std::size_t>(stored));
        }
        if (r == RS232_TIMEOUT) {
            timed_out();
            return set_err(r);
        }
        if (stale)
            continue;
        line.stale.clear();
        if (stored == count && count > 0)
            discard_rest(port, ReadPurpose::Remnant, terminator, deadline);
        set_err(0);
        return stored;
    }
}

int ReturnRS232Err(void) {
    return rs232err;
}

long ComLineGeneration(void) {
    return generation;
}
