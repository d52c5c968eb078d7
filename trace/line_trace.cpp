#include "trace/line_trace.h"

#include <algorithm>

std::string TraceExchange::sent() const {
    std::string out;
    for (const TraceStep& s : steps) {
        if (s.kind == TraceStep::Write)
            out += s.bytes;
    }
    return out;
}

bool TraceExchange::hasRead() const {
    return std::any_of(steps.begin(), steps.end(),
                       [](const TraceStep& s) { return s.kind == TraceStep::Read; });
}

std::string TraceExchange::reply() const {
    for (auto s = steps.rbegin(); s != steps.rend(); ++s) {
        if (s->kind != TraceStep::Read)
            continue;
        std::string r = s->bytes;
        if (!r.empty() && r.back() == '\r')
            r.pop_back();
        return r;
    }
    return {};
}

LineTrace::LineTrace(SerialBackend& inner)
    : inner_(inner), start_(std::chrono::steady_clock::now()) {}

void LineTrace::removeListener(TraceListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

double LineTrace::now() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
        .count();
}

TraceStep& LineTrace::begin(TraceStep::Kind kind) {
    if (current_.steps.empty())
        current_.ms = now();
    TraceStep& step = current_.steps.emplace_back();
    step.kind = kind;
    step.ms = current_.steps.size() == 1 ? current_.ms : now();
    return step;
}

int LineTrace::done(int result) {
    current_.steps.back().result = result;
    current_.error = result;
    return result;
}

void LineTrace::endExchange() {
    if (current_.steps.empty())
        return;
    current_.duration = now() - current_.ms;
    current_.number = next_++;
    for (TraceListener* l : listeners_)
        l->exchangeEnded(current_);
    if (kept_.size() == kKept)
        kept_.pop_front();
    kept_.push_back(std::move(current_));
    current_ = TraceExchange{};
}

// Opening the port and setting its time-out are entries of their own.
int LineTrace::open(int port, long baudRate, int parity, int dataBits, int stopBits) {
    endExchange();
    begin(TraceStep::Open).value = port;
    int r = done(inner_.open(port, baudRate, parity, dataBits, stopBits));
    endExchange();
    return r;
}

int LineTrace::setTimeout(int port, double seconds) {
    endExchange();
    begin(TraceStep::SetTime).value = seconds;
    int r = done(inner_.setTimeout(port, seconds));
    endExchange();
    return r;
}

int LineTrace::flushOut(int port) {
    begin(TraceStep::FlushOut);
    return done(inner_.flushOut(port));
}

int LineTrace::flushIn(int port) {
    begin(TraceStep::FlushIn);
    return done(inner_.flushIn(port));
}

int LineTrace::write(int port, const char* bytes, int count) {
    TraceStep& step = begin(TraceStep::Write);
    if (bytes && count > 0)
        step.bytes.assign(bytes, static_cast<std::size_t>(count));
    return done(inner_.write(port, bytes, count));
}

// A read that ended before `count` bytes without an error ended on the
// terminator, which was on the line although it is not stored.
int LineTrace::readTerm(int port, char* buffer, int count, int terminator, int* stored) {
    begin(TraceStep::Read);
    int r = inner_.readTerm(port, buffer, count, terminator, stored);
    TraceStep& step = current_.steps.back();
    if (*stored > 0)
        step.bytes.assign(buffer, static_cast<std::size_t>(*stored));
    if (r == 0 && *stored < count)
        step.bytes += static_cast<char>(terminator);
    done(r);
    endExchange();
    return r;
}
