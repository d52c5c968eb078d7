// The calibration assistant: a zero or a span, step by step, through the
// service panel's own buttons.
//
//   Instruct     what to apply and set; the test gas is entered
//   Settle       the live values and the stability, until "stable" on the
//                polls since the gas was applied (going on without it only
//                after a warning, and that is kept); leaving it takes the
//                as-found readings and constants
//   Command      the service panel's Zero or Span button, clicked as the
//                technician would: its guards and its own question decide;
//                a refusal or a No sends nothing and stays here
//   SettleAfter  the same, on the polls since the command; leaving it takes
//                the as-left readings and the constants as the procedure
//                read them again
//   Verdict      each constant against the tolerance; one beyond it is kept
//                as accepted only on a second confirmation
//   Done         recorded; a rejected one may have its as-found constants
//                stored back through the panel's Store
//
// Cancel sends nothing; after the command went out it is recorded as
// cancelled. A calibration that got no reply is recorded as failed. Plain
// C++ over the platform's operations; the window is elsewhere.
#pragma once

#include "assistant/panel_watch.h"
#include "assistant/tolerance.h"
#include "history/calibration_entry.h"
#include "trend/trend.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

struct AssistantHooks {
    std::function<Stability()> stability; // the trend's, now
    std::function<std::string()> unit;    // the main value's unit
    std::function<double()> clock;        // seconds, on the trend's clock
    std::function<std::string()> now;     // "2026-12-09T10:32:05"
    std::function<std::string()> port;    // "COM1 -> /dev/ttyUSB0"
    std::function<std::string()> device;  // the VV reply read on this line, or ""
    std::function<std::int64_t(const CalibrationEntry&)> record; // the history
    std::string program;                                         // k964's version
};

class Assistant {
  public:
    enum class Step { Idle, Instruct, Settle, Command, SettleAfter, Verdict, Done };
    // What a step's action came to.
    enum class Go {
        Ok,        // the next step is reached
        NotStable, // not stable: goOnUnstable() goes on, after the warning
        Refused,   // the panel refused (its popup); nothing sent
        Declined,  // its question was answered No; nothing sent
        Busy,      // another action ran; nothing done
        Failed,    // the command got no reply; recorded
        Beyond,    // beyond the tolerance: acceptBeyond() or reject()
        Recorded,  // the calibration is in the history
        NotNow,    // the action does not belong to this step
    };

    Assistant(PanelWatch& watch, AssistantHooks hooks);
    // Where recorded calibrations go (the history).
    void setRecord(std::function<std::int64_t(const CalibrationEntry&)> record) {
        hooks_.record = std::move(record);
    }

    // The technician and the tag go into the entry when it is recorded.
    void setTechnician(std::string name) { technician_ = std::move(name); }
    void setTag(std::string tag) { tag_ = std::move(tag); }
    const std::string& technician() const { return technician_; }
    const std::string& tag() const { return tag_; }
    void setGas(CalibrationKind kind, TestGas gas) { gas_[index(kind)] = std::move(gas); }
    const TestGas& gas(CalibrationKind kind) const { return gas_[index(kind)]; }
    // The tolerance goes into the entry when the as-found readings are
    // taken. Out of range is refused (false).
    bool setTolerance(double percent);
    double tolerance() const { return tolerance_; }

    // From Idle or Done.
    Go begin(CalibrationKind kind);
    // The step's way on: Instruct -> Settle -> Command (the button) ->
    // SettleAfter -> Verdict -> Done (accepting what is within tolerance).
    Go next();
    // After NotStable at Settle or SettleAfter.
    Go goOnUnstable();
    // At Verdict: acceptBeyond() after next() said Beyond.
    Go acceptBeyond();
    Go reject();
    // At any step; back to Idle.
    Go cancel();
    // After a rejected calibration: the as-found constants back into the
    // service panel's fields, and its Store clicked, which asks and sends
    // as it always does. Once it has stored them.
    bool canRestore() const;
    Go restore();

    Step step() const { return step_; }
    CalibrationKind kind() const { return entry_.kind; }
    bool warned() const { return warned_; }
    // The step's instruction, in the panel's own terms.
    std::string instruction() const;
    // What the last action came to, in words; "" when nothing to say.
    const std::string& message() const { return message_; }
    // The calibration so far; as recorded once Done.
    const CalibrationEntry& entry() const { return entry_; }
    std::array<ConstantVerdict, 3> verdicts() const;
    bool beyond() const;
    // The stability as a waiting step counts it: "settling" until the
    // trend's window holds polls of this step only (after the gas was
    // applied, after the command).
    Stability stability() const;
    // The live values as the panel shows them now, with `s` as stability().
    CalibrationReading live(const Stability& s) const { return reading(s); }
    std::int64_t recordedId() const { return recordedId_; }
    static constexpr double kSettleSeconds = Trend::kWindowSeconds;

  private:
    static int index(CalibrationKind kind) { return kind == CalibrationKind::Zero ? 0 : 1; }
    CalibrationReading reading(const Stability& st) const;
    static std::array<std::optional<double>, 3> constants();
    Go settled(bool unstable);
    Go command();
    Go finish(CalibrationOutcome outcome);

    PanelWatch& watch_;
    AssistantHooks hooks_;
    std::string technician_;
    std::string tag_;
    std::array<TestGas, 2> gas_;
    double tolerance_ = kDefaultTolerancePercent;
    Step step_ = Step::Idle;
    CalibrationEntry entry_;
    bool warned_ = false;     // the warning of going on unstable was given
    bool sent_ = false;       // the command went out
    bool restored_ = false;   // the as-found constants were stored back
    double settleFrom_ = 0.0; // the waiting step began
    std::string message_;
    std::int64_t recordedId_ = 0;
};
