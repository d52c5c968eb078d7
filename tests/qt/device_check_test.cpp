// Why a device does not open, told apart by the lock file and the error of
// an open(), and the text the technician reads; the real lister's built-in
// ports and by-id names.
#include "platform/qt/device_check.h"
#include "ports/system_lister.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A pseudo-terminal, present while the object lives, without a lock file
// left for an earlier one of its number.
class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            device_ = QString::fromLocal8Bit(ptsname(master_));
        QFile::remove(QStringLiteral("/var/lock/") + lockFileName(device_));
    }
    ~Pty() { close(master_); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    const QString& device() const { return device_; }

  private:
    int master_ = -1;
    QString device_;
};

// A lock file for a device, removed when the object goes.
class LockFile {
  public:
    LockFile(const QString& device, const QByteArray& content)
        : path_(QStringLiteral("/run/lock/") + lockFileName(device)) {
        QFile file(path_);
        ok_ = file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    ~LockFile() { QFile::remove(path_); }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    bool ok() const { return ok_; }
    const QString& path() const { return path_; }

  private:
    QString path_;
    bool ok_ = false;
};

// The pid of a process that has ended.
pid_t endedPid() {
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

TEST(DeviceCheck, LockFilesAreNamedAsSerialProgramsNameThem) {
    const struct {
        const char* device;
        const char* lock;
    } cases[] = {
        {"/dev/ttyUSB0", "LCK..ttyUSB0"},
        {"/dev/ttyS0", "LCK..ttyS0"},
        {"/dev/pts/3", "LCK..pts_3"},
        {"/dev/serial/by-id/usb-x", "LCK..serial_by-id_usb-x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lockFileName(QString::fromLatin1(c.device)), QString::fromLatin1(c.lock));
}

TEST(DeviceCheck, AMissingDeviceAndALinkToNothingAreMissing) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("COM1"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), link));
    for (const QString& device : {QStringLiteral("/dev/ttyUSB-none"), link}) {
        for (bool tryOpen : {false, true}) {
            const DeviceCheck check = checkDevice(device, tryOpen);
            EXPECT_EQ(check.state, DeviceState::Missing) << device.toStdString();
            EXPECT_EQ(check.error, ENOENT);
        }
    }
}

TEST(DeviceCheck, ALiveLockFileMakesADeviceBusyAndAStaleOneDoesNot) {
    Pty pty;
    ASSERT_FALSE(pty.device().isEmpty());
    EXPECT_EQ(checkDevice(pty.device(), true).state, DeviceState::Opens);

    int self = getpid();
    const struct {
        QByteArray content;
        DeviceState state;
        long pid;
    } cases[] = {
        {QByteArray::number(getpid()) + "\nk964\nhost\n", DeviceState::Busy, getpid()},
        {"      " + QByteArray::number(getpid()) + "\n", DeviceState::Busy, getpid()},
        {QByteArray(reinterpret_cast<const char*>(&self), sizeof self), DeviceState::Busy,
         getpid()},
        {QByteArray::number(endedPid()) + "\n", DeviceState::Opens, 0},
        {"garbage\n", DeviceState::Opens, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.toStdString());
        LockFile lock(pty.device(), c.content);
        ASSERT_TRUE(lock.ok());
        for (bool tryOpen : {false, true}) {
            const DeviceCheck check = checkDevice(pty.device(), tryOpen);
            EXPECT_EQ(check.state, c.state);
            EXPECT_EQ(check.lockPid, c.pid);
            if (c.pid != 0) {
                EXPECT_EQ(check.lockFile, lock.path());
                EXPECT_EQ(check.holder, QStringLiteral("k964_qt_tests"));
            }
        }
    }
}

TEST(DeviceCheck, EachReasonReadsAsTheTechnicianNeedsIt) {
    DeviceCheck busyByLock;
    busyByLock.state = DeviceState::Busy;
    busyByLock.lockPid = 4242;
    busyByLock.holder = QStringLiteral("minicom");
    busyByLock.lockFile = QStringLiteral("/run/lock/LCK..ttyUSB0");
    DeviceCheck exclusive;
    exclusive.state = DeviceState::Busy;
    exclusive.error = EBUSY;
    DeviceCheck dialout;
    dialout.state = DeviceState::Forbidden;
    dialout.error = EACCES;
    dialout.owner = QStringLiteral("root");
    dialout.group = QStringLiteral("dialout");
    dialout.groupMayOpen = true;
    DeviceCheck ownerOnly = dialout;
    ownerOnly.group = QStringLiteral("root");
    DeviceCheck noGroupAccess = dialout;
    noGroupAccess.groupMayOpen = false;
    DeviceCheck missing;
    missing.state = DeviceState::Missing;
    DeviceCheck other;
    other.state = DeviceState::Failed;
    other.error = EINVAL;
    const QString device = QStringLiteral("/dev/ttyUSB0");
    const QString head = QStringLiteral("Device tried: /dev/ttyUSB0\n");
    const struct {
        DeviceCheck check;
        QStringList present;
        QString text;
        QString word;
    } cases[] = {
        {missing,
         {},
         head + "Not present: there is no such device.\nNo serial device is present.",
         "not present"},
        {missing,
         {"/dev/ttyS0", "/dev/ttyUSB1 (FT232R USB UART, FTDI)"},
         head + "Not present: there is no such device.\nSerial devices present: /dev/ttyS0, "
                "/dev/ttyUSB1 (FT232R USB UART, FTDI).",
         "not present"},
        {busyByLock,
         {},
         head + "In use by another program: minicom process 4242 holds its lock file "
                "/run/lock/LCK..ttyUSB0.\nClose that program, then try again.",
         "in use"},
        {exclusive,
         {},
         head + "In use by another program, which holds it exclusively.\nClose that program, "
                "then try again.",
         "in use"},
        {dialout,
         {},
         head + "Not permitted: your user may not open it. It belongs to the group dialout: add "
                "your user to that group, then log out and in again:\nsudo adduser $USER dialout",
         "not permitted"},
        {ownerOnly,
         {},
         head + "Not permitted: only its owner root may open it. Ask the administrator for access.",
         "not permitted"},
        {noGroupAccess,
         {},
         head + "Not permitted: only its owner root may open it. Ask the administrator for access.",
         "not permitted"},
        {other, {}, head + "It did not open: Invalid argument.", "present"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(openFailureText(device, c.check, c.present, "Qt's words"), c.text);
        EXPECT_EQ(deviceStateText(c.check), c.word);
    }
    // Nothing found wrong: the serial library's own words.
    EXPECT_EQ(openFailureText(device, DeviceCheck{}, {}, "Device is already open"),
              head + "It did not open: Device is already open.");
    EXPECT_EQ(openFailureText(device, DeviceCheck{}, {}), head + "It did not open.");
}

TEST(SystemPortLister, AddsTheUartsTheKernelKnowsWithTheirByIdNames) {
    QTemporaryDir classDir;
    QTemporaryDir byId;
    // ptmx stands in for a UART whose node exists; null for a node with no
    // port behind it, as ttyS1 has none; ttyS77 has no node.
    const struct {
        const char* name;
        const char* type;
    } ttys[] = {{"ptmx", "4\n"}, {"null", "0\n"}, {"ttyS1", "0\n"}, {"ttyS77", "4\n"}};
    for (const auto& t : ttys) {
        QDir(classDir.path()).mkpath(QString::fromLatin1(t.name));
        QFile type(classDir.filePath(QString::fromLatin1(t.name) + "/type"));
        ASSERT_TRUE(type.open(QIODevice::WriteOnly));
        type.write(t.type);
    }
    ASSERT_TRUE(QFile::link("/dev/ptmx", byId.filePath("pci-serial-port0")));
    SystemPortLister lister(byId.path(), classDir.path());
    const std::vector<PortEntry> ports = lister.ports();
    auto find = [&](const char* device) {
        return std::find_if(ports.begin(), ports.end(),
                            [&](const PortEntry& e) { return e.systemLocation == device; });
    };
    ASSERT_NE(find("/dev/ptmx"), ports.end());
    EXPECT_EQ(find("/dev/ptmx")->portName, "ptmx");
    EXPECT_EQ(find("/dev/ptmx")->byId, byId.filePath("pci-serial-port0"));
    EXPECT_EQ(find("/dev/ptmx")->state, DeviceState::Opens);
    EXPECT_EQ(find("/dev/null"), ports.end());
    EXPECT_EQ(find("/dev/ttyS1"), ports.end());
    EXPECT_EQ(find("/dev/ttyS77"), ports.end());
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        return a.systemLocation < b.systemLocation;
    }));
}

} // namespace
