// What the assistant remembers for the next calibration, in k964.conf beside
// K960.ini: the technician, the transmitter's site or tag, the tolerance and
// the test gas of each step. None of it ever goes to the transmitter.
// k964.conf is text, one "key=value" a line; lines of other keys are kept.
#pragma once

#include "history/calibration_entry.h"

#include <string>

struct AssistantMemory {
    std::string technician;
    std::string tag;
    double tolerancePercent = 0.0; // 0: not remembered
    TestGas zeroGas;
    TestGas spanGas;
};

AssistantMemory read_assistant_memory(const std::string& confPath);
// Replaces the file whole, so a failed write leaves the old one; line
// breaks in a value become blanks. False when it could not be written.
bool write_assistant_memory(const std::string& confPath, const AssistantMemory& memory);
