// k964-sim's command line: its usage text, its options, and the number
// and switch words its console shares.
#pragma once

#include "sim/device_model.h"

#include <functional>
#include <string>

extern const char kUsage[];

struct Options {
    std::string dir;
    int port = 1;
    bool pace = false;
    std::string stateFile;
    long dropAfter = -1;
    Faults faults;
    double gas = 5.0;
    double vcal = 0.0;
    double noise = 0.01;
    double settle = DeviceModel::kSettleSeconds;
    std::string wireFile;
};

// A whole number from lo to hi, a number, "on" or "off"; false otherwise.
bool to_long(const std::string& s, long lo, long hi, long* out);
bool to_double(const std::string& s, double* out);
bool to_switch(const std::string& s, bool* out);
// Two hex digits: that byte; "off": none.
bool to_byte(const std::string& s, std::string* out);

// What the console's commands act on: the transmitter, and the line's own
// drop and status.
struct SimControl {
    DeviceModel& model;
    std::function<void()> drop;
    std::function<std::string()> status;
};
// One line of the console: its answer ("k964-sim: ok", an error, the
// status), or "" for an empty line.
std::string console_command(const std::string& line, SimControl& control);
std::string sim_status(const DeviceModel& model, bool lineUp, long commands, long bytesIn,
                       long bytesOut, bool pace);

// Exits with the usage on --help, and with a message and status 2 on a
// wrong option.
Options parse_options(int argc, char** argv);
