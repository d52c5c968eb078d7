#include "ports/port_lister.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

void completeEntry(PortEntry& entry, const QString& byIdDir) {
    const QString device = QFileInfo(entry.systemLocation).canonicalFilePath();
    entry.byId.clear();
    const QDir dir(byIdDir);
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        if (link.isSymLink() && !device.isEmpty() && link.canonicalFilePath() == device) {
            entry.byId = link.absoluteFilePath();
            break;
        }
    }
    // Without opening it: opening a real port raises its modem lines.
    entry.state = checkDevice(entry.systemLocation, false).state;
}

void sortEntries(std::vector<PortEntry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const PortEntry& a, const PortEntry& b) {
        return a.systemLocation < b.systemLocation;
    });
}
