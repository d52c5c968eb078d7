#include "addons/outcome.h"

#include "ui/ids.h"

#include <algorithm>
#include <utility>

namespace {

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string trimmed(const std::string& s) {
    const std::size_t b = s.find_first_not_of(' ');
    const std::size_t e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

} // namespace

OutcomeFeed::OutcomeFeed(std::function<std::string()> clock, std::function<std::string(int)> device)
    : clock_(std::move(clock)), device_(std::move(device)) {}

void OutcomeFeed::callbackBegins(const char* name, int event) {
    acting_ = event == EVENT_COMMIT || event == 0 ? name : "";
    main_.clear();
    service_.clear();
    popups_.clear();
    constantsWritten_ = 0;
}

std::string OutcomeFeed::connection() const {
    if (port_ == 0)
        return "Not connected";
    return "COM" + std::to_string(port_) + " \u2192 " + portDevice_ + " \u00b7 " +
           (readAt_.empty() ? std::string("not read") : "read " + readAt_);
}

void OutcomeFeed::shownText(int panel, int control, const char* text) {
    if (acting_.empty())
        return;
    if (panel == PANEL_MAIN && control == MAIN_STATUS)
        main_.push_back(text);
    else if (panel == PANEL_SERVICE && control == SERVICE_STATUS)
        service_.push_back(text);
}

void OutcomeFeed::popupAnswered(const char* title, const char* message, int answer) {
    (void)title;
    if (!acting_.empty())
        popups_.push_back({trimmed(message), answer});
}

void OutcomeFeed::stepDone(const TraceExchange& exchange, const TraceStep& step) {
    (void)exchange;
    // Store sends only the constants that differ from what was read.
    const std::string& b = step.bytes;
    if (step.kind == TraceStep::Write && !step.probe && !acting_.empty() && b.size() > 1 &&
        b[0] == 'D' && (b[1] == '8' || b[1] == '9' || b[1] == '0'))
        ++constantsWritten_;
    if (step.kind != TraceStep::Open || step.result != 0)
        return;
    port_ = static_cast<int>(step.value);
    portDevice_ = device_(port_);
    readAt_.clear();
}

std::string OutcomeFeed::readBack(std::size_t from) const {
    for (std::size_t i = from; i < main_.size(); ++i) {
        if (main_[i] != "GET")
            continue;
        return i + 1 < main_.size() ? main_[i + 1] : std::string();
    }
    return {};
}

std::string OutcomeFeed::notDone(const std::string& what) const {
    for (const Popup& p : popups_) {
        if (p.answer == 0)
            return what + " cancelled";
        if (p.answer < 0)
            return what + " refused: " + p.message;
    }
    return {};
}

OutcomeFeed::Taken OutcomeFeed::callbackEnded(const char* name) {
    const std::string action = std::exchange(acting_, std::string());
    if (action.empty() || action != name)
        return Taken::Nothing;
    const std::string at = clock_();
    if (action == "comok" || action == "go" || action == "setoffen") {
        const std::string read = readBack(0);
        if (read == "ok") {
            readAt_ = at;
            outcome_ = "Read from the transmitter at " + at;
        } else if (starts_with(read, "NO CONNECT")) {
            outcome_ = "Read failed: " + read;
        } else if (!read.empty()) {
            outcome_ = "Read at " + at + ", not all of it: " + read;
        }
        // The constants follow the read-back on the service panel.
        for (const char* failed : {"NO CONNECT 5", "NO VALUE 5"}) {
            if (action == "setoffen" && std::count(main_.begin(), main_.end(), failed) > 0) {
                outcome_ += std::string("; constants not read: ") + failed;
                break;
            }
        }
    } else if (action == "setsp") {
        const auto save = std::find(main_.begin(), main_.end(), "SAVE");
        if (save == main_.end()) {
            const std::string why = notDone("Save");
            if (!why.empty())
                outcome_ = why;
        } else if (const std::string failed = saveFailure(); !failed.empty()) {
            outcome_ = "Save failed: " + failed;
        } else {
            const std::string read = readBack(static_cast<std::size_t>(save - main_.begin()));
            if (read == "ok") {
                readAt_ = at;
                outcome_ = "Saved to the transmitter at " + at;
            } else {
                outcome_ = "Written at " + at + ", but the read-back says " + read;
            }
        }
    } else if (action == "stcal") {
        return store();
    } else if (action == "writesettings") {
        return fromFile(at);
    } else if (action == "nullen") {
        return calibration("Zero calibration", Taken::Zero);
    } else if (action == "setzen") {
        return calibration("Span calibration", Taken::Span);
    }
    return Taken::Nothing;
}

std::string OutcomeFeed::saveFailure() const {
    const auto save = std::find(main_.begin(), main_.end(), "SAVE");
    return save != main_.end() && save + 1 != main_.end() && starts_with(*(save + 1), "NO CONNECT")
               ? *(save + 1)
               : std::string();
}

// Store names the constants it could not store ("Constant 8, 0 not
// stored !"), one digit each.
int OutcomeFeed::notStored() const {
    int n = 0;
    for (const Popup& p : popups_) {
        if (starts_with(p.message, "Constant ") && p.message.ends_with(" not stored !"))
            n += static_cast<int>(std::count_if(p.message.begin(), p.message.end(),
                                                [](char c) { return c >= '0' && c <= '9'; }));
    }
    return n;
}

// Write settings from file: its last box, the result or the question
// declined, says what came of it; none when no file was chosen. "Written"
// only when something went out (Save begins with "SAVE") and the Save went
// through.
OutcomeFeed::Taken OutcomeFeed::fromFile(const std::string& at) {
    if (popups_.empty())
        return Taken::Nothing;
    const Popup& last = popups_.back();
    const bool saved = std::find(main_.begin(), main_.end(), "SAVE") != main_.end();
    const std::string saveFailed = saveFailure();
    if (last.answer == 0) {
        outcome_ = "Write from file cancelled";
    } else if (starts_with(last.message, "verified")) {
        readAt_ = at;
        outcome_ = "Settings from file written and verified at " + at;
    } else if (!saved && constantsWritten_ == 0) {
        outcome_ = "Nothing written from file";
    } else if (!saveFailed.empty()) {
        outcome_ = "Write from file failed: Save failed: " + saveFailed + ", nothing stored";
    } else if (starts_with(last.message, "Store not run")) {
        outcome_ =
            "Write from file failed: the settings did not read back as written, nothing stored";
    } else {
        outcome_ = "Settings from file written at " + at + ", not verified";
    }
    return constantsWritten_ > notStored() ? Taken::Store : Taken::Nothing;
}

OutcomeFeed::Taken OutcomeFeed::store() {
    std::vector<std::string> failed;
    for (const std::string& s : main_) {
        if (s == "NO CONNECT 5" || s == "NO VALUE 5" || s == "NOT TAKEN")
            failed.push_back(s);
    }
    const bool ok = std::find(main_.begin(), main_.end(), "ok") != main_.end();
    if (failed.empty()) {
        if (constantsWritten_ > 0) {
            outcome_ = "Constants stored in the transmitter at " + clock_();
            return Taken::Store;
        }
        const std::string why = notDone("Store");
        if (!why.empty())
            outcome_ = why;
        else if (ok)
            outcome_ = "Constants as read: nothing to store";
        return Taken::Nothing;
    }
    outcome_ = "Store failed: " + failed.front();
    if (!popups_.empty() && popups_.back().answer < 0)
        outcome_ += ", " + popups_.back().message;
    // Some of those sent went in.
    return constantsWritten_ > notStored() ? Taken::Store : Taken::Nothing;
}

OutcomeFeed::Taken OutcomeFeed::calibration(const char* what, Taken kind) {
    const auto sent = std::find(service_.begin(), service_.end(), "SAVE");
    if (sent == service_.end()) {
        const std::string why = notDone(what);
        if (!why.empty())
            outcome_ = why;
        return Taken::Nothing;
    }
    if (sent + 1 != service_.end() && *(sent + 1) == "ok") {
        outcome_ = std::string(what) + " taken at " + clock_();
        return kind;
    }
    outcome_ = std::string(what) +
               " failed: " + (sent + 1 != service_.end() ? *(sent + 1) : std::string("no reply"));
    return Taken::Nothing;
}
