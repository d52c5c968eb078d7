#include "assistant/assistant.h"

#include "app/globals.h"
#include "app/herkunft.h"
#include "calibration/calibration.h"
#include "platform/backends.h"
#include "ui/ids.h"

#include <algorithm>
#include <cmath>

namespace {

const char* name_of(CalibrationKind kind) {
    return kind == CalibrationKind::Zero ? "Zero calibration" : "Span calibration";
}

} // namespace

Assistant::Assistant(PanelWatch& watch, AssistantHooks hooks)
    : watch_(watch), hooks_(std::move(hooks)) {}

bool Assistant::setTolerance(double percent) {
    if (!(percent >= kMinTolerancePercent && percent <= kMaxTolerancePercent))
        return false;
    tolerance_ = percent;
    return true;
}

Assistant::Go Assistant::begin(CalibrationKind kind) {
    if (step_ != Step::Idle && step_ != Step::Done)
        return Go::NotNow;
    entry_ = CalibrationEntry{};
    entry_.kind = kind;
    warned_ = false;
    sent_ = false;
    restored_ = false;
    recordedId_ = 0;
    message_.clear();
    step_ = Step::Instruct;
    return Go::Ok;
}

std::string Assistant::instruction() const {
    const bool zero = entry_.kind == CalibrationKind::Zero;
    switch (step_) {
    case Step::Idle:
        return "Choose Zero or Span to begin.";
    case Step::Instruct:
        return zero ? "Apply the zero gas and set the calibration voltage Vcal to 0 mV "
                      "(u1 reads 0). Enter the gas below, then go on."
                    : "Apply the span gas and set the calibration voltage Vcal (u1 between "
                      "-10 and 10). Enter the gas below, then go on.";
    case Step::Settle:
        return "Wait until the reading is stable. Going on takes the as-found readings and "
               "constants.";
    case Step::Command:
        return zero ? "Take the zero point: the service panel's Zero calibration asks "
                      "\"SET Vcal = 0 mV ?\"; Yes sends it."
                    : "Take the span: the service panel's Span calibration asks "
                      "\"SET Vcal = V ?\"; Yes sends it.";
    case Step::SettleAfter:
        return "Taken. Wait until the reading is stable again. Going on takes the as-left "
               "readings and the constants the transmitter holds now.";
    case Step::Verdict:
        return beyond() ? "A constant moved beyond the tolerance. Keep it only if that is "
                          "what you expect; else reject."
                        : "Every constant within the tolerance. Accept to record it.";
    case Step::Done:
        return "Recorded. Choose Zero or Span for the next calibration.";
    }
    return {};
}

Stability Assistant::stability() const {
    Stability st = hooks_.stability ? hooks_.stability() : Stability{};
    if ((step_ == Step::Settle || step_ == Step::SettleAfter) &&
        hooks_.clock() - settleFrom_ < kSettleSeconds) {
        st.stable = false;
        st.text = "settling";
    }
    return st;
}

CalibrationReading Assistant::reading(const Stability& st) const {
    CalibrationReading r;
    r.at = hooks_.now();
    r.value = watch_.value();
    r.unit = r.value && hooks_.unit ? hooks_.unit() : std::string();
    r.u1 = watch_.u1();
    r.stable = st.stable;
    if (st.stable)
        r.spread = st.s;
    return r;
}

// The constants as the panel holds them from the transmitter; none where
// they are not this transmitter's as the line is now.
std::array<std::optional<double>, 3> Assistant::constants() {
    std::array<std::optional<double>, 3> c;
    for (int i = 0; i < 3; ++i) {
        if (herkunft_bekannt(HK_K8 + i, HK_K8 + i))
            c[static_cast<std::size_t>(i)] = ewert[8 + i];
    }
    return c;
}

std::array<ConstantVerdict, 3> Assistant::verdicts() const {
    std::array<ConstantVerdict, 3> v;
    for (std::size_t i = 0; i < 3; ++i)
        v[i] = judge_constant(entry_.before[i], entry_.after[i], entry_.tolerancePercent);
    return v;
}

bool Assistant::beyond() const {
    const auto v = verdicts();
    return std::any_of(v.begin(), v.end(), [](const ConstantVerdict& c) { return c.beyond; });
}

Assistant::Go Assistant::next() {
    message_.clear();
    switch (step_) {
    case Step::Instruct:
        entry_.gas = gas_[index(entry_.kind)];
        entry_.started = hooks_.now();
        settleFrom_ = hooks_.clock();
        step_ = Step::Settle;
        return Go::Ok;
    case Step::Settle:
    case Step::SettleAfter:
        return settled(false);
    case Step::Command:
        return command();
    case Step::Verdict:
        if (beyond()) {
            warned_ = true;
            message_ = "Beyond the tolerance: keep it only with a second confirmation.";
            return Go::Beyond;
        }
        return finish(CalibrationOutcome::Accepted);
    default:
        return Go::NotNow;
    }
}

Assistant::Go Assistant::goOnUnstable() {
    if ((step_ != Step::Settle && step_ != Step::SettleAfter) || !warned_)
        return Go::NotNow;
    message_.clear();
    return settled(true);
}

Assistant::Go Assistant::settled(bool unstable) {
    const Stability st = stability();
    if (!st.stable && !unstable) {
        warned_ = true;
        message_ = "The reading is not stable (" + st.text +
                   "). Going on now is recorded as going on unstable.";
        return Go::NotStable;
    }
    warned_ = false;
    if (unstable) {
        entry_.wentOnUnstable = true;
        entry_.note += std::string(entry_.note.empty() ? "" : "; ") + "went on unstable " +
                       (step_ == Step::Settle ? "before" : "after") + " the command (" + st.text +
                       ")";
    }
    if (step_ == Step::Settle) {
        entry_.asFound = reading(st);
        entry_.before = constants();
        entry_.tolerancePercent = tolerance_;
        step_ = Step::Command;
    } else {
        entry_.asLeft = reading(st);
        entry_.after = constants();
        entry_.beyondTolerance = beyond();
        step_ = Step::Verdict;
    }
    return Go::Ok;
}

