// The simulated K964 transmitter: a command line in, a reply out, state
// changed. Pure C++, no I/O, no clock of its own: the caller tells the time.
//
// Reply forms (each ends in CR unless a fault removes it):
//   VV          "VV K964 V3"
//   u1 u5       "u" + value ("%.5g"), u9: "u" + first + " " + second
//   m2          "M2"
//   s0 .. s15   "sN " + word,        t12  "t12 " + word 13
//   d0 .. d11   "dN " + parameter ("%.4e")
//   DN<value>   "DN " + the stored parameter ("%.4e") (value parsed from the command)
//   S0<v> S8<v> "S0 " / "S8 " + the stored word
//   S!S!        "S!S!" after the save (slow-save latency applies)
//   D?D? D!D!   "D? OK" / "D! OK" after zero / span calibration
//   anything else "?"
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct Faults {
    bool silent = false;      // no reply at all
    int latencyMs = 0;        // before every reply
    int slowSaveMs = 0;       // extra before the reply to S!S!
    bool wrongLetter = false; // first letter of every reply replaced by 'x'
    bool overlong = false;    // replies padded to 30 characters before the CR
    bool noCr = false;        // replies without their CR
    bool garbage = false;     // NUL and 8-bit bytes inside replies
    bool dropped = false;     // the line is gone (the server closes the port)
};

struct Reply {
    bool none = false;  // nothing is sent back
    std::string bytes;  // what goes on the line, CR included
    int delayMs = 0;    // time before the first byte leaves
};

class DeviceModel {
public:
    DeviceModel();

    // One command line, without its CR. `now` is seconds since any fixed
    // start; live values follow it.
    Reply handle(const std::string& command, double now = 0.0);

    Faults faults;

    // Exact replies for tests: a command that starts with `prefix` (the
    // longest matching prefix wins) gets `bytes` verbatim, or no reply.
    void setReply(const std::string& prefix, const std::string& bytes);
    void setSilent(const std::string& prefix);
    void clearOverrides();

    // Working state (what the transmitter holds now) and saved state (what a
    // power cycle brings back).
    int32_t word(int i) const;       // settings words 0..15; 13 is t12's
    void setWord(int i, int32_t v);
    double param(int k) const;       // parameters 0..11 (1..3 set points, 8, 9, 0 constants)
    void setParam(int k, double v);
    int32_t savedWord(int i) const;
    double savedParam(int k) const;
    int saves() const;               // S!S! received
    int zeroCalibrations() const;
    int spanCalibrations() const;
    void powerCycle();               // working state := saved state

    // The sensor: gas concentration in ppm it settles towards, the
    // calibration voltage u1 in V, and the noise amplitude (0: none).
    void setGas(double ppm);
    void setVcal(double volts);
    void setNoise(double amplitude);

    // Saved state as text, for k964-sim's state file.
    std::string saveText() const;
    bool loadText(const std::string& text);

private:
    struct State {
        int32_t words[16];
        double params[12];
    };
    std::string answer(const std::string& command, double now, int* extraDelayMs);
    std::string applyFaults(std::string reply) const;
    double mainValue(double now);
    double sensorMillivolts(double now);

    State working_{};
    State saved_{};
    std::map<std::string, std::optional<std::string>> overrides_;
    int saves_ = 0;
    int zeroCals_ = 0;
    int spanCals_ = 0;
    double gas_ = 5.0;
    double vcal_ = 0.0;
    double noise_ = 0.01;
    double settled_ = 0.0;  // the reading settling towards the gas
    double lastTime_ = 0.0;
    uint32_t rng_ = 12345;
};
