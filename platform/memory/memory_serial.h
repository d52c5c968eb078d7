// In-memory RS-232 line for tests: records every operation and every byte,
// answers from the device model in-process, and keeps time on a fake clock.
//
// The line behaves as a real 9600-baud line does where the program relies on
// it:
// - ComWrt only queues. The pending output leaves when the next read starts
//   waiting, so a flush of the input between write and read never loses the
//   reply; FlushOutQ before that read discards the command.
// - Bytes travel at the line's pace (10 bits a character at the baud rate
//   opened, 1.04 ms at 9600 baud), both ways, on the fake clock. The
//   transmitter takes a command when its CR has arrived, and its reply leaves
//   after the reply's delay, a byte at a time, never overtaking the one
//   before it, with the pause inside it the model asks for.
// - The field's line (the model's Faults): a USB adapter's latency timer
//   hands the bytes over in bursts; a babbling transmitter sends without end.
// - A read ends at the terminator (consumed, not stored), after `count`
//   bytes, or at the time-out, which advances the clock to it. Bytes still
//   on their way stay on their way: a late reply arrives when it arrives,
//   and FlushInQ discards only what has arrived.
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
    ReadPurpose purpose = ReadPurpose::Reply; // Read: what for
    int count = 0;                            // Read: the most bytes asked for
    bool probe = false;                       // Write: the line discipline's probe
    std::string bytes;    // Write: bytes written; Read: bytes stored; FlushIn: bytes discarded
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
    // Every command written successfully and sent, in order, one per write,
    // without its CR ("s0", "D12.090e+01"); one taken back by a flush of the
    // output before it left, and the probes the line discipline sends to get
    // back in step, are left out.
    std::vector<std::string> commands() const;
    // The probes written, in order, without their CR.
    std::vector<std::string> probes() const;
    // The operations as letters: O flush out, I flush in, W write, R read of
    // a reply, T set time-out, P open ("OWIR" per transaction of that
    // variant). The probes, and the line discipline's reads that throw bytes
    // away, are left out: events() has them.
    std::string trace() const;
    bool isOpen() const { return open_; }
    double timeout() const { return timeout_; }
    // Bytes received and not yet read.
    const std::string& pendingInput() const { return input_; }
    // Bytes the transmitter has sent that have not arrived yet.
    std::string inFlight() const;
    // Seconds a character takes on the line.
    double charTime() const { return charTime_; }

    int open(int port, long baudRate, int parity, int dataBits, int stopBits) override;
    int setTimeout(int port, double seconds) override;
    int flushOut(int port) override;
    int flushIn(int port, std::string* flushed) override;
    int write(int port, const char* bytes, int count, WritePurpose purpose) override;
    int read(int port, const LineRead& how, char* buffer, int count, int* stored) override;
    double now() override { return clock_.now(); }

  private:
    int check(int port) const;
    int record(SerialEvent event);
    void transmit();                  // pending output leaves; replies are scheduled
    void arriveUntil(double t);       // bytes due by t move into the input queue
    void babble(double until);        // a babbling transmitter's bytes, up to `until`
    double handover(double at) const; // when a byte off the wire at `at` can be read

    DeviceModel& model_;
    FakeClock& clock_;
    std::set<int> ports_{1};
    bool open_ = false;
    int port_ = 0;
    bool vanished_ = false;
    double timeout_ = 10.0;
    double charTime_ = 10.0 / 9600;
    std::string pendingOut_;
    std::string received_;  // command bytes the transmitter has, up to the next CR
    double outFree_ = 0.0;  // when the line to the transmitter is free
    double backFree_ = 0.0; // when the line back from it is free
    struct Arrival {
        double at;
        char byte;
    };
    std::deque<Arrival> arrivals_; // bytes on their way, in order of arrival
    std::string input_;            // bytes received, not yet read
    std::vector<SerialEvent> events_;
};
