// In-memory RS-232 line for tests: records every operation and every byte,
// answers from the device model in-process, and keeps time on a fake clock.
//
// The line behaves as the real port does where the program relies on it:
// - ComWrt only queues. The pending output reaches the transmitter when the
//   next read starts, so a flush of the input between write and read never
//   loses the reply; FlushOutQ before that read discards the command.
// - A reply arrives after its delay. A read ends at the terminator (consumed,
//   not stored), after `count` bytes (the rest stays queued, no error), or at
//   the time-out: RS232_TIMEOUT, the bytes so far stored, the clock advanced
//   by the time-out. A reply later than the time-out lands in the input queue
//   when the read gives up, where the next FlushInQ discards it and a read
//   without a flush finds it.
// - Any operation on a port that is not open fails at once with
//   RS232_PORT_NOT_OPEN; opening a number not in setPorts fails with
//   RS232_CANNOT_OPEN; after vanish(), or while the model's line is dropped,
//   everything fails with RS232_IO_ERROR.
#pragma once

#include "platform/backends.h"
#include "sim/device_model.h"

#include <deque>
#include <set>
#include <string>
#include <vector>

// Time that only moves when told: Delay and read time-outs advance it.
class FakeClock : public ClockBackend {
  public:
    void delay(double seconds) override;
    void advance(double seconds);
    double now() const { return now_; }
    // Every Delay asked for, in seconds, in order.
    const std::vector<double>& delays() const { return delays_; }

  private:
    double now_ = 0.0;
    std::vector<double> delays_;
};

struct SerialEvent {
    enum Kind { Open, SetTime, FlushOut, FlushIn, Write, Read } kind;
    int port = 0;
    std::string bytes;    // Write: bytes written; Read: bytes stored
    double seconds = 0.0; // SetTime: the time-out; Read: time the read took
    int result = 0;       // the RS-232 code the operation set
};

class MemorySerial : public SerialBackend {
  public:
    MemorySerial(DeviceModel& model, FakeClock& clock);

    // Port numbers that exist (default: 1).
    void setPorts(std::set<int> ports) { ports_ = std::move(ports); }
    // The port vanishes (adapter unplugged): every operation fails.
    void vanish() { vanished_ = true; }

    const std::vector<SerialEvent>& events() const { return events_; }
    void clearEvents() { events_.clear(); }
    // Every command written successfully, in order, one per write, without
    // its CR ("s0", "D12.090e+01").
    std::vector<std::string> commands() const;
    // The operations as letters: O flush out, I flush in, W write, R read,
    // T set time-out, P open ("OWIR" per transaction of that variant).
    std::string trace() const;
    bool isOpen() const { return open_; }
    double timeout() const { return timeout_; }
    // Bytes received and not yet read.
    const std::string& pendingInput() const { return input_; }

    int open(int port, long baudRate, int parity, int dataBits, int stopBits) override;
    int setTimeout(int port, double seconds) override;
    int flushOut(int port) override;
    int flushIn(int port) override;
    int write(int port, const char* bytes, int count) override;
    int readTerm(int port, char* buffer, int count, int terminator, int* stored) override;

  private:
    int check(int port) const;
    int record(SerialEvent event);
    void transmit();            // pending output reaches the model; replies are scheduled
    void arriveUntil(double t); // replies due by t move into the input queue

    DeviceModel& model_;
    FakeClock& clock_;
    std::set<int> ports_{1};
    bool open_ = false;
    int port_ = 0;
    bool vanished_ = false;
    double timeout_ = 10.0;
    std::string pendingOut_;
    std::string received_; // command bytes the transmitter has, up to the next CR
    struct Arrival {
        double at;
        std::string bytes;
    };
    std::deque<Arrival> arrivals_; // replies on their way, in order of arrival
    std::string input_;            // bytes received, not yet read
    std::vector<SerialEvent> events_;
};
