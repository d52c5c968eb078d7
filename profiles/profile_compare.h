// The fields of a settings profile one by one, and a comparison of what the
// transmitter holds with what a profile says: a row per field and the
// verdict.
#pragma once

#include "profiles/profile.h"

#include <string>
#include <vector>

enum class Field {
    Word0,
    Word1,
    Word2,
    Word3,
    Word4,
    Word5,
    Word6,
    Word7,
    Word8,
    Word13,
    Mode,
    Bit0,
    Bit3,
    ZeroPoint,
    EndMark,
    Limit,
    Const8,
    Const9,
    Const0,
    Device,
};
constexpr int kFieldCount = static_cast<int>(Field::Device) + 1;

// "settings word 13", "measuring mode", "constant 0", "VV reply".
std::string field_name(Field f);
// The value as the table shows it: a real with every digit it holds.
std::string field_text(const TransmitterSettings& s, Field f);
bool field_equal(const TransmitterSettings& a, const TransmitterSettings& b, Field f);
// What Save and Store write: the set points, word 8, the switches and the
// mode (of word 0), the three constants. The rest is compared only.
bool field_writable(Field f);
// The field a part of word 0 is read with.
Field read_with(Field f);
// A real exactly as it is shown: the shortest text that reads back as it.
std::string real_text(double v);
// A set point's or a constant's value in `s`.
double real_of(const TransmitterSettings& s, Field f);

struct CompareRow {
    std::string field;
    std::string transmitter; // "not read" where the transmitter's is unknown
    std::string file;
    bool differs = false;
    bool writable = false;
};

struct Comparison {
    std::vector<CompareRow> rows;
    bool identical = false;
};

// `unread`: the fields not read from the transmitter; they count as
// differing.
Comparison compare_settings(const TransmitterSettings& transmitter,
                            const std::vector<Field>& unread, const TransmitterSettings& file);

// "identical", "not identical"; for a refused file "file damaged", "not a
// K964 settings file", "incompatible" (a newer version) or "cannot be read".
const char* verdict_text(const Comparison& c);
const char* verdict_text(ProfileLoad::Status refused);
// The table as lines of text, for the command line.
std::string comparison_text(const Comparison& c);