// The service panel's own button, as a click: the callback observer, the
// trend and the outcome line see it as one.
Assistant::Go Assistant::command() {
    const bool zero = entry_.kind == CalibrationKind::Zero;
    watch_.watchAction();
    const bool ran = DispatchCtrlCallback(zero ? nullen : setzen, p3,
                                          zero ? SERVICE_ZERO : SERVICE_SPAN, EVENT_COMMIT);
    watch_.stopWatching();
    if (!ran) {
        message_ = "Another action is running; try again.";
        return Go::Busy;
    }
    const std::vector<std::string>& texts = watch_.statusTexts();
    const auto save = std::find(texts.rbegin(), texts.rend(), std::string("SAVE"));
    if (save == texts.rend()) {
        for (const PanelWatch::Asked& a : watch_.asked()) {
            if (a.answer == 0) {
                message_ = "Answered No: nothing was sent.";
                return Go::Declined;
            }
            if (a.answer < 0) {
                std::string why = a.message;
                why.erase(0, why.find_first_not_of(' '));
                message_ = "Refused by the service panel: " + why + " Nothing was sent.";
                return Go::Refused;
            }
        }
        message_ = "Nothing was sent.";
        return Go::Refused;
    }
    sent_ = true;
    settleFrom_ = hooks_.clock();
    const std::string& outcome = texts.back();
    if (outcome != "ok") {
        entry_.note += std::string(entry_.note.empty() ? "" : "; ") + outcome;
        message_ = std::string(name_of(entry_.kind)) + " failed: " + outcome;
        finish(CalibrationOutcome::Failed);
        return Go::Failed;
    }
    step_ = Step::SettleAfter;
    return Go::Ok;
}

Assistant::Go Assistant::acceptBeyond() {
    if (step_ != Step::Verdict || !warned_)
        return Go::NotNow;
    return finish(CalibrationOutcome::Accepted);
}

Assistant::Go Assistant::reject() {
    if (step_ != Step::Verdict)
        return Go::NotNow;
    return finish(CalibrationOutcome::Rejected);
}

Assistant::Go Assistant::cancel() {
    message_.clear();
    if (step_ == Step::Idle || step_ == Step::Done)
        return Go::NotNow;
    if (!sent_) {
        step_ = Step::Idle;
        message_ = "Cancelled: nothing was sent.";
        return Go::Ok;
    }
    if (step_ == Step::SettleAfter)
        entry_.after = constants();
    return finish(CalibrationOutcome::Cancelled);
}

bool Assistant::canRestore() const {
    return step_ == Step::Done && entry_.outcome == CalibrationOutcome::Rejected && !restored_ &&
           std::all_of(entry_.before.begin(), entry_.before.end(),
                       [](const std::optional<double>& c) { return c.has_value(); });
}

Assistant::Go Assistant::restore() {
    if (!canRestore())
        return Go::NotNow;
    for (int i = 0; i < 3; ++i)
        SetCtrlVal(p3, SERVICE_CAL_8 + i, *entry_.before[static_cast<std::size_t>(i)]);
    watch_.watchAction();
    const bool ran = DispatchCtrlCallback(stcal, p3, SERVICE_STORE, EVENT_COMMIT);
    watch_.stopWatching();
    if (!ran) {
        message_ = "Another action is running; try again.";
        return Go::Busy;
    }
    // Store says what failed in a popup (a constant it sent counts as known
    // all the same); it may be tried again.
    for (const PanelWatch::Asked& a : watch_.asked()) {
        if (a.answer == 0) {
            message_ = "Answered No: nothing was stored.";
            return Go::Declined;
        }
        if (a.answer < 0) {
            message_ = "Storing the as-found constants back failed: " + a.message;
            return Go::Failed;
        }
    }
    restored_ = true;
    // The transmitter's constants as Store read them back, against the
    // as-found ones within the four digits the command carries.
    const auto now = constants();
    for (std::size_t i = 0; i < 3; ++i) {
        if (!now[i] ||
            std::fabs(*now[i] - *entry_.before[i]) > 5e-4 * std::fabs(*entry_.before[i])) {
            message_ = "Not every as-found constant was stored back: see the service panel.";
            return Go::Failed;
        }
    }
    message_ = "The as-found constants are back in the transmitter.";
    return Go::Ok;
}

Assistant::Go Assistant::finish(CalibrationOutcome outcome) {
    entry_.outcome = outcome;
    entry_.finished = hooks_.now();
    // Who and where as they stand when it is recorded: a name corrected
    // during the calibration is the one on its certificate.
    entry_.technician = technician_;
    entry_.tag = tag_;
    entry_.port = hooks_.port ? hooks_.port() : std::string();
    entry_.device = hooks_.device ? hooks_.device() : std::string();
    entry_.program = hooks_.program;
    recordedId_ = hooks_.record ? hooks_.record(entry_) : 0;
    step_ = Step::Done;
    if (message_.empty() || outcome != CalibrationOutcome::Failed)
        message_ = std::string(name_of(entry_.kind)) + " recorded as " +
                   (outcome == CalibrationOutcome::Accepted    ? "accepted"
                    : outcome == CalibrationOutcome::Rejected  ? "rejected"
                    : outcome == CalibrationOutcome::Cancelled ? "cancelled"
                                                               : "failed") +
                   ".";
    if (hooks_.record && recordedId_ == 0)
        message_ += " It could not be stored in the history.";
    return Go::Recorded;
}
