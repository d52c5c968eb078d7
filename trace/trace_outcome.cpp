#include "trace/trace_outcome.h"

#include "trace/trace_text.h"

namespace {

// The index of the last reply read: the one the program got.
std::size_t last_reply(const TraceExchange& e) {
    std::size_t last = e.steps.size();
    for (std::size_t i = 0; i < e.steps.size(); ++i) {
        if (e.steps[i].kind == TraceStep::Read && e.steps[i].purpose == ReadPurpose::Reply)
            last = i;
    }
    return last;
}

void note(std::string* notes, const std::string& text) {
    if (!notes->empty())
        *notes += ", ";
    *notes += text;
}

} // namespace

std::string trace_notes(const TraceExchange& e) {
    std::size_t flushed = 0;
    bool rest = false;
    for (const TraceStep& s : e.steps) {
        if (s.kind == TraceStep::FlushIn)
            flushed += s.bytes.size();
        if (s.kind == TraceStep::Read && s.purpose == ReadPurpose::Remnant && !s.bytes.empty())
            rest = true;
    }
    std::string notes;
    if (flushed > 0)
        note(&notes, std::to_string(flushed) + (flushed == 1 ? " byte" : " bytes") + " flushed");
    if (rest)
        note(&notes, "the rest of a cut line thrown away");
    if (int late = e.lateLines())
        note(&notes,
             std::to_string(late) + (late == 1 ? " late line" : " late lines") + " thrown away");
    if (e.resynced())
        note(&notes, "back in step after a probe");
    return notes;
}

std::string trace_outcome(const TraceExchange& e) {
    std::string out = e.error == 0 ? "ok" : trace_error(e.error);
    const std::string notes = trace_notes(e);
    return notes.empty() ? out : out + ", " + notes;
}

TraceResult trace_result(const TraceExchange& e) {
    if (e.error != 0)
        return TraceResult::Failed;
    return trace_notes(e).empty() ? TraceResult::Ok : TraceResult::Recovered;
}

std::string trace_step_outcome(const TraceExchange& e, std::size_t step) {
    const TraceStep& s = e.steps.at(step);
    if (s.result < 0)
        return trace_error(s.result);
    if (s.kind == TraceStep::FlushIn)
        return s.bytes.empty() ? "" : "thrown away";
    if (s.kind == TraceStep::Write)
        return s.probe ? "sent to get back in step" : "";
    if (s.kind != TraceStep::Read)
        return "";
    switch (s.purpose) {
    case ReadPurpose::Reply:
        return step == last_reply(e) ? "" : "a late line, thrown away";
    case ReadPurpose::Remnant:
        return "the rest of a cut line, thrown away";
    case ReadPurpose::Stale:
        return "the rest of a late line, thrown away";
    case ReadPurpose::Resync:
        return "thrown away while getting back in step";
    }
    return "";
}

TraceResult trace_step_result(const TraceExchange& e, std::size_t step) {
    if (e.steps.at(step).result < 0)
        return TraceResult::Failed;
    return trace_step_outcome(e, step).empty() ? TraceResult::Ok : TraceResult::Recovered;
}

bool trace_is_poll(const TraceExchange& e) {
    const std::string sent = e.sent();
    return sent == "u1\r" || sent == "u5\r" || sent == "u9\r" || sent == "m2\r";
}
