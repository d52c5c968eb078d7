#include "platform/memory/memory_serial.h"

#include <algorithm>

namespace {

SerialEvent event(SerialEvent::Kind kind, int port) {
    SerialEvent e{};
    e.kind = kind;
    e.port = port;
    return e;
}

} // namespace

MemorySerial::MemorySerial(DeviceModel& model, FakeClock& clock) : model_(model), clock_(clock) {}

int MemorySerial::check(int port) const {
    if (vanished_ || model_.faults.dropped)
        return RS232_IO_ERROR;
    if (!open_ || port != port_)
        return RS232_PORT_NOT_OPEN;
    return 0;
}

int MemorySerial::record(SerialEvent event) {
    events_.push_back(std::move(event));
    return events_.back().result;
}

int MemorySerial::open(int port, long baudRate, int parity, int dataBits, int stopBits) {
    (void)baudRate;
    (void)parity;
    (void)dataBits;
    (void)stopBits;
    SerialEvent e = event(SerialEvent::Open, port);
    if (vanished_ || model_.faults.dropped) {
        e.result = RS232_IO_ERROR;
    } else if (port < 1 || !ports_.contains(port)) {
        e.result = RS232_CANNOT_OPEN;
    } else {
        open_ = true;
        port_ = port;
        pendingOut_.clear();
        received_.clear();
        arrivals_.clear();
        input_.clear();
    }
    return record(std::move(e));
}

int MemorySerial::setTimeout(int port, double seconds) {
    SerialEvent e = event(SerialEvent::SetTime, port);
    e.seconds = seconds;
    e.result = check(port);
    if (e.result == 0)
        timeout_ = std::max(seconds, 0.0);
    return record(std::move(e));
}

int MemorySerial::flushOut(int port) {
    SerialEvent e = event(SerialEvent::FlushOut, port);
    e.result = check(port);
    if (e.result == 0)
        pendingOut_.clear();
    return record(std::move(e));
}

int MemorySerial::flushIn(int port) {
    SerialEvent e = event(SerialEvent::FlushIn, port);
    e.result = check(port);
    if (e.result == 0) {
        arriveUntil(clock_.now());
        input_.clear();
    }
    return record(std::move(e));
}

int MemorySerial::write(int port, const char* bytes, int count) {
    SerialEvent e = event(SerialEvent::Write, port);
    e.bytes.assign(bytes, static_cast<std::size_t>(std::max(count, 0)));
    e.result = check(port);
    if (e.result == 0)
        pendingOut_ += e.bytes;
    return record(std::move(e));
}

void MemorySerial::transmit() {
    received_ += pendingOut_;
    pendingOut_.clear();
    std::size_t cr;
    while ((cr = received_.find('\r')) != std::string::npos) {
        std::string line = received_.substr(0, cr);
        received_.erase(0, cr + 1);
        Reply reply = model_.handle(line, clock_.now());
        if (reply.none)
            continue;
        // One line at a time: a reply never overtakes the one before it.
        double at = clock_.now() + reply.delayMs / 1000.0;
        if (!arrivals_.empty())
            at = std::max(at, arrivals_.back().at);
        arrivals_.push_back({at, std::move(reply.bytes)});
    }
}

void MemorySerial::arriveUntil(double t) {
    while (!arrivals_.empty() && arrivals_.front().at <= t) {
        input_ += arrivals_.front().bytes;
        arrivals_.pop_front();
    }
}

int MemorySerial::readTerm(int port, char* buffer, int count, int terminator, int* stored) {
    SerialEvent e = event(SerialEvent::Read, port);
    *stored = 0;
    e.result = check(port);
    if (e.result != 0)
        return record(std::move(e));
    transmit();
    const double start = clock_.now();
    const double deadline = start + timeout_;
    arriveUntil(start);
    int n = 0;
    while (n < count) {
        if (input_.empty()) {
            if (arrivals_.empty() || arrivals_.front().at > deadline) {
                clock_.advance(deadline - clock_.now());
                for (Arrival& late : arrivals_)
                    input_ += late.bytes;
                arrivals_.clear();
                e.result = RS232_TIMEOUT;
                break;
            }
            clock_.advance(arrivals_.front().at - clock_.now());
            arriveUntil(clock_.now());
            continue;
        }
        char c = input_.front();
        input_.erase(0, 1);
        if (static_cast<unsigned char>(c) == terminator)
            break;
        buffer[n++] = c;
    }
    *stored = n;
    e.bytes.assign(buffer, static_cast<std::size_t>(n));
    e.seconds = clock_.now() - start;
    return record(std::move(e));
}

std::vector<std::string> MemorySerial::commands() const {
    std::vector<std::string> out;
    for (const SerialEvent& e : events_) {
        if (e.kind != SerialEvent::Write || e.result != 0)
            continue;
        std::string c = e.bytes;
        if (!c.empty() && c.back() == '\r')
            c.pop_back();
        out.push_back(c);
    }
    return out;
}

std::string MemorySerial::trace() const {
    // One letter per kind, in the order of SerialEvent::Kind.
    static const char kLetters[] = "PTOIWR";
    std::string out;
    for (const SerialEvent& e : events_)
        out += kLetters[e.kind];
    return out;
}
