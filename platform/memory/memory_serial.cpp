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
    SerialEvent e = event(SerialEvent::Open, port);
    if (vanished_ || model_.faults.dropped) {
        e.result = RS232_IO_ERROR;
    } else if (port < 1 || !ports_.contains(port) || baudRate <= 0) {
        e.result = RS232_CANNOT_OPEN;
    } else {
        open_ = true;
        port_ = port;
        const int bits = 1 + dataBits + (parity != 0 ? 1 : 0) + stopBits;
        charTime_ = static_cast<double>(bits) / static_cast<double>(baudRate);
        pendingOut_.clear();
        received_.clear();
        arrivals_.clear();
        input_.clear();
        outFree_ = backFree_ = clock_.now();
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

int MemorySerial::flushIn(int port, std::string* flushed) {
    SerialEvent e = event(SerialEvent::FlushIn, port);
    e.result = check(port);
    if (e.result == 0) {
        arriveUntil(clock_.now());
        e.bytes = std::move(input_);
        input_.clear();
        if (flushed)
            *flushed = e.bytes;
    }
    return record(std::move(e));
}

int MemorySerial::write(int port, const char* bytes, int count, WritePurpose purpose) {
    SerialEvent e = event(SerialEvent::Write, port);
    e.probe = purpose == WritePurpose::Probe;
    e.bytes.assign(bytes, static_cast<std::size_t>(std::max(count, 0)));
    e.result = check(port);
    if (e.result == 0)
        pendingOut_ += e.bytes;
    return record(std::move(e));
}

void MemorySerial::transmit() {
    outFree_ = std::max(outFree_, clock_.now());
    for (char c : pendingOut_) {
        outFree_ += charTime_;
        if (c != '\r') {
            received_ += c;
            continue;
        }
        // The transmitter has the whole line when its CR has arrived.
        Reply reply = model_.handle(received_, outFree_);
        received_.clear();
        if (reply.none)
            continue;
        double at = std::max(outFree_ + reply.delayMs / 1000.0, backFree_);
        int sentSoFar = 0;
        for (char b : reply.bytes) {
            if (reply.pauseMs > 0 && sentSoFar++ == reply.pauseAt)
                at += reply.pauseMs / 1000.0;
            at += charTime_;
            arrivals_.push_back({at, b});
        }
        backFree_ = at;
    }
    pendingOut_.clear();
}

double MemorySerial::handover(double at) const {
    return UsbHandover(at, model_.faults.usbLatencyMs);
}

void MemorySerial::babble(double until) {
    if (!model_.faults.babble)
        return;
    double at = std::max(backFree_, clock_.now());
    while (at + charTime_ <= until) {
        at += charTime_;
        arrivals_.push_back({at, kBabbleByte});
    }
    backFree_ = at;
}

void MemorySerial::arriveUntil(double t) {
    babble(t + 0.05);
    while (!arrivals_.empty() && handover(arrivals_.front().at) <= t) {
        input_ += arrivals_.front().byte;
        arrivals_.pop_front();
    }
}

std::string MemorySerial::inFlight() const {
    std::string out;
    for (const Arrival& a : arrivals_)
        out += a.byte;
    return out;
}

int MemorySerial::read(int port, const LineRead& how, char* buffer, int count, int* stored) {
    SerialEvent e = event(SerialEvent::Read, port);
    e.purpose = how.purpose;
    e.count = count;
    *stored = 0;
    e.result = check(port);
    if (e.result != 0)
        return record(std::move(e));
    transmit();
    const double start = clock_.now();
    const double deadline = start + (how.timeout < 0 ? timeout_ : how.timeout);
    int n = 0;
    while (n < count) {
        arriveUntil(clock_.now());
        if (!input_.empty()) {
            const char c = input_.front();
            input_.erase(0, 1);
            if (how.terminator >= 0 && static_cast<unsigned char>(c) == how.terminator)
                break;
            buffer[n++] = c;
            continue;
        }
        const double next = arrivals_.empty() ? deadline + 1.0 : handover(arrivals_.front().at);
        if (next <= deadline) {
            clock_.advance(next - clock_.now());
            continue;
        }
        clock_.advance(deadline - clock_.now());
        e.result = RS232_TIMEOUT;
        break;
    }
    *stored = n;
    e.bytes.assign(buffer, static_cast<std::size_t>(n));
    e.seconds = clock_.now() - start;
    return record(std::move(e));
}

namespace {

std::string without_cr(std::string c) {
    if (!c.empty() && c.back() == '\r')
        c.pop_back();
    return c;
}

} // namespace

std::vector<std::string> MemorySerial::commands() const {
    std::vector<std::string> out;
    bool queued = false; // the last command listed has not been read for yet
    for (const SerialEvent& e : events_) {
        if (e.kind == SerialEvent::FlushOut && queued && e.result == 0) {
            out.pop_back(); // taken back before it left
            queued = false;
        } else if (e.kind == SerialEvent::Read) {
            queued = false;
        } else if (e.kind == SerialEvent::Write && e.result == 0 && !e.probe) {
            out.push_back(without_cr(e.bytes));
            queued = true;
        }
    }
    return out;
}

std::vector<std::string> MemorySerial::probes() const {
    std::vector<std::string> out;
    for (const SerialEvent& e : events_)
        if (e.kind == SerialEvent::Write && e.probe && e.result == 0)
            out.push_back(without_cr(e.bytes));
    return out;
}

std::string MemorySerial::trace() const {
    // One letter per kind, in the order of SerialEvent::Kind.
    static const char kLetters[] = "PTOIWR";
    std::string out;
    for (const SerialEvent& e : events_)
        if ((e.kind == SerialEvent::Write && !e.probe) ||
            (e.kind != SerialEvent::Write &&
             (e.kind != SerialEvent::Read || e.purpose == ReadPurpose::Reply)))
            out += kLetters[e.kind];
    return out;
}
