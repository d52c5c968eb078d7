#include "ports/system_lister.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <algorithm>

SystemPortLister::SystemPortLister(QString byIdDir, QString ttyClassDir)
    : byIdDir_(std::move(byIdDir)), ttyClassDir_(std::move(ttyClassDir)) {}

std::vector<PortEntry> SystemPortLister::ports() {
    std::vector<PortEntry> entries;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        entries.push_back({info.portName(),
                           info.systemLocation(),
                           info.description(),
                           info.manufacturer(),
                           info.serialNumber(),
                           {},
                           DeviceState::Opens});
    }
    // A UART the kernel knows has a type other than 0; QSerialPortInfo
    // checks by opening the port and so misses those the user may not open.
    const QDir ttys(ttyClassDir_);
    for (const QString& name : ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        QFile type(ttys.filePath(name + QStringLiteral("/type")));
        if (!type.open(QIODevice::ReadOnly) || type.readAll().trimmed() == "0")
            continue;
        const QString device = QStringLiteral("/dev/") + name;
        const bool listed = std::any_of(entries.begin(), entries.end(), [&](const PortEntry& e) {
            return e.systemLocation == device;
        });
        if (!listed && QFile::exists(device))
            entries.push_back({name, device, {}, {}, {}, {}, DeviceState::Opens});
    }
    for (PortEntry& entry : entries)
        completeEntry(entry, byIdDir_);
    sortEntries(entries);
    return entries;
}
