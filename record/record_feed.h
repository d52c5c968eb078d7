// Feeds the service record from the seams: the line trace's steps (the
// port opened, each reply as soon as it is read) and the callbacks as they
// begin and end. The clock and the name of a port's device come from the
// program.
#pragma once

#include "record/service_record.h"
#include "trace/line_trace.h"

#include <functional>
#include <string>

class RecordFeed : public TraceListener {
  public:
    RecordFeed(ServiceRecord& record, std::function<std::string()> clockTime,
               std::function<std::string()> dateTime, std::function<std::string(int)> device);

    void stepDone(const TraceExchange& exchange, const TraceStep& step) override;
    void exchangeEnded(const TraceExchange& exchange) override { (void)exchange; }
    // A control's callback acts on the commit only, a menu item's (event 0)
    // on any selection.
    void callbackBegins(const char* name, int event);
    void callbackEnded(const char* name);

  private:
    ServiceRecord& record_;
    std::function<std::string()> clockTime_;
    std::function<std::string()> dateTime_;
    std::function<std::string(int)> device_;
};
