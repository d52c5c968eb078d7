// Whether a serial device can be opened now, and if not, why: told apart by
// the error of an open() of the device and by a live lock file, since
// QSerialPort reports a busy and a forbidden device alike.
#pragma once

#include <QString>
#include <QStringList>

enum class DeviceState {
    Opens,     // present, and nothing keeps us out
    Missing,   // no such device, or no port behind its node
    Busy,      // another program holds it: a live lock file or an exclusive open
    Forbidden, // the user may not open it
    Failed,    // any other error of the open
};

struct DeviceCheck {
    DeviceState state = DeviceState::Opens;
    int error = 0;             // errno of the open; 0 if it opened or was not tried
    long lockPid = 0;          // the live process named in the device's lock file
    QString lockFile;          // that lock file
    QString holder;            // that process's program name, if known
    QString owner;             // the device's owner and group
    QString group;             //
    bool groupMayOpen = false; // the group may read and write the device
};

// Checks `device` (a path; links are followed). With `tryOpen` the device is
// opened (not blocking, not as controlling terminal) and closed again, which
// is what tells a busy or forbidden device apart; without, only its node, its
// lock file and the permission bits are looked at.
DeviceCheck checkDevice(const QString& device, bool tryOpen);

// The lock file QSerialPort and other serial programs use for `device`:
// LCK..<name> with the name after /dev/ and each '/' made '_'.
QString lockFileName(const QString& device);

// For the technician: the device tried and why it did not open, with the
// devices present when it is missing and the command that fixes a missing
// permission; `otherwise` (the serial library's own words) when the check
// found nothing wrong. Several lines, plain text.
QString openFailureText(const QString& device, const DeviceCheck& check, const QStringList& present,
                        const QString& otherwise = {});

// One word or phrase for a panel: "present", "not present", "in use",
// "not permitted".
QString deviceStateText(const DeviceCheck& check);
QString deviceStateText(DeviceState state);
