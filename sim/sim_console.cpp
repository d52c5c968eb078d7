#include "sim/sim_options.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace {

const char* onoff(bool b) {
    return b ? "on" : "off";
}

std::string hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out.empty() ? "off" : out;
}

// "latency PREFIX MS" and "pad PREFIX N": a number per command prefix, 0
// removes it.
std::string per_prefix(const std::string& word, const std::string& arg, long hi,
                       std::map<std::string, int>& table) {
    std::istringstream parts(arg);
    std::string prefix, number;
    parts >> prefix >> number;
    long n = 0;
    if (!to_long(number, 0, hi, &n))
        return "k964-sim: error: " + word + " PREFIX takes a number from 0 to " +
               std::to_string(hi);
    if (n == 0)
        table.erase(prefix);
    else
        table[prefix] = static_cast<int>(n);
    return "k964-sim: ok";
}

} // namespace

bool to_byte(const std::string& s, std::string* out) {
    if (s == "off") {
        out->clear();
        return true;
    }
    long v = 0;
    if (s.size() != 2 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    v = std::stol(s, nullptr, 16);
    *out = std::string(1, static_cast<char>(v));
    return true;
}

std::string sim_status(const DeviceModel& model, bool lineUp, long commands, long bytesIn,
                       long bytesOut, bool pace) {
    const Faults& f = model.faults;
    std::ostringstream s;
    s << "k964-sim: status line=" << (lineUp ? "up" : "dropped") << " commands=" << commands
      << " bytes-in=" << bytesIn << " bytes-out=" << bytesOut << " saves=" << model.saves()
      << " mode=" << model.mode() << " gas=" << model.gas() << " vcal=" << model.vcal()
      << " silent=" << onoff(f.silent) << " latency=" << f.latencyMs;
    for (const auto& [prefix, ms] : f.latencyFor)
        s << " latency-for=" << prefix << ':' << ms;
    for (const auto& [prefix, n] : f.padFor)
        s << " pad-for=" << prefix << ':' << n;
    s << " slow-save=" << f.slowSaveMs << " wrong-letter=" << onoff(f.wrongLetter)
      << " overlong=" << onoff(f.overlong) << " pad24=" << onoff(f.pad24)
      << " no-cr=" << onoff(f.noCr) << " garbage=" << onoff(f.garbage) << " crlf=" << onoff(f.crlf)
      << " other-case=" << onoff(f.otherCase) << " noise-byte=" << hex(f.noise)
      << " pause=" << f.pauseAt << ':' << f.pauseMs << " usb-latency=" << f.usbLatencyMs
      << " babble=" << onoff(f.babble) << " pace=" << onoff(pace);
    return s.str();
}

std::string console_command(const std::string& line, SimControl& control) {
    std::istringstream in(line);
    std::string word, arg;
    in >> word;
    if (word.empty())
        return {};
    std::getline(in >> std::ws, arg);
    DeviceModel& model = control.model;
    Faults& f = model.faults;
    bool* toggle = word == "silent"         ? &f.silent
                   : word == "wrong-letter" ? &f.wrongLetter
                   : word == "overlong"     ? &f.overlong
                   : word == "pad24"        ? &f.pad24
                   : word == "no-cr"        ? &f.noCr
                   : word == "garbage"      ? &f.garbage
                   : word == "crlf"         ? &f.crlf
                   : word == "other-case"   ? &f.otherCase
                   : word == "babble"       ? &f.babble
                                            : nullptr;
    long ms = 0;
    double v = 0.0;
    if (toggle) {
        if (!to_switch(arg, toggle))
            return "k964-sim: error: " + word + " takes on or off";
    } else if (word == "latency" && arg.find(' ') != std::string::npos) {
        return per_prefix(word, arg, 600000, f.latencyFor);
    } else if (word == "pad") {
        return per_prefix(word, arg, 100000, f.padFor);
    } else if (word == "latency" || word == "slow-save" || word == "usb-latency") {
        if (!to_long(arg, 0, 600000, &ms))
            return "k964-sim: error: " + word + " takes milliseconds from 0 to 600000";
        (word == "latency"     ? f.latencyMs
         : word == "slow-save" ? f.slowSaveMs
                               : f.usbLatencyMs) = static_cast<int>(ms);
    } else if (word == "pause") {
        std::istringstream parts(arg);
        std::string at, length;
        parts >> at >> length;
        long n = 0;
        if (!to_long(at, 0, 100000, &n) || !to_long(length, 0, 600000, &ms))
            return "k964-sim: error: pause takes a byte count and milliseconds";
        f.pauseAt = static_cast<int>(n);
        f.pauseMs = static_cast<int>(ms);
    } else if (word == "noise-byte") {
        if (!to_byte(arg, &f.noise))
            return "k964-sim: error: noise-byte takes two hex digits or off";
    } else if (word == "gas" || word == "vcal" || word == "temperature" || word == "noise") {
        if (!to_double(arg, &v))
            return "k964-sim: error: " + word + " takes a number";
        if (word == "gas")
            model.setGas(v);
        else if (word == "vcal")
            model.setVcal(v);
        else if (word == "temperature")
            model.setCellTemperature(v);
        else
            model.setNoise(v);
    } else if (word == "reply" || word == "mute") {
        std::istringstream parts(arg);
        std::string prefix, text;
        parts >> prefix;
        std::getline(parts >> std::ws, text);
        if (prefix.empty())
            return "k964-sim: error: " + word + " takes a command prefix";
        if (word == "reply")
            model.setReply(prefix, text + "\r");
        else
            model.setSilent(prefix);
    } else if (word == "clear-replies") {
        model.clearOverrides();
    } else if (word == "drop") {
        control.drop();
    } else if (word == "power-cycle") {
        model.powerCycle();
    } else if (word == "status") {
        return control.status();
    } else if (word == "help") {
        std::fputs(kUsage, stdout);
    } else {
        return "k964-sim: error: unknown command " + word + " (try help)";
    }
    return "k964-sim: ok";
}
