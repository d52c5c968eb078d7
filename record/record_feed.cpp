#include "record/record_feed.h"

#include <utility>

RecordFeed::RecordFeed(ServiceRecord& record, std::function<std::string()> clockTime,
                       std::function<std::string()> dateTime,
                       std::function<std::string(int)> device)
    : record_(record), clockTime_(std::move(clockTime)), dateTime_(std::move(dateTime)),
      device_(std::move(device)) {}

// The record hears of a reply as soon as it is read, so that it stands
// before the texts the procedure shows next.
void RecordFeed::stepDone(const TraceExchange& exchange, const TraceStep& step) {
    if (step.kind == TraceStep::Open) {
        const int port = static_cast<int>(step.value);
        record_.portOpened(port, device_(port), step.result, dateTime_());
    } else if (step.kind == TraceStep::Read && step.purpose == ReadPurpose::Reply) {
        record_.exchange(exchange.number, exchange.sent(), exchange.reply(), exchange.error,
                         clockTime_());
    }
    if (step.result == RS232_IO_ERROR)
        record_.lineLost(clockTime_());
}

void RecordFeed::callbackBegins(const char* name, int event) {
    record_.callbackBegins(event == EVENT_COMMIT || event == 0 ? name : "", clockTime_());
}

void RecordFeed::callbackEnded(const char* name) {
    record_.callbackEnded(name);
}
