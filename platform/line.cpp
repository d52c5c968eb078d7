// The RS-232 operations, and the line discipline that keeps every reply with
// its own command on the line as the field delivers it: at 9600 baud, through
// USB adapters that hand the bytes over in bursts, from transmitters that
// answer late, in the other letter case, with CR LF or with noise.
// docs/serial.md gives the rules and the reason for each number.
//
// - A line ends at its CR, and only there: no gap of silence ends it. Bytes
//   that are not printable (NUL, LF, 8-bit, blanks) before a line's first
//   printable character are noise, not part of the line.
// - A reply is attributed, never timed. The replies to the s, t and d
//   commands and to D8, D9, D0 begin with their command's text (in either
//   letter case); a line that does not is not theirs. The reply to any other
//   command is the first line that comes after it while the line is in step,
//   and only once that line has ended within the read.
// - The line is in step while every line that came has been read whole and
//   every command has had its reply. A time-out, a line whose CR did not come
//   within the read, a line that was not the reply, or printable bytes thrown
//   away by FlushInQ put it out of step. The next exchange then first gets it
//   back in step: a probe (a settings read whose reply cannot be a late one of
//   an earlier command) goes out, every line before the probe's reply is
//   thrown away, and only then the exchange's own command is sent. A probe
//   that gets no reply fails the exchange; its command is not sent.
// - A failed read leaves nothing of what it got in the caller's buffer.
// An exchange on a line in step whose reply comes in time and whole costs
// nothing extra: no probe, no wait, no extra read.
#include "platform/backends.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>

int rs232err = 0;

