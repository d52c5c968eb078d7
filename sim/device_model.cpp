#include "sim/device_model.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <string_view>

namespace {

// Replies use '.' as decimal point whatever the locale: to_chars never
// looks at it.
std::string general(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 5);
    return std::string(buf, r.ptr);
}

std::string scientific(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 4);
    return std::string(buf, r.ptr);
}

std::string shortest(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

template <typename... Parts> std::string cat(const Parts&... parts) {
    std::string out;
    (out.append(parts), ...);
    return out;
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// A real number as the command set writes it: optional sign, digits,
// optional point and decimals, optional exponent. The whole text must be it.
bool parse_real(std::string_view s, double* out) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && digit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && digit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && digit(s[i]))
            ++i, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (i != s.size())
        return false;
    if (s.front() == '+')
        s.remove_prefix(1);
    double v = 0.0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
        return false;
    *out = v;
    return true;
}

// An integer word: optional minus, decimal digits, within 32 bits.
bool parse_word(std::string_view s, int32_t* out) {
    if (s.empty() || s.front() == '+')
        return false;
    int32_t v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
        return false;
    *out = v;
    return true;
}

// Words and parameters a fresh transmitter holds: mode 0 with both switches
// off (bits 2 and 6 are internal flags the service tool carries over), and a
// cell that reads right without a calibration.
void factory_state(int32_t* words, double* params) {
    const int32_t w[16] = {0x54, 1, 4, 20, 0, 100, 4, 20, 1000, 0, 0, 0, 0, 3, 0, 0};
    const double p[12] = {
        DeviceModel::kZeroMillivolts, 0.0, 100.0, 50.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < 16; ++i)
        words[i] = w[i];
    for (int i = 0; i < 12; ++i)
        params[i] = p[i];
}

bool word_index(int i) {
    return i >= 0 && i < 16;
}
bool param_index(int k) {
    return k >= 0 && k < 12;
}

} // namespace

DeviceModel::DeviceModel() {
    factory_state(working_.words, working_.params);
    saved_ = working_;
}

namespace {

// The number of the longest prefix in `table` that `command` starts with; 0
// when none does.
int longest_match(const std::map<std::string, int>& table, const std::string& command) {
    int value = 0;
    std::size_t longest = 0;
    for (const auto& [prefix, n] : table) {
        if (command.starts_with(prefix) && prefix.size() >= longest) {
            value = n;
            longest = prefix.size();
        }
    }
    return value;
}

} // namespace

int Faults::latencyOf(const std::string& command) const {
    return latencyMs + longest_match(latencyFor, command);
}

double UsbHandover(double at, int usbLatencyMs) {
    if (usbLatencyMs <= 0)
        return at;
    const double tick = usbLatencyMs / 1000.0;
    return std::ceil(at / tick - 1e-9) * tick;
}

Reply DeviceModel::handle(const std::string& command, double now) {
    ++commands_;
    if (faults.dropped || faults.babble)
        return {true, {}, 0};
    const std::optional<std::string>* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& [prefix, bytes] : overrides_) {
        if (command.starts_with(prefix) && (best == nullptr || prefix.size() > bestLength)) {
            best = &bytes;
            bestLength = prefix.size();
        }
    }
    if (best != nullptr) {
        if (!best->has_value())
            return {true, {}, 0};
        return {false, **best, faults.latencyOf(command), faults.pauseAt, faults.pauseMs};
    }
    if (faults.silent)
        return {true, {}, 0};
    int extraDelayMs = 0;
    std::string text = answer(command, now, &extraDelayMs);
    if (text.empty())
        return {true, {}, 0};
    return {false, applyFaults(command, std::move(text)), faults.latencyOf(command) + extraDelayMs,
            faults.pauseAt, faults.pauseMs};
}

std::string DeviceModel::answer(const std::string& command, double now, int* extraDelayMs) {
    const std::string_view c = command;
    if (c.empty())
        return {};
    if (c == "VV")
        return "VV K964 V3";
    if (c == "m2")
        return "M2";
    if (c == "u1")
        return cat("u", general(vcal_));
    if (c == "u5")
        return cat("u", general(cellTemperature_));
    if (c == "u9") {
        settle(now);
        double millivolts = kMillivoltsPerPpm * (settled_ + noiseSample()) + kZeroMillivolts;
        double main = mode() == 2 ? millivolts : working_.params[8] * uncalibratedPpm(millivolts);
        return cat("u", general(millivolts), " ", general(main));
    }
    if (c == "S!S!") {
        saved_ = working_;
        ++saves_;
        *extraDelayMs = faults.slowSaveMs;
        return "S!S!";
    }
    if (c == "D?D?") {
        ++zeroCals_;
        double offset = sensorMillivolts(now);
        working_.params[0] = saved_.params[0] = offset;
        return "D? OK";
    }
    if (c == "D!D!") {
        ++spanCals_;
        double raw = uncalibratedPpm(sensorMillivolts(now));
        if (std::fabs(raw) < 1e-9)
            return "D! ERR";
        working_.params[8] = saved_.params[8] = gas_ / raw;
        return "D! OK";
    }
    if (c == "t12")
        return cat("t12 ", std::to_string(working_.words[13]));
    if (c.size() >= 2 && (c[0] == 's' || c[0] == 'd')) {
        int n = 0;
        if (!parse_word(c.substr(1), &n))
            return "?";
        std::string head(c);
        if (c[0] == 's' && word_index(n))
            return cat(head, " ", std::to_string(working_.words[n]));
        if (c[0] == 'd' && param_index(n))
            return cat(head, " ", scientific(working_.params[n]));
        return "?";
    }
    if (c.size() >= 3 && (c[0] == 'S' || c[0] == 'D') && digit(c[1])) {
        int n = c[1] - '0';
        std::string head(c.substr(0, 2));
        if (c[0] == 'S') {
            int32_t v = 0;
            if (!parse_word(c.substr(2), &v))
                return "?";
            working_.words[n] = v;
            return cat(head, " ", std::to_string(v));
        }
        double v = 0.0;
        if (!parse_real(c.substr(2), &v))
            return "?";
        working_.params[n] = v;
        return cat(head, " ", scientific(v));
    }
    return "?";
}

