#include "ports/pty_lister.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

PtyPortLister::PtyPortLister(QString byIdDir) : byIdDir_(std::move(byIdDir)) {
    QDir().mkpath(byIdDir_);
}

QString PtyPortLister::plug(const FakeAdapter& adapter) {
    adapters_.push_back(adapter);
    if (adapter.byIdName.isEmpty())
        return adapter.device;
    const QString link = QDir(byIdDir_).filePath(adapter.byIdName);
    QFile::remove(link);
    QFile::link(adapter.device, link);
    return link;
}

std::vector<PortEntry> PtyPortLister::ports() {
    std::vector<PortEntry> entries;
    for (auto it = adapters_.begin(); it != adapters_.end();) {
        if (!QFileInfo::exists(it->device)) {
            if (!it->byIdName.isEmpty())
                QFile::remove(QDir(byIdDir_).filePath(it->byIdName));
            it = adapters_.erase(it);
            continue;
        }
        QString name = it->device;
        name.remove(0, name.startsWith(QLatin1String("/dev/")) ? 5 : 0);
        PortEntry entry{
            name, it->device,        it->description, it->manufacturer, it->serialNumber,
            {},   DeviceState::Opens};
        completeEntry(entry, byIdDir_);
        entries.push_back(entry);
        ++it;
    }
    sortEntries(entries);
    return entries;
}