namespace {

SerialBackend* serial = nullptr;
long generation = 0;

// Read-only commands whose replies carry their own text, in the order they
// are tried as the probe.
const char* const kProbes[] = {"s1", "s2",  "s3", "s4", "s5", "s6", "s7",
                               "s8", "t12", "s0", "d1", "d2", "d3"};
// Echoes kept of commands whose reply may still come: one fewer than there are
// probes, so one probe is always free.
constexpr std::size_t kMaxOwed = std::size(kProbes) - 1;
constexpr char kCr = 13;

struct LineState {
    double timeout = 10.0;        // the port's read time-out, seconds
    bool inStep = true;           // see above
    bool midLine = false;         // the last bytes read or thrown away ended inside a line
    bool unsent = false;          // this exchange's command could not be sent
    std::string queued;           // the command written, not yet read for
    std::string echo;             // the text its reply begins with; "" when none is known
    std::deque<std::string> owed; // echoes of commands whose reply may still come
};

LineState line;

int set_err(int code) {
    rs232err = code;
    if (code == RS232_IO_ERROR)
        ++generation;
    return code;
}

bool printable(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text a reply to this command begins with, in lower case, or "" when
// the command's reply has no known text: the letter and index of the s, t
// and d commands, and of the calibration constants' writes D8, D9, D0.
std::string echo_of(const char* bytes, int count) {
    if (count < 2)
        return "";
    const char c = bytes[0];
    if (c == 'D')
        return (bytes[1] == '8' || bytes[1] == '9' || bytes[1] == '0') ? std::string{'d', bytes[1]}
                                                                       : "";
    if (c != 's' && c != 't' && c != 'd')
        return "";
    int n = 1;
    while (n < count && bytes[n] >= '0' && bytes[n] <= '9')
        ++n;
    return n > 1 ? std::string(bytes, static_cast<std::size_t>(n)) : "";
}

bool begins_with(const char* text, int stored, const std::string& echo) {
    if (echo.empty() || static_cast<std::size_t>(stored) < echo.size())
        return false;
    for (std::size_t i = 0; i < echo.size(); ++i)
        if (lower(text[i]) != echo[i])
            return false;
    return true;
}

void owe(const std::string& echo) {
    if (echo.empty())
        return;
    line.owed.push_back(echo);
    if (line.owed.size() > kMaxOwed)
        line.owed.pop_front();
}

// What bytes thrown away unread tell: a printable one was part of a line
// nobody read, and a line that was begun and not ended goes on.
void note_unread(const std::string& bytes) {
    if (std::any_of(bytes.begin(), bytes.end(), printable))
        line.inStep = false;
    const std::size_t cr = bytes.rfind(kCr);
    if (cr != std::string::npos)
        line.midLine = false;
    const auto tail =
        cr == std::string::npos ? bytes.begin() : bytes.begin() + static_cast<long>(cr) + 1;
    if (std::any_of(tail, bytes.end(), printable))
        line.midLine = true;
}

struct Line {
    int result = 0;    // 0, RS232_TIMEOUT at the deadline, or the backend's failure
    int stored = 0;    // bytes of the line stored, its leading noise left out
    bool ended = true; // its terminator was read; false: `count` bytes stored before it
};

// Reads one line into buffer, up to its terminator (read, not stored) or
// `count` bytes, before `deadline`. Leading noise is left out; a line of
// noise alone comes back empty.
Line read_line(int port, ReadPurpose purpose, int terminator, char* buffer, int count,
               double deadline) {
    Line l;
    LineRead how;
    how.purpose = purpose;
    how.terminator = terminator;
    while (l.stored < count) {
        how.timeout = std::max(0.0, deadline - serial->now());
        const int wanted = count - l.stored;
        int got = 0;
        const int r = serial->read(port, how, buffer + l.stored, wanted, &got);
        const bool ended = r == 0 && got < wanted;
        if (l.stored == 0) {
            int skip = 0;
            while (skip < got && !printable(buffer[skip]))
                ++skip;
            std::memmove(buffer, buffer + skip, static_cast<std::size_t>(got - skip));
            std::memset(buffer + got - skip, 0, static_cast<std::size_t>(skip));
            got -= skip;
        }
        l.stored += got;
        if (r != 0) {
            l.result = r;
            return l;
        }
        if (ended)
            return l;
    }
    l.ended = false;
    return l;
}

// Reads the rest of a line, up to its terminator, and throws it away.
// Returns 0 when the terminator came before the deadline.
int read_rest(int port, ReadPurpose purpose, int terminator, double deadline) {
    char scratch[64];
    for (;;) {
        const Line l = read_line(port, purpose, terminator, scratch, sizeof scratch, deadline);
        if (l.result != 0 || l.ended)
            return l.result;
    }
}

// A probe that no command since the line was last in step can have an
// unread reply to.
const char* free_probe() {
    for (const char* p : kProbes)
        if (std::find(line.owed.begin(), line.owed.end(), p) == line.owed.end())
            return p;
    return kProbes[0];
}

int send_probe(int port, const char* probe) {
    const std::string bytes = std::string(probe) + kCr;
    return serial->write(port, bytes.data(), static_cast<int>(bytes.size()), WritePurpose::Probe);
}

// Gets the line back in step: throws away what has come, sends a probe and
// throws away every line up to the probe's reply, within twice the port's
// time-out: the transmitter may still be answering what it was asked before.
// When the line was left inside a line, the probe's reply may come glued to
// that line's rest; once the rest has ended, a second probe goes out and
// only its reply counts. Returns 0, or the code of the failure.
int get_in_step(int port) {
    std::string flushed;
    int r = serial->flushIn(port, &flushed);
    if (r != 0)
        return r;
    note_unread(flushed);
    const char* probe = free_probe();
    if ((r = send_probe(port, probe)) != 0)
        return r;
    double deadline = serial->now() + 2 * line.timeout;
    bool rest = line.midLine; // the first line read is the rest of one begun before
    for (;;) {
        char text[24];
        Line l = read_line(port, ReadPurpose::Resync, kCr, text, sizeof text, deadline);
        if (l.result == 0 && !l.ended)
            l.result = read_rest(port, ReadPurpose::Resync, kCr, deadline);
        if (l.result != 0) {
            if (l.result == RS232_TIMEOUT)
                owe(probe);
            line.midLine = rest || l.stored > 0 || !l.ended;
            return l.result;
        }
        if (rest) {
            rest = false;
            owe(probe);
            probe = free_probe();
            if ((r = send_probe(port, probe)) != 0)
                return r;
            deadline = std::max(deadline, serial->now() + line.timeout);
            continue;
        }
        if (begins_with(text, l.stored, probe)) {
            line.owed.clear();
            line.inStep = true;
            line.midLine = false;
            return 0;
        }
    }
}

// A read that failed: nothing of it stays in the caller's buffer.
int failed(char* buffer, int stored, int code) {
    std::memset(buffer, 0, static_cast<std::size_t>(std::max(stored, 0)));
    return set_err(code);
}

} // namespace

void SetSerialBackend(SerialBackend* backend) {
    // A decorator put around the same port changes nothing of the port: its
    // time-out stays.
    const double timeout = line.timeout;
    serial = backend;
    line = LineState{};
    line.timeout = timeout;
}

SerialBackend* CurrentSerialBackend() {
    return serial;
}

const char* SerialOpenFailure() {
    return serial && rs232err == RS232_CANNOT_OPEN ? serial->openFailure() : "";
}

long ComLineGeneration(void) {
    return generation;
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
        const double timeout = line.timeout;
        line = LineState{};
        line.timeout = timeout;
        ++generation;
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
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    std::string flushed;
    const int r = serial->flushIn(port, &flushed);
    note_unread(flushed);
    return set_err(r);
}

int ComWrt(int port, const char* buffer, int count) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    if (count < 0)
        return set_err(RS232_BAD_ARGUMENT);
    line.queued.clear();
    line.echo = echo_of(buffer, count);
    line.unsent = false;
    if (!line.inStep) {
        if (const int r = get_in_step(port)) {
            line.unsent = true;
            return set_err(r);
        }
    }
    const int r = set_err(serial->write(port, buffer, count, WritePurpose::Command));
    if (r < 0)
        return r;
    line.queued.assign(buffer, static_cast<std::size_t>(count));
    return count;
}