std::string DeviceModel::applyFaults(const std::string& command, std::string reply) const {
    if (faults.wrongLetter)
        reply[0] = 'x';
    if (faults.otherCase) {
        const char c = reply[0];
        reply[0] = static_cast<char>(c >= 'a' && c <= 'z'   ? c - 'a' + 'A'
                                     : c >= 'A' && c <= 'Z' ? c - 'A' + 'a'
                                                            : c);
    }
    if (faults.garbage)
        reply += std::string("\0\xff\x80\xe4", 4);
    if (faults.overlong && reply.size() < 30)
        reply.append(30 - reply.size(), '*');
    if (faults.pad24 && reply.size() < 24)
        reply.append(24 - reply.size(), '*');
    if (const std::size_t n = static_cast<std::size_t>(longest_match(faults.padFor, command));
        reply.size() < n)
        reply.append(n - reply.size(), '*');
    if (!faults.noCr)
        reply += faults.crlf ? "\r\n" : "\r";
    return faults.noise + reply;
}

// The cell follows the gas with a first-order lag.
void DeviceModel::settle(double now) {
    if (now > lastTime_)
        settled_ = gas_ + (settled_ - gas_) * std::exp(-(now - lastTime_) / settleSeconds_);
    lastTime_ = now;
}

// Uniform in [-noise, noise), from a fixed-seed xorshift: the same commands
// give the same readings on every run.
double DeviceModel::noiseSample() {
    rng_ ^= rng_ << 13;
    rng_ ^= rng_ >> 17;
    rng_ ^= rng_ << 5;
    return noise_ * (rng_ / 2147483648.0 - 1.0);
}

// Concentration before the gain: the offset (parameter 0, mV) removed,
// scaled by the cell's sensitivity and corrected for the cell temperature
// with the coefficient of parameter 9 (per degree away from 25 C).
double DeviceModel::uncalibratedPpm(double millivolts) const {
    double ppm = (millivolts - working_.params[0]) / kMillivoltsPerPpm;
    return ppm * (1.0 + working_.params[9] * (cellTemperature_ - 25.0));
}

double DeviceModel::sensorMillivolts(double now) {
    settle(now);
    return kMillivoltsPerPpm * settled_ + kZeroMillivolts;
}

double DeviceModel::concentration(double now) {
    return working_.params[8] * uncalibratedPpm(sensorMillivolts(now));
}

int DeviceModel::mode() const {
    int32_t w = working_.words[0];
    if (!(w & 0x10))
        return 2;
    return (w & 0x20) ? 1 : 0;
}

void DeviceModel::setReply(const std::string& prefix, const std::string& bytes) {
    overrides_[prefix] = bytes;
}

void DeviceModel::setReply(const std::string& prefix, const char* bytes) {
    if (bytes == nullptr)
        overrides_[prefix] = std::nullopt;
    else
        overrides_[prefix] = std::string(bytes);
}

void DeviceModel::setSilent(const std::string& prefix) {
    overrides_[prefix] = std::nullopt;
}
void DeviceModel::clearOverrides() {
    overrides_.clear();
}

int32_t DeviceModel::word(int i) const {
    return word_index(i) ? working_.words[i] : 0;
}
void DeviceModel::setWord(int i, int32_t v) {
    if (word_index(i))
        working_.words[i] = v;
}
double DeviceModel::param(int k) const {
    return param_index(k) ? working_.params[k] : 0.0;
}
void DeviceModel::setParam(int k, double v) {
    if (param_index(k))
        working_.params[k] = v;
}
int32_t DeviceModel::savedWord(int i) const {
    return word_index(i) ? saved_.words[i] : 0;
}
double DeviceModel::savedParam(int k) const {
    return param_index(k) ? saved_.params[k] : 0.0;
}

void DeviceModel::powerCycle() {
    working_ = saved_;
}

void DeviceModel::setGas(double ppm) {
    gas_ = ppm;
}
void DeviceModel::setVcal(double volts) {
    vcal_ = volts;
}
void DeviceModel::setCellTemperature(double celsius) {
    cellTemperature_ = celsius;
}
void DeviceModel::setNoise(double amplitude) {
    noise_ = amplitude;
}

std::string DeviceModel::saveText() const {
    std::string out = "k964 saved state\n";
    for (int i = 0; i < 16; ++i)
        out += cat("word ", std::to_string(i), " ", std::to_string(saved_.words[i]), "\n");
    for (int k = 0; k < 12; ++k)
        out += cat("param ", std::to_string(k), " ", shortest(saved_.params[k]), "\n");
    return out;
}

bool DeviceModel::loadText(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != "k964 saved state")
        return false;
    State loaded = saved_;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        std::istringstream fields(line);
        std::string kind, index, value, extra;
        if (!(fields >> kind >> index >> value) || (fields >> extra))
            return false;
        int32_t n = 0;
        if (!parse_word(index, &n))
            return false;
        if (kind == "word" && word_index(n)) {
            if (!parse_word(value, &loaded.words[n]))
                return false;
        } else if (kind == "param" && param_index(n)) {
            if (!parse_real(value, &loaded.params[n]))
                return false;
        } else {
            return false;
        }
    }
    saved_ = working_ = loaded;
    return true;
}
