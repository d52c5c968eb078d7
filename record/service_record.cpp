#include "record/service_record.h"

#include "platform/fmt.h"
#include "platform/visible.h"
#include "ui/ids.h"

#include <cstring>

namespace {

struct Named {
    const char* key;
    const char* name;
};

// The callbacks that write, save or calibrate.
const Named kActions[] = {
    {"setsp", "Write and save the settings"},
    {"stcal", "Store the calibration constants"},
    {"nullen", "Zero calibration"},
    {"setzen", "Span calibration"},
    {"writesettings", "Write settings from a file"},
};

// The commands that read a setting or a constant, in the order the record
// lists them, with what they read and how many reply characters precede
// the value.
struct Reading {
    const char* command;
    const char* name;
    int skip;
    bool real;
};
const Reading kReadings[] = {
    {"s0", "settings word 0 (configuration)", 2, false},
    {"s1", "settings word 1", 2, false},
    {"s2", "settings word 2", 2, false},
    {"s3", "settings word 3", 2, false},
    {"s4", "settings word 4", 2, false},
    {"s5", "settings word 5", 2, false},
    {"s6", "settings word 6", 2, false},
    {"s7", "settings word 7", 2, false},
    {"s8", "settings word 8", 2, false},
    {"t12", "settings word 13", 3, false},
    {"d1", "zero point", 2, true},
    {"d2", "end mark", 2, true},
    {"d3", "limit", 2, true},
    {"d8", "calibration constant 8", 2, true},
    {"d9", "calibration constant 9", 2, true},
    {"d0", "calibration constant 0", 2, true},
};

// What a written command does, by its leading text.
const Named kWrites[] = {
    {"D?D?", "zero calibration"},
    {"D!D!", "span calibration"},
    {"S!S!", "save"},
    {"D1", "zero point"},
    {"D2", "end mark"},
    {"D3", "limit"},
    {"D8", "calibration constant 8"},
    {"D9", "calibration constant 9"},
    {"D0", "calibration constant 0"},
    {"S0", "settings word 0"},
    {"S8", "settings word 8"},
};

std::string command_of(const std::string& sent) {
    std::string c = sent;
    if (!c.empty() && c.back() == '\r')
        c.pop_back();
    return c;
}

std::string quoted(const std::string& bytes) {
    return "\"" + visible_bytes(bytes) + "\"";
}

std::string code(int error) {
    return error == 0 ? "ok" : "line error " + std::to_string(error);
}

// What a command sends, in words: "zero point = 2.090e+01".
std::string meaning(const std::string& command) {
    for (const Named& w : kWrites) {
        std::size_t n = std::strlen(w.key);
        if (command.compare(0, n, w.key) != 0)
            continue;
        if (command.size() == n)
            return w.name;
        return std::string(w.name) + " = " + command.substr(n);
    }
    for (const Reading& r : kReadings) {
        if (command == r.command)
            return std::string("read ") + r.name;
    }
    return {};
}

std::string value_of(const Reading& r, const std::string& reply) {
    if (static_cast<int>(reply.size()) <= r.skip)
        return "(no value)";
    char buf[64];
    if (r.real) {
        double v = 0.0;
        if (Scan(reply.c_str() + r.skip, "%f", &v) < 1)
            return "(no value)";
        Fmt(buf, "%f[e2p3]", v);
    } else {
        int v = 0;
        if (Scan(reply.c_str() + r.skip, "%d", &v) < 1)
            return "(no value)";
        Fmt(buf, "%d", v);
    }
    return buf;
}

const char* control_name(int panel, int control) {
    if (panel == PANEL_MAIN && control == MAIN_STATUS)
        return "MAIN_STATUS";
    if (panel == PANEL_SERVICE && control == SERVICE_STATUS)
        return "SERVICE_STATUS";
    return nullptr;
}

} // namespace

const char* ServiceRecord::actionName(const char* callback) {
    for (const Named& a : kActions) {
        if (std::strcmp(a.key, callback) == 0)
            return a.name;
    }
    return nullptr;
}

void ServiceRecord::portOpened(int port, const std::string& device, int result,
                               const std::string& time) {
    if (result != 0)
        return;
    port_ = "COM" + std::to_string(port) + " (" + device + ")";
    opened_ = time;
    pending_ = false;
    vv_.clear();
    vvSeen_ = false;
    read_.clear();
    actions_.clear();
    losses_.clear();
    lost_ = false;
}

