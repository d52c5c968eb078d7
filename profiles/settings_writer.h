// A profile written into a transmitter: the writable part (set points,
// word 8, the switches and the mode of word 0, the three constants) as the
// list of what will be sent, written through Save and Store as a click on
// them would, then read back and checked value by value.
#pragma once

#include "profiles/transmitter_reader.h"

#include <string>
#include <vector>

struct WritePlan {
    std::vector<Field> changes; // the writable fields the transmitter holds otherwise
    bool save = false;          // Save runs (settings changed)
    bool store = false;         // Store runs (constants changed)
    std::string text;           // what will be sent, line by line
};

// `now`: what the transmitter holds (read on this line).
WritePlan plan_write(const TransmitterSettings& now, const TransmitterSettings& file);

// Puts the file's values into the panels' fields and runs Save and Store
// as the plan says, then reads everything back with `reader`. Store is left
// out when Save did not complete as written; the note says so ("" otherwise).
std::string apply_write(const WritePlan& plan, const TransmitterSettings& file,
                        TransmitterReader& reader);

struct Verification {
    bool verified = false;
    std::vector<std::string> differences; // "zero point: written 0.5, reads 0.4"
};

// Every writable field read back as the write command carried the file's
// value.
Verification verify_write(const Captured& after, const TransmitterSettings& file);
