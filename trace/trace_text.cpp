#include "trace/trace_text.h"

#include "platform/platform.h"
#include "platform/visible.h"

#include <charconv>

namespace {

// Milliseconds with three decimals, right-aligned, whatever the locale.
std::string millis(double ms) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, ms, std::chars_format::fixed, 3);
    std::string s(buf, r.ptr);
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
    std::string s = std::to_string(result);
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

} // namespace

std::string trace_text(const TraceExchange& e) {
    std::string out = millis(e.ms) + "#" + std::to_string(e.number) + "  ";
    if (e.steps.size() == 1 && e.steps[0].kind == TraceStep::Open)
        return out + "open port " + number(e.steps[0].value) + ", error " + code(e.error) + "\n";
    if (e.steps.size() == 1 && e.steps[0].kind == TraceStep::SetTime)
        return out + "time-out " + number(e.steps[0].value) + " s, error " + code(e.error) + "\n";
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, e.duration, std::chars_format::fixed, 3);
    out += "exchange " + std::string(buf, r.ptr) + " ms, error " + code(e.error) + "\n";
    for (const TraceStep& s : e.steps) {
        out += millis(s.ms) + "      ";
        switch (s.kind) {
        case TraceStep::FlushOut:
            out += "flush out";
            break;
        case TraceStep::FlushIn:
            out += "flush in";
            break;
        case TraceStep::Write:
            out += "write  " + visible_bytes(s.bytes);
            break;
        case TraceStep::Read:
            out += "read   " + visible_bytes(s.bytes);
            break;
        case TraceStep::Open:
            out += "open port " + number(s.value);
            break;
        case TraceStep::SetTime:
            out += "time-out " + number(s.value) + " s";
            break;
        }
        if (s.result != 0)
            out += "  error " + code(s.result);
        out += "\n";
    }
    return out;
}

TraceFile::~TraceFile() {
    if (file_)
        std::fclose(file_);
}

bool TraceFile::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    return file_ != nullptr;
}

void TraceFile::exchangeEnded(const TraceExchange& exchange) {
    if (!file_)
        return;
    const std::string text = trace_text(exchange);
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}
