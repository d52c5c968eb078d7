#include "profiles/profile_compare.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

bool is_word(Field f) {
    return f <= Field::Word13;
}
int word_index(Field f) {
    return static_cast<int>(f);
}
bool is_set_point(Field f) {
    return f >= Field::ZeroPoint && f <= Field::Limit;
}

} // namespace

double real_of(const TransmitterSettings& s, Field f) {
    if (is_set_point(f))
        return s.setPoints[static_cast<int>(f) - static_cast<int>(Field::ZeroPoint)];
    return s.constants[static_cast<int>(f) - static_cast<int>(Field::Const8)];
}

std::string real_text(double v) {
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

std::string field_name(Field f) {
    static const char* const names[] = {
        "measuring mode", "configuration bit 0", "configuration bit 3", "zero point", "end mark",
        "limit",          "constant 8",          "constant 9",          "constant 0", "VV reply"};
    if (is_word(f))
        return "settings word " + std::to_string(kWordNumbers[word_index(f)]);
    return names[static_cast<int>(f) - static_cast<int>(Field::Mode)];
}

std::string field_text(const TransmitterSettings& s, Field f) {
    if (is_word(f))
        return std::to_string(s.words[word_index(f)]);
    switch (f) {
    case Field::Mode:
        return std::to_string(mode_of(s.words[0]));
    case Field::Bit0:
        return config_bit0(s.words[0]) ? "on" : "off";
    case Field::Bit3:
        return config_bit3(s.words[0]) ? "on" : "off";
    case Field::Device:
        return s.device;
    default:
        return real_text(real_of(s, f));
    }
}

bool field_equal(const TransmitterSettings& a, const TransmitterSettings& b, Field f) {
    if (is_word(f))
        return a.words[word_index(f)] == b.words[word_index(f)];
    switch (f) {
    case Field::Mode:
        return mode_of(a.words[0]) == mode_of(b.words[0]);
    case Field::Bit0:
        return config_bit0(a.words[0]) == config_bit0(b.words[0]);
    case Field::Bit3:
        return config_bit3(a.words[0]) == config_bit3(b.words[0]);
    case Field::Device:
        return a.device == b.device;
    default:
        return real_of(a, f) == real_of(b, f);
    }
}

bool field_writable(Field f) {
    return f == Field::Word8 || (f >= Field::Mode && f <= Field::Const0);
}

Field read_with(Field f) {
    return f == Field::Mode || f == Field::Bit0 || f == Field::Bit3 ? Field::Word0 : f;
}

Comparison compare_settings(const TransmitterSettings& transmitter,
                            const std::vector<Field>& unread, const TransmitterSettings& file) {
    Comparison c;
    c.identical = true;
    for (int i = 0; i < kFieldCount; ++i) {
        const Field f = static_cast<Field>(i);
        CompareRow row;
        row.field = field_name(f);
        row.writable = field_writable(f);
        row.file = field_text(file, f);
        const bool known = std::find(unread.begin(), unread.end(), read_with(f)) == unread.end();
        row.transmitter = known ? field_text(transmitter, f) : "not read";
        row.differs = !known || !field_equal(transmitter, file, f);
        c.identical = c.identical && !row.differs;
        c.rows.push_back(row);
    }
    return c;
}

const char* verdict_text(const Comparison& c) {
    return c.identical ? "identical" : "not identical";
}

const char* verdict_text(ProfileLoad::Status refused) {
    switch (refused) {
    case ProfileLoad::NotOurs:
        return "not a K964 settings file";
    case ProfileLoad::Newer:
        return "incompatible";
    case ProfileLoad::Unreadable:
        return "cannot be read";
    default:
        return "file damaged";
    }
}

std::string comparison_text(const Comparison& c) {
    std::string out;
    char line[200];
    std::snprintf(line, sizeof line, "%-20s %-24s %-24s %s\n", "field", "transmitter", "file",
                  "differs");
    out += line;
    for (const CompareRow& r : c.rows) {
        std::snprintf(line, sizeof line, "%-20s %-24s %-24s %s\n", r.field.c_str(),
                      r.transmitter.c_str(), r.file.c_str(),
                      r.differs ? (r.writable ? "yes" : "yes (not writable)") : "");
        out += line;
    }
    out += verdict_text(c);
    out += '\n';
    return out;
}
