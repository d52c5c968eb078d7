// The simulated K964 transmitter: a command line in, a reply out, state
// changed. Pure C++, no I/O, no clock of its own: the caller tells the time.
//
// Reply forms (each ends in CR unless a fault removes it; none is longer
// than 24 characters before the CR):
//   VV          "VV K964 V3"
//   u1          "u" + the calibration voltage Vcal in V
//   u5          "u" + the cell temperature in degrees C
//   u9          "u" + sensor voltage in mV + " " + main value (ppm in modes 0
//               and 1, the sensor voltage in mV in mode 2)
//   m2          "M2"
//   s0 .. s15   "sN " + word N,        t12  "t12 " + word 13
//   d0 .. d11   "dN " + parameter N (scientific, 4 decimals)
//   DN<value>   "DN " + the parameter now stored (N one digit, 0 .. 9)
//   SN<int>     "SN " + the word now stored (N one digit, 0 .. 9)
//   S!S!        "S!S!" after the save (the slow-save latency applies)
//   D?D?        "D? OK" after the zero calibration
//   D!D!        "D! OK" after the span calibration, "D! ERR" when the
//               sensor gives no signal to scale
//   an empty line: no reply; anything else "?"
// While it babbles, the transmitter answers nothing (Faults::babble).
// Values in replies are written with '.' whatever the locale.
//
// Words and parameters written by commands change the working state; S!S!
// saves it, a power cycle brings the saved state back. The calibrations
// store their constant at once, in the working and the saved state.
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
    bool overlong = false;    // replies padded with '*' to 30 characters before the CR
    bool pad24 = false;       // replies padded with '*' to exactly 24 characters before the CR
    bool noCr = false;        // replies without their CR
    bool garbage = false;     // NUL and 8-bit bytes between the text and the CR
    bool dropped = false;     // the line is gone: nothing goes in or out any more
    bool crlf = false;        // replies end in CR LF
    bool otherCase = false;   // the first letter of every reply in the other letter case
    std::string noise;        // bytes sent before every reply (a NUL, 0xFF, a stray LF)
    int pauseAt = 0;          // every reply stops for pauseMs after its first pauseAt bytes
    int pauseMs = 0;
    // The line itself, for the line that carries the replies (MemorySerial,
    // k964-sim): a USB adapter hands the received bytes over in bursts, each
    // time its latency timer of usbLatencyMs runs out (0: each byte as it
    // comes); a babbling transmitter sends printable bytes without a CR,
    // without pause and instead of its replies.
    int usbLatencyMs = 0;
    bool babble = false;
    // Extra milliseconds before the reply to a command that starts with the
    // prefix (the longest matching prefix wins), on top of latencyMs.
    std::map<std::string, int> latencyFor;
    // Replies to commands that start with the prefix padded with '*' to so
    // many characters before the CR (the longest matching prefix wins).
    std::map<std::string, int> padFor;

    int latencyOf(const std::string& command) const;
};

struct Reply {
    bool none = false; // nothing is sent back
    std::string bytes; // what goes on the line, CR included
    int delayMs = 0;   // time before the first byte leaves
    int pauseAt = 0;   // after so many bytes ...
    int pauseMs = 0;   // ... the line stops for so long
};

// The byte a babbling transmitter sends, and when the USB adapter hands a
// byte that has come off the wire at `at` (seconds) over to the program.
constexpr char kBabbleByte = '~';
double UsbHandover(double at, int usbLatencyMs);

class DeviceModel {
  public:
    DeviceModel();

    // One command line, without its CR. `now` is seconds since any fixed
    // start; live values follow it.
    Reply handle(const std::string& command, double now = 0.0);

    Faults faults;

    // Exact replies for tests: a command that starts with `prefix` (the
    // longest matching prefix wins) is not carried out; it gets `bytes`
    // verbatim after the latency, or no reply at all (setSilent, or a null
    // `bytes`).
    void setReply(const std::string& prefix, const std::string& bytes);
    void setReply(const std::string& prefix, const char* bytes);
    void setSilent(const std::string& prefix);
    void clearOverrides();

    // Working state (what the transmitter holds now) and saved state (what a
    // power cycle brings back). Numbers outside 0..15 and 0..11 read as 0
    // and are not stored.
    int32_t word(int i) const; // settings words 0..15; 13 is t12's
    void setWord(int i, int32_t v);
    double param(int k) const; // parameters 0..11 (1..3 set points, 8, 9, 0 constants)
    void setParam(int k, double v);
    int32_t savedWord(int i) const;
    double savedParam(int k) const;
    int saves() const { return saves_; } // S!S! received
    int zeroCalibrations() const { return zeroCals_; }
    int spanCalibrations() const { return spanCals_; }
    int commandsHandled() const { return commands_; }
    void powerCycle(); // working state := saved state

    // Measuring mode from word 0: bit 4 set and bit 5 clear 0, both set 1,
    // bit 4 clear 2.
    int mode() const;

    // The sensor: gas concentration in ppm it settles towards, the
    // calibration voltage u1 in V, the cell temperature in degrees C, and the
    // noise amplitude in ppm (0: none).
    void setGas(double ppm);
    void setVcal(double volts);
    void setCellTemperature(double celsius);
    void setNoise(double amplitude);
    // The cell's time constant, seconds (kSettleSeconds unless set; a test
    // whose clocks run fast may shorten it by the same factor).
    void setSettleSeconds(double seconds) { settleSeconds_ = seconds; }
    // The cell has been in `ppm` long enough to read it: no settling.
    void startIn(double ppm) { gas_ = settled_ = ppm; }
    double gas() const { return gas_; }
    double vcal() const { return vcal_; }

    // Readings at time `now`, without noise: the sensor voltage in mV and the
    // calibrated concentration in ppm.
    double sensorMillivolts(double now);
    double concentration(double now);

    // Saved state as text, for k964-sim's state file. loadText takes it
    // into both the saved and the working state; on a malformed text it
    // changes nothing and returns false.
    std::string saveText() const;
    bool loadText(const std::string& text);

    // Sensor characteristics: the cell gives kMillivoltsPerPpm per ppm on top
    // of kZeroMillivolts, and settles with the time constant kSettleSeconds.
    static constexpr double kMillivoltsPerPpm = 0.5;
    static constexpr double kZeroMillivolts = 1.2;
    static constexpr double kSettleSeconds = 4.0;

  private:
    struct State {
        int32_t words[16];
        double params[12];
    };
    std::string answer(const std::string& command, double now, int* extraDelayMs);
    std::string applyFaults(const std::string& command, std::string reply) const;
    void settle(double now);
    double noiseSample();
    double uncalibratedPpm(double millivolts) const;

    State working_{};
    State saved_{};
    std::map<std::string, std::optional<std::string>> overrides_;
    int saves_ = 0;
    int zeroCals_ = 0;
    int spanCals_ = 0;
    int commands_ = 0;
    double gas_ = 5.0;
    double vcal_ = 0.0;
    double cellTemperature_ = 25.0;
    double noise_ = 0.01;
    double settleSeconds_ = kSettleSeconds;
    double settled_ = 5.0; // the concentration the cell sees now, settling towards gas_
    double lastTime_ = 0.0;
    uint32_t rng_ = 12345;
};
