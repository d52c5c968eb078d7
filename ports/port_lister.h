// The seam for the serial devices present: an interface, the real lister on
// QSerialPortInfo and /dev/serial/by-id (system_lister.h), and a lister over
// pseudo-terminals for tests (pty_lister.h), which QSerialPortInfo never lists.
#pragma once

#include "platform/qt/device_check.h"

#include <QString>
#include <vector>

// One serial device, described as Qt's serial terminal example does.
struct PortEntry {
    QString portName;       // ttyUSB0
    QString systemLocation; // /dev/ttyUSB0
    QString description;    // FT232R USB UART
    QString manufacturer;   // FTDI
    QString serialNumber;   // A10K1234
    QString byId;           // /dev/serial/by-id/usb-FTDI_..., empty if there is none
    DeviceState state = DeviceState::Opens;
    bool operator==(const PortEntry&) const = default;
};

class PortLister {
  public:
    virtual ~PortLister() = default;
    // The devices present now, sorted by port name.
    virtual std::vector<PortEntry> ports() = 0;
};

// What every lister adds the same way: the by-id name among the links in
// `byIdDir` that lead to the device, and whether the user may open it.
void completeEntry(PortEntry& entry, const QString& byIdDir);
void sortEntries(std::vector<PortEntry>& entries);

// The name a COM<n> link points at: the by-id name, which stays when the
// adapter moves to another USB socket, else the device itself.
inline QString stableName(const PortEntry& entry) {
    return entry.byId.isEmpty() ? entry.systemLocation : entry.byId;
}
