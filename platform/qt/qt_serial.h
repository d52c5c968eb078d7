// The RS-232 line on QSerialPort, used blocking on the GUI thread.
//
// Port number n is the device named by an entry COM<n> where the program keeps
// its files (a symbolic link to a device, as k964-sim makes one), otherwise
// /dev/ttyS<n-1> on Linux and COM<n> on Windows. Numbers below 1 do not open.
// A device that went away (an adapter pulled out) is opened again by the next
// operation, with the same number, mapping, line settings and time-out; while
// it stays away, every operation fails at once.
// Written bytes wait in Qt's buffer until the next read waits for the reply,
// so FlushInQ between ComWrt and ComRdTerm never discards that reply.
// The port is closed when the program ends, also through ExitProgram.
#pragma once

#include "platform/backends.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

class QSerialPort;

class QtSerial : public SerialBackend {
  public:
    QtSerial();
    ~QtSerial() override;
    QtSerial(const QtSerial&) = delete;
    QtSerial& operator=(const QtSerial&) = delete;

    // The device path port number `port` stands for (see above).
    static QString devicePath(int port);
    // The device of port number `port` when no COM<n> entry maps it.
    static QString defaultPath(int port);

    int open(int port, long baudRate, int parity, int dataBits, int stopBits) override;
    int setTimeout(int port, double seconds) override;
    int flushOut(int port) override;
    int flushIn(int port, std::string* flushed) override;
    int write(int port, const char* bytes, int count, WritePurpose purpose) override;
    int read(int port, const LineRead& how, char* buffer, int count, int* stored) override;
    double now() override;

    // Why the last open failed: the device tried and the reason (missing,
    // busy, forbidden), for the technician. Empty after a successful open.
    const char* openFailure() const override;
    // The serial devices present, named when the device tried is missing.
    // Without it: the ports QSerialPortInfo lists.
    void setPresentDevices(std::function<QStringList()> list);

  private:
    int check(int port);
    int lineFailed(); // the device went away: the next operation opens it again
    int reopen();

    struct Settings {
        long baudRate = 9600;
        int parity = 0, dataBits = 8, stopBits = 1;
    };
    QString explainOpenFailure(const QString& device, const QString& qtError) const;

    std::unique_ptr<QSerialPort> port_;
    int number_ = 0;
    Settings settings_;
    bool linked_ = false; // opened through a COM<n> entry
    double timeout_ = 10.0;
    bool failed_ = false;
    std::string openFailure_;
    std::function<QStringList()> presentDevices_;
    int exitHook_;
};
