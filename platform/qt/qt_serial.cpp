#include "platform/qt/qt_serial.h"

#include "platform/exit_hooks.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// The program ends without destructors: the port is closed on the way out,
// which removes its lock file. A lock file left behind would keep every
// other user out of the device for good (they may not remove it).
QtSerial::QtSerial()
    : exitHook_(AddExitHook([this](int status) {
          port_.reset();
          return status;
      })) {}

QtSerial::~QtSerial() {
    RemoveExitHook(exitHook_);
}

QString QtSerial::devicePath(int port) {
    char dir[MAX_PATHNAME_LEN];
    GetFilesDir(dir);
    const QString name = QStringLiteral("COM%1").arg(port);
    const QFileInfo entry(QDir(QString::fromLocal8Bit(dir)).filePath(name));
    if (entry.exists() || entry.isSymLink()) {
        // The device itself, not the link: QSerialPort names its lock file
        // after the last part of the path, and two simulators' COM1 links in
        // different directories must not lock each other out. A dangling
        // link stays a path that does not open.
        const QString target = entry.canonicalFilePath();
        return target.isEmpty() ? entry.filePath() : target;
    }
    return defaultPath(port);
}

QString QtSerial::defaultPath(int port) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

int QtSerial::open(int port, long baudRate, int parity, int dataBits, int stopBits) {
    port_.reset();
    number_ = 0;
    failed_ = false;
    openFailure_.clear();
    if (port < 1)
        return RS232_CANNOT_OPEN;
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    if (parity < 0 || parity > 4 || dataBits < 5 || dataBits > 8 ||
        (stopBits != 1 && stopBits != 2) || baudRate <= 0 || baudRate > INT32_MAX)
        return RS232_BAD_ARGUMENT;
    auto serial = std::make_unique<QSerialPort>();
    const QString path = devicePath(port);
    serial->setPortName(path);
    serial->setBaudRate(static_cast<qint32>(baudRate));
    serial->setDataBits(static_cast<QSerialPort::DataBits>(dataBits));
    serial->setParity(parities[parity]);
    serial->setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    serial->setFlowControl(QSerialPort::NoFlowControl);
    // DTR and RTS stay as the driver leaves them: a pseudo-terminal refuses
    // modem control, and the transmitter does not use it.
    if (!serial->open(QIODevice::ReadWrite)) {
        openFailure_ = explainOpenFailure(path, serial->errorString()).toStdString();
        return RS232_CANNOT_OPEN;
    }
    serial->clear();
    port_ = std::move(serial);
    number_ = port;
    settings_ = {baudRate, parity, dataBits, stopBits};
    linked_ = path != defaultPath(port);
    return 0;
}

int QtSerial::check(int port) {
    if (number_ == 0 || port != number_)
        return RS232_PORT_NOT_OPEN;
    if (failed_)
        return reopen();
    return port_ ? 0 : RS232_PORT_NOT_OPEN;
}

// An unplugged adapter or a closed pseudo-terminal leaves the port "open" in
// Qt's eyes; we close it, and the next operation tries to open it again.
int QtSerial::lineFailed() {
    failed_ = true;
    port_->close();
    return RS232_IO_ERROR;
}

// A port that was opened through its COM<n> link is opened again only
// through that link: with the link gone, it must not fall back to another
// device.
int QtSerial::reopen() {
    const int number = number_;
    const Settings s = settings_;
    const bool mapped = linked_;
    if ((!mapped || devicePath(number) != defaultPath(number)) &&
        open(number, s.baudRate, s.parity, s.dataBits, s.stopBits) == 0)
        return 0;
    linked_ = mapped;
    number_ = number;
    settings_ = s;
    failed_ = true;
    return RS232_IO_ERROR;
}

int QtSerial::setTimeout(int port, double seconds) {
    if (int r = check(port))
        return r;
    timeout_ = seconds > 0 ? seconds : 0.0;
    return 0;
}

int QtSerial::flushOut(int port) {
    if (int r = check(port))
        return r;
    return port_->clear(QSerialPort::Output) ? 0 : lineFailed();
}

// What Qt has buffered, and what the system still holds, is read out before
// the flush, so that a caller can see what was thrown away. Reading the
// descriptor directly sends nothing: the queued command still waits for the
// next read.
int QtSerial::flushIn(int port, std::string* flushed) {
    if (int r = check(port))
        return r;
    if (flushed) {
        const QByteArray buffered = port_->readAll();
        flushed->assign(buffered.constData(), static_cast<std::size_t>(buffered.size()));
#ifdef Q_OS_UNIX
        char chunk[256];
        ssize_t got;
        while ((got = ::read(static_cast<int>(port_->handle()), chunk, sizeof chunk)) > 0)
            flushed->append(chunk, static_cast<std::size_t>(got));
#endif
    }
    return port_->clear(QSerialPort::Input) ? 0 : lineFailed();
}

// Only queues: the bytes leave when the next read waits for the reply.
int QtSerial::write(int port, const char* bytes, int count, WritePurpose) {
    if (int r = check(port))
        return r;
    return port_->write(bytes, count) == count ? 0 : lineFailed();
}

double QtSerial::now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int QtSerial::read(int port, const LineRead& how, char* buffer, int count, int* stored) {
    *stored = 0;
    if (int r = check(port))
        return r;
    const double seconds = how.timeout < 0 ? timeout_ : how.timeout;
    const QDeadlineTimer deadline(static_cast<qint64>(std::llround(seconds * 1000.0)));
    int result = 0;
    int n = 0;
    while (n < count) {
        char c = 0;
        if (port_->getChar(&c)) {
            if (how.terminator >= 0 && static_cast<unsigned char>(c) == how.terminator)
                break;
            buffer[n++] = c;
            continue;
        }
        if (deadline.hasExpired()) {
            result = RS232_TIMEOUT;
            break;
        }
        if (!port_->waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            const QSerialPort::SerialPortError error = port_->error();
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
                result = lineFailed();
                break;
            }
            // Qt keeps reporting TimeoutError until told otherwise.
            port_->clearError();
        }
    }
    *stored = n;
    return result;
}
