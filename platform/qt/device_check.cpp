#include "platform/qt/device_check.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX

// The process a lock file names, if it still runs; 0 otherwise. Lock files
// hold the pid as text (QSerialPort's QLockFile, UUCP style) or, in old
// ones, as a binary int.
long liveLockPid(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(64);
    long pid = 0;
    bool ok = false;
    pid = head.split('\n').value(0).trimmed().toLong(&ok);
    if (!ok && head.size() == static_cast<int>(sizeof(int))) {
        int binary = 0;
        std::memcpy(&binary, head.constData(), sizeof binary);
        pid = binary;
    }
    if (pid <= 0)
        return 0;
    // EPERM: it runs, under another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM ? pid : 0;
}

QString programName(long pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

// A serial port's node can exist without a port behind it (ttyS4 on a PC
// with two UARTs): the kernel then reports its type as 0.
bool noPortBehind(const QString& device) {
    QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(QFileInfo(device).fileName()));
    return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0";
}

DeviceState stateOfError(int error) {
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case EIO:
        return DeviceState::Missing;
    case EBUSY:
        return DeviceState::Busy;
    case EACCES:
    case EPERM:
        return DeviceState::Forbidden;
    default:
        return DeviceState::Failed;
    }
}

#endif

} // namespace

QString lockFileName(const QString& device) {
    QString name = QFileInfo(device).absoluteFilePath();
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

DeviceCheck checkDevice(const QString& device, bool tryOpen) {
    DeviceCheck check;
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(device);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        check.error = errno;
        check.state = stateOfError(check.error) == DeviceState::Forbidden ? DeviceState::Forbidden
                                                                          : DeviceState::Missing;
        return check;
    }
    if (const struct passwd* pw = ::getpwuid(st.st_uid))
        check.owner = QString::fromLocal8Bit(pw->pw_name);
    if (const struct group* gr = ::getgrgid(st.st_gid))
        check.group = QString::fromLocal8Bit(gr->gr_name);
    check.groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (noPortBehind(device)) {
        check.state = DeviceState::Missing;
        return check;
    }
    const QString lock = lockFileName(device);
    for (const char* dir : {"/run/lock/", "/var/lock/"}) {
        check.lockFile = QLatin1String(dir) + lock;
        check.lockPid = liveLockPid(check.lockFile);
        if (check.lockPid != 0) {
            check.holder = programName(check.lockPid);
            check.state = DeviceState::Busy;
            return check;
        }
        check.lockPid = 0;
        check.lockFile.clear();
    }
    if (!tryOpen) {
        if (::access(path.constData(), R_OK | W_OK) != 0)
            check.state = DeviceState::Forbidden;
        return check;
    }
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return check;
    }
    check.error = errno;
    check.state = stateOfError(check.error);
#else
    (void)tryOpen;
    if (!QFileInfo::exists(device))
        check.state = DeviceState::Missing;
#endif
    return check;
}

QString openFailureText(const QString& device, const DeviceCheck& check, const QStringList& present,
                        const QString& otherwise) {
    QString text = QStringLiteral("Device tried: %1\n").arg(device);
    switch (check.state) {
    case DeviceState::Missing:
        text += QStringLiteral("Not present: there is no such device.\n");
        text += present.isEmpty() ? QStringLiteral("No serial device is present.")
                                  : QStringLiteral("Serial devices present: %1.")
                                        .arg(present.join(QLatin1String(", ")));
        break;
    case DeviceState::Busy:
        if (check.lockPid != 0)
            text +=
                QStringLiteral("In use by another program: %1process %2 holds its lock file %3.\n")
                    .arg(check.holder.isEmpty() ? QString() : check.holder + QLatin1Char(' '))
                    .arg(check.lockPid)
                    .arg(check.lockFile);
        else
            text += QStringLiteral("In use by another program, which holds it exclusively.\n");
        text += QStringLiteral("Close that program, then try again.");
        break;
    case DeviceState::Forbidden:
        if (check.groupMayOpen && !check.group.isEmpty() && check.group != QLatin1String("root"))
            text +=
                QStringLiteral("Not permitted: your user may not open it. It belongs to the group "
                               "%1: add your user to that group, then log out and in again:\n"
                               "sudo adduser $USER %1")
                    .arg(check.group);
        else
            text += QStringLiteral("Not permitted: only its owner %1 may open it. Ask the "
                                   "administrator for access.")
                        .arg(check.owner.isEmpty() ? QStringLiteral("(unknown)") : check.owner);
        break;
    case DeviceState::Failed:
    case DeviceState::Opens:
#ifdef Q_OS_UNIX
        if (check.error != 0) {
            text += QStringLiteral("It did not open: %1.")
                        .arg(QString::fromLocal8Bit(std::strerror(check.error)));
            break;
        }
#endif
        text += otherwise.isEmpty() ? QStringLiteral("It did not open.")
                                    : QStringLiteral("It did not open: %1.").arg(otherwise);
        break;
    }
    return text;
}

QString deviceStateText(const DeviceCheck& check) {
    return deviceStateText(check.state);
}

QString deviceStateText(DeviceState state) {
    switch (state) {
    case DeviceState::Opens:
    case DeviceState::Failed:
        return QStringLiteral("present");
    case DeviceState::Missing:
        return QStringLiteral("not present");
    case DeviceState::Busy:
        return QStringLiteral("in use");
    case DeviceState::Forbidden:
        return QStringLiteral("not permitted");
    }
    return {};
}
