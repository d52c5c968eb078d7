#include "trace/line_trace.h"

#include <algorithm>
#include <chrono>
#include <utility>

std::string TraceExchange::sent() const {
    for (auto s = steps.rbegin(); s != steps.rend(); ++s) {
        if (s->kind == TraceStep::Write && !s->probe)
            return s->bytes;
    }
    return {};
}

bool TraceExchange::resynced() const {
    return std::any_of(steps.begin(), steps.end(),
                       [](const TraceStep& s) { return s.kind == TraceStep::Write && s.probe; });
}

bool TraceExchange::hasReply() const {
    return std::any_of(steps.begin(), steps.end(), [](const TraceStep& s) {
        return s.kind == TraceStep::Read && s.purpose == ReadPurpose::Reply;
    });
}

std::string TraceExchange::reply() const {
    for (auto s = steps.rbegin(); s != steps.rend(); ++s) {
        if (s->kind != TraceStep::Read || s->purpose != ReadPurpose::Reply)
            continue;
        std::string r = s->bytes;
        if (!r.empty() && s->result == 0 && r.back() == '\r')
            r.pop_back();
        return r;
    }
    return {};
}

int TraceExchange::lateLines() const {
    int replies = 0;
    for (const TraceStep& s : steps) {
        if (s.kind == TraceStep::Read && s.purpose == ReadPurpose::Reply)
            ++replies;
    }
    return std::max(0, replies - 1);
}

namespace {

double system_seconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

LineTrace::LineTrace(SerialBackend& inner, std::function<double()> wallClock)
    : inner_(inner), wallClock_(wallClock ? std::move(wallClock) : system_seconds),
      start_(inner.now()) {}

void LineTrace::removeListener(TraceListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

double LineTrace::millis() {
    return (inner_.now() - start_) * 1000.0;
}

void LineTrace::finish() {
    endExchange();
}

TraceStep& LineTrace::begin(TraceStep::Kind kind, bool closesAfterReply) {
    if (closesAfterReply && replied_)
        endExchange();
    TraceStep& step = current_.steps.emplace_back();
    step.kind = kind;
    step.ms = millis();
    if (current_.steps.size() == 1) {
        current_.number = next_++;
        current_.ms = step.ms;
        current_.wall = wallClock_();
    }
    return step;
}

int LineTrace::done(int result) {
    TraceStep& step = current_.steps.back();
    step.result = result;
    const bool reply = step.kind == TraceStep::Read && step.purpose == ReadPurpose::Reply;
    const bool resync = step.kind == TraceStep::Read && step.purpose == ReadPurpose::Resync;
    if (reply || (result < 0 && !replied_ && (step.kind != TraceStep::Read || resync)))
        current_.error = result;
    if (reply)
        replied_ = true;
    current_.duration = millis() - current_.ms;
    for (TraceListener* l : listeners_)
        l->stepDone(current_, step);
    return result;
}

void LineTrace::endExchange() {
    replied_ = false;
    if (current_.steps.empty())
        return;
    if (kept_.size() == kKept)
        kept_.pop_front();
    kept_.push_back(std::move(current_));
    current_ = TraceExchange{};
    for (TraceListener* l : listeners_)
        l->exchangeEnded(kept_.back());
}

int LineTrace::open(int port, long baudRate, int parity, int dataBits, int stopBits) {
    endExchange();
    begin(TraceStep::Open, true).value = port;
    const int r = done(inner_.open(port, baudRate, parity, dataBits, stopBits));
    endExchange();
    return r;
}

int LineTrace::setTimeout(int port, double seconds) {
    endExchange();
    begin(TraceStep::SetTime, true).value = seconds;
    const int r = done(inner_.setTimeout(port, seconds));
    endExchange();
    return r;
}

int LineTrace::flushOut(int port) {
    begin(TraceStep::FlushOut, true);
    return done(inner_.flushOut(port));
}

int LineTrace::flushIn(int port, std::string* flushed) {
    TraceStep& step = begin(TraceStep::FlushIn, true);
    const int r = inner_.flushIn(port, &step.bytes);
    if (flushed)
        *flushed = step.bytes;
    return done(r);
}

int LineTrace::write(int port, const char* bytes, int count, WritePurpose purpose) {
    TraceStep& step = begin(TraceStep::Write, true);
    step.probe = purpose == WritePurpose::Probe;
    if (bytes && count > 0)
        step.bytes.assign(bytes, static_cast<std::size_t>(count));
    return done(inner_.write(port, bytes, count, purpose));
}

// A reply read after the reply is a late line's (the discipline found the
// first one not to be it); every read belongs to the exchange it is part of.
int LineTrace::read(int port, const LineRead& how, char* buffer, int count, int* stored) {
    TraceStep& step = begin(TraceStep::Read, false);
    step.purpose = how.purpose;
    const int r = inner_.read(port, how, buffer, count, stored);
    TraceStep& s = current_.steps.back();
    if (*stored > 0)
        s.bytes.assign(buffer, static_cast<std::size_t>(*stored));
    if (r == 0 && how.terminator >= 0 && *stored < count)
        s.bytes += static_cast<char>(how.terminator);
    return done(r);
}