int ComRdTerm(int port, char* buffer, int count, int terminator) {
    if (!serial)
        return set_err(RS232_PORT_NOT_OPEN);
    if (count < 0)
        return set_err(RS232_BAD_ARGUMENT);
    const std::string command = std::move(line.queued);
    line.queued.clear();
    if (line.unsent) {
        line.unsent = false;
        return failed(buffer, 0, RS232_TIMEOUT);
    }
    if (!line.inStep && !command.empty()) {
        // Bytes came between the write and this read: the command, still
        // queued, waits until the line is back in step.
        int r = serial->flushOut(port);
        if (r == 0)
            r = get_in_step(port);
        if (r == 0)
            r = serial->write(port, command.data(), static_cast<int>(command.size()),
                              WritePurpose::Command);
        if (r != 0)
            return failed(buffer, 0, r);
    }
    const double deadline = serial->now() + line.timeout;
    for (;;) {
        const Line l = read_line(port, ReadPurpose::Reply, terminator, buffer, count, deadline);
        if (l.result != 0) {
            line.inStep = false;
            if (l.stored > 0)
                line.midLine = true;
            if (l.result == RS232_TIMEOUT)
                owe(line.echo);
            return failed(buffer, l.stored, l.result);
        }
        const bool ours = line.echo.empty() || begins_with(buffer, l.stored, line.echo);
        if (l.stored > 0 && ours) {
            if (!l.ended && read_rest(port, ReadPurpose::Remnant, terminator, deadline) != 0) {
                // The rest of the line is still to come. A reply that begins
                // with its command's text is whole in its first bytes; any
                // other line must have ended to be taken for the reply.
                line.inStep = false;
                line.midLine = true;
                if (line.echo.empty())
                    return failed(buffer, l.stored, RS232_TIMEOUT);
            }
            set_err(0);
            return l.stored;
        }
        if (l.stored > 0) {
            // Another command's reply, or noise with text: not this one's.
            line.inStep = false;
            if (!l.ended && read_rest(port, ReadPurpose::Stale, terminator, deadline) != 0)
                line.midLine = true;
        }
        std::memset(buffer, 0, static_cast<std::size_t>(l.stored));
    }
}

int ReturnRS232Err(void) {
    return rs232err;
}