void ServiceRecord::lineLost(const std::string& time) {
    settle();
    if (lost_)
        return;
    lost_ = true;
    losses_.push_back(time);
    for (auto& [command, read] : read_)
        read.beforeLoss = true;
    if (inAction_)
        actions_.back().lines.push_back(time + "  line lost");
}

void ServiceRecord::exchange(long number, const std::string& sent, const std::string& reply,
                             int error, const std::string& time) {
    if (pending_ && last_.number != number)
        settle();
    last_ = {number, sent, reply, error, time};
    pending_ = true;
}

void ServiceRecord::settle() {
    if (!pending_)
        return;
    pending_ = false;
    const std::string& sent = last_.sent;
    const std::string& reply = last_.reply;
    const std::string& time = last_.time;
    const int error = last_.error;
    const std::string command = command_of(sent);
    if (error == 0)
        lost_ = false;
    if (command == "VV" && error == 0) {
        vv_ = reply;
        vvSeen_ = true;
    }
    for (const Reading& r : kReadings) {
        if (command == r.command && error == 0)
            read_[command] = {reply, time, false};
    }
    if (!inAction_)
        return;
    Action& a = actions_.back();
    a.sent = true;
    std::string line =
        time + "  sent " + quoted(sent) + "  reply " + quoted(reply) + "  " + code(error);
    const std::string what = meaning(command);
    if (!what.empty())
        line += "  (" + what + ")";
    a.lines.push_back(line);
}

void ServiceRecord::callbackBegins(const char* name, const std::string& time) {
    settle();
    const char* action = actionName(name);
    inAction_ = action != nullptr && portOpen();
    if (inAction_)
        actions_.push_back({time, action, {}, false});
}

void ServiceRecord::callbackEnded(const char* name) {
    (void)name;
    settle();
    if (inAction_ && !actions_.back().sent)
        actions_.back().lines.push_back("nothing sent");
    inAction_ = false;
}

void ServiceRecord::shownText(int panel, int control, const char* text) {
    const char* name = control_name(panel, control);
    settle();
    if (inAction_ && name)
        actions_.back().lines.push_back(std::string("shown ") + name + " " + quoted(text));
}

void ServiceRecord::popupAnswered(const char* title, const char* message, int answer) {
    settle();
    if (!inAction_)
        return;
    std::string line = "popup " + quoted(title) + " " + quoted(message);
    if (answer >= 0)
        line += answer ? "  answered Yes" : "  answered No";
    actions_.back().lines.push_back(line);
}

std::string ServiceRecord::text(const std::string& now) const {
    ServiceRecord settled = *this;
    settled.settle();
    return settled.render(now);
}

std::string ServiceRecord::render(const std::string& now) const {
    std::string out = "K964 service record\n\n";
    out += "Saved:  " + now + "\n";
    out += "Port:   " + (port_.empty() ? std::string("not opened") : port_) + "\n";
    if (!port_.empty())
        out += "Opened: " + opened_ + "\n";
    out += "VV:     " + (vvSeen_ ? quoted(vv_) : std::string("no reply")) + "\n";
    for (const std::string& t : losses_)
        out +=
            "Lost:   " + t + "  (the line failed; a transmitter put on the port may be another)\n";

    out += "\nSettings and calibration constants as last read\n";
    for (const Reading& r : kReadings) {
        auto it = read_.find(r.command);
        out += "  " + std::string(r.command) + std::string(4 - std::strlen(r.command), ' ');
        if (it == read_.end()) {
            out += "not read  (" + std::string(r.name) + ")\n";
            continue;
        }
        out += value_of(r, it->second.reply) + "  reply " + quoted(it->second.reply) + "  at " +
               it->second.time + "  (" + r.name + ")" +
               (it->second.beforeLoss ? "  before the line was lost" : "") + "\n";
    }

    out += "\nWrites, saves and calibrations since the port was opened\n";
    if (actions_.empty())
        out += "  none\n";
    for (const Action& a : actions_) {
        out += "\n" + a.time + "  " + a.name + "\n";
        for (const std::string& line : a.lines)
            out += "  " + line + "\n";
    }
    return out;
}
