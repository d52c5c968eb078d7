#include "certificate/history_csv.h"

#include <charconv>
#include <cmath>

namespace {

const char* const kColumns[] = {
    "id",
    "kind",
    "started",
    "finished",
    "technician",
    "tag",
    "device",
    "port",
    "gas_concentration",
    "gas_unit",
    "gas_lot",
    "gas_expiry",
    "found_at",
    "found_value",
    "found_unit",
    "found_u1_mv",
    "found_stable",
    "found_spread",
    "left_at",
    "left_value",
    "left_unit",
    "left_u1_mv",
    "left_stable",
    "left_spread",
    "before_8",
    "before_9",
    "before_0",
    "after_8",
    "after_9",
    "after_0",
    "tolerance_percent",
    "beyond_tolerance",
    "went_on_unstable",
    "outcome",
    "note",
    "program",
};

std::string yes_no(bool b) {
    return b ? "yes" : "no";
}

void reading(std::vector<std::string>& f, const CalibrationReading& r) {
    f.push_back(csv_text(r.at));
    f.push_back(csv_number(r.value));
    f.push_back(csv_text(r.unit));
    f.push_back(csv_number(r.u1));
    f.push_back(r.taken() ? yes_no(r.stable) : std::string());
    f.push_back(csv_number(r.spread));
}

std::string line(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += ',';
        out += fields[i];
    }
    return out + "\r\n";
}

} // namespace

std::string csv_text(const std::string& text) {
    std::string s = text;
    if (!s.empty() &&
        (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@' || s[0] == '\t' || s[0] == '\r'))
        s.insert(0, 1, '\'');
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string quoted = "\"";
    for (char c : s) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csv_number(const std::optional<double>& value) {
    if (!value || !std::isfinite(*value))
        return {};
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, *value);
    return std::string(buf, r.ptr);
}

std::string history_csv(const std::vector<CalibrationEntry>& entries) {
    std::string out = "\xEF\xBB\xBF" + line({std::begin(kColumns), std::end(kColumns)});
    for (const CalibrationEntry& e : entries) {
        std::vector<std::string> f;
        f.push_back(std::to_string(e.id));
        f.push_back(kind_name(e.kind));
        for (const std::string* s : text_fields(e))
            f.push_back(csv_text(*s));
        reading(f, e.asFound);
        reading(f, e.asLeft);
        for (const auto& v : e.before)
            f.push_back(csv_number(v));
        for (const auto& v : e.after)
            f.push_back(csv_number(v));
        f.push_back(csv_number(e.tolerancePercent));
        f.push_back(yes_no(e.beyondTolerance));
        f.push_back(yes_no(e.wentOnUnstable));
        f.push_back(outcome_name(e.outcome));
        f.push_back(csv_text(e.note));
        f.push_back(csv_text(e.program));
        out += line(f);
    }
    return out;
}
