#include "trace/trace_text.h"

#include "platform/platform.h"
#include "platform/visible.h"
#include "trace/trace_outcome.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

namespace {

std::string number(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string stamp(double wall) {
    return trace_clock(wall) + "  ";
}

} // namespace

std::string trace_clock(double wall) {
    const long long ms = static_cast<long long>(std::floor(wall * 1000.0));
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms % 1000));
    return buf;
}

double trace_wall(const TraceExchange& e, const TraceStep& s) {
    return e.wall + (s.ms - e.ms) / 1000.0;
}

std::string trace_ms(double ms) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, ms, std::chars_format::fixed, 3);
    return std::string(buf, r.ptr);
}

std::string trace_error(int result) {
    switch (result) {
    case RS232_TIMEOUT:
        return "time-out";
    case RS232_PORT_NOT_OPEN:
        return "port not open";
    case RS232_CANNOT_OPEN:
        return "cannot open";
    case RS232_IO_ERROR:
        return "line failed";
    case RS232_BAD_ARGUMENT:
        return "bad argument";
    default:
        return "error " + std::to_string(result);
    }
}

std::string trace_code(int result) {
    const std::string s = std::to_string(result);
    const std::string meaning = trace_error(result);
    return result == 0 || meaning.rfind("error ", 0) == 0 ? s : s + " (" + meaning + ")";
}

std::string trace_step_name(const TraceStep& s) {
    switch (s.kind) {
    case TraceStep::FlushOut:
        return "flush out";
    case TraceStep::FlushIn:
        return "flush in";
    case TraceStep::Write:
        return s.probe ? "probe" : "write";
    case TraceStep::Read:
        switch (s.purpose) {
        case ReadPurpose::Reply:
            return "reply";
        case ReadPurpose::Remnant:
            return "rest";
        case ReadPurpose::Stale:
            return "late";
        case ReadPurpose::Resync:
            return "in step";
        }
        return "read";
    case TraceStep::Open:
        return "open port " + number(s.value);
    case TraceStep::SetTime:
        return "time-out " + number(s.value) + " s";
    }
    return {};
}

std::string hex_bytes(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[c >> 4];
        out += digits[c & 0xF];
    }
    return out;
}

bool trace_single_line(const TraceExchange& e) {
    return e.steps.size() == 1 &&
           (e.steps[0].kind == TraceStep::Open || e.steps[0].kind == TraceStep::SetTime);
}

std::string trace_head(const TraceExchange& e) {
    std::string out = stamp(e.wall) + "#" + std::to_string(e.number) + "  ";
    if (!trace_single_line(e))
        return out + "exchange\n";
    const TraceStep& s = e.steps[0];
    return out + trace_step_name(s) + ", error " + trace_code(s.result) + "\n";
}

std::string trace_step(const TraceExchange& e, const TraceStep& s) {
    std::string out = stamp(trace_wall(e, s)) + "      " + trace_step_name(s);
    const bool bytes = s.kind == TraceStep::Write || s.kind == TraceStep::Read ||
                       (s.kind == TraceStep::FlushIn && !s.bytes.empty());
    if (bytes) {
        out.resize(std::max(out.size(), stamp(0).size() + 6 + 9), ' ');
        // Built up in place: GCC 12 sees an overlap that is not there in
        // "\"" + std::string.
        out += '"';
        out += visible_bytes(s.bytes);
        out += '"';
    }
    if (s.result < 0)
        out += "  error " + trace_code(s.result);
    return out + "\n";
}

std::string trace_end(const TraceExchange& e) {
    std::string out = stamp(e.wall + e.duration / 1000.0) + "#" + std::to_string(e.number) +
                      "  end, " + trace_ms(e.duration) + " ms, error " + trace_code(e.error);
    const std::string notes = trace_notes(e);
    if (!notes.empty())
        out += ", " + notes;
    return out + "\n";
}

std::string trace_text(const TraceExchange& e) {
    std::string out = trace_head(e);
    if (trace_single_line(e))
        return out;
    for (const TraceStep& s : e.steps)
        out += trace_step(e, s);
    return out + trace_end(e);
}

TraceFile::~TraceFile() {
    if (file_)
        std::fclose(file_);
}

bool TraceFile::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    return file_ != nullptr;
}

void TraceFile::put(const std::string& text) {
    if (!file_)
        return;
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

void TraceFile::stepDone(const TraceExchange& exchange, const TraceStep& step) {
    if (exchange.steps.size() == 1)
        put(trace_head(exchange));
    if (!trace_single_line(exchange))
        put(trace_step(exchange, step));
}

void TraceFile::exchangeEnded(const TraceExchange& exchange) {
    if (!trace_single_line(exchange))
        put(trace_end(exchange));
}
