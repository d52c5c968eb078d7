#include "trace/trace_text.h"

#include "platform/platform.h"
#include "platform/visible.h"

#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

std::string fixed3(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    return std::string(buf, r.ptr);
}

// Milliseconds with three decimals, right-aligned, whatever the locale.
std::string stamp(double ms) {
    std::string s = fixed3(ms);
    if (s.size() < 11)
        s.insert(0, 11 - s.size(), ' ');
    return s + " ms  ";
}

std::string number(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string code(int result) {
    const std::string s = std::to_string(result);
    switch (result) {
    case RS232_TIMEOUT:
        return s + " (time-out)";
    case RS232_PORT_NOT_OPEN:
        return s + " (port not open)";
    case RS232_CANNOT_OPEN:
        return s + " (cannot open)";
    case RS232_IO_ERROR:
        return s + " (line failed)";
    case RS232_BAD_ARGUMENT:
        return s + " (bad argument)";
    default:
        return s;
    }
}

const char* read_name(ReadPurpose purpose) {
    switch (purpose) {
    case ReadPurpose::Reply:
        return "reply    ";
    case ReadPurpose::Remnant:
        return "remnant  ";
    case ReadPurpose::Stale:
        return "stale    ";
    case ReadPurpose::Settle:
        return "settle   ";
    }
    return "read     ";
}

} // namespace

bool trace_single_line(const TraceExchange& e) {
    return e.steps.size() == 1 &&
           (e.steps[0].kind == TraceStep::Open || e.steps[0].kind == TraceStep::SetTime);
}

std::string trace_head(const TraceExchange& e) {
    std::string out = stamp(e.ms) + "#" + std::to_string(e.number) + "  ";
    if (!trace_single_line(e))
        return out + "exchange\n";
    const TraceStep& s = e.steps[0];
    if (s.kind == TraceStep::Open)
        return out + "open port " + number(s.value) + ", error " + code(s.result) + "\n";
    return out + "time-out " + number(s.value) + " s, error " + code(s.result) + "\n";
}

std::string trace_step(const TraceStep& s) {
    std::string out = stamp(s.ms) + "      ";
    switch (s.kind) {
    case TraceStep::FlushOut:
        out += "flush out";
        break;
    case TraceStep::FlushIn:
        out += "flush in";
        if (!s.bytes.empty())
            out += " \"" + visible_bytes(s.bytes) + "\"";
        break;
    case TraceStep::Write:
        out += "write    \"" + visible_bytes(s.bytes) + "\"";
        break;
    case TraceStep::Read:
        out += read_name(s.purpose) + ("\"" + visible_bytes(s.bytes) + "\"");
        if (s.result == LINE_QUIET)
            out += "  (quiet)";
        break;
    case TraceStep::Open:
        out += "open port " + number(s.value);
        break;
    case TraceStep::SetTime:
        out += "time-out " + number(s.value) + " s";
        break;
    }
    if (s.result < 0)
        out += "  error " + code(s.result);
    return out + "\n";
}

std::string trace_end(const TraceExchange& e) {
    std::string out = stamp(e.ms + e.duration) + "#" + std::to_string(e.number) + "  end, " +
                      fixed3(e.duration) + " ms, error " + code(e.error);
    if (int late = e.lateLines())
        out += ", " + std::to_string(late) + (late == 1 ? " late line" : " late lines") +
               " thrown away";
    return out + "\n";
}

std::string trace_text(const TraceExchange& e) {
    std::string out = trace_head(e);
    if (trace_single_line(e))
        return out;
    for (const TraceStep& s : e.steps)
        out += trace_step(s);
    return out + trace_end(e);
}

TraceFile::~TraceFile() {
    close();
}

bool TraceFile::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    return file_ != nullptr;
}

bool TraceFile::close() {
    if (file_ && std::fclose(file_) != 0 && !failed_)
        fail();
    file_ = nullptr;
    return !failed_;
}

void TraceFile::put(const std::string& text) {
    if (!file_ || failed_)
        return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0)
        fail();
}

void TraceFile::fail() {
    failed_ = true;
    if (report_)
        report_(std::strerror(errno));
}

void TraceFile::stepDone(const TraceExchange& exchange, const TraceStep& step) {
    if (exchange.steps.size() == 1)
        put(trace_head(exchange));
    if (!trace_single_line(exchange))
        put(trace_step(step));
}

void TraceFile::exchangeEnded(const TraceExchange& exchange) {
    if (!trace_single_line(exchange))
        put(trace_end(exchange));
}
