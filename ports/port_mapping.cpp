#include "ports/port_mapping.h"

#include "platform/platform.h"
#include "platform/qt/qt_serial.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

QString linkDirectory() {
    char dir[MAX_PATHNAME_LEN];
    GetFilesDir(dir);
    return QString::fromLocal8Bit(dir);
}

QString mapPort(int number, const PortEntry& entry) {
    if (number < 1)
        return QStringLiteral("port numbers start at 1");
    const QDir dir(linkDirectory());
    const QString name = QStringLiteral("COM%1").arg(number);
    const QString link = dir.filePath(name);
    const QFileInfo existing(link);
    if (existing.exists() && !existing.isSymLink())
        return QStringLiteral("%1 exists and is not a link; it is left alone").arg(link);
    // A new link under a temporary name, then renamed over the old one: the
    // mapping is never missing half-way.
    const QString temporary = dir.filePath(QStringLiteral(".%1.new").arg(name));
    QFile::remove(temporary);
    if (!QFile::link(stableName(entry), temporary))
        return QStringLiteral("cannot make a link in %1").arg(dir.path());
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(temporary).toStdString(),
                            QFile::encodeName(link).toStdString(), error);
    if (error) {
        QFile::remove(temporary);
        return QStringLiteral("cannot replace %1").arg(link);
    }
    const QString opens = QtSerial::devicePath(number);
    const QString device = QFileInfo(entry.systemLocation).canonicalFilePath();
    if (opens != device)
        return QStringLiteral("%1 is made, but port %2 still opens %3")
            .arg(link)
            .arg(number)
            .arg(opens);
    return {};
}
