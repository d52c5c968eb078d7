#include "platform/qt/qt_serial.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>

#include <cmath>
#include <cstdint>

QtSerial::QtSerial() = default;
QtSerial::~QtSerial() = default;

QString QtSerial::devicePath(int port) {
    char dir[MAX_PATHNAME_LEN];
    GetProjectDir(dir);
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
#ifdef Q_OS_WIN
    return name;
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
    const QString device = devicePath(port);
    serial->setPortName(device);
    serial->setBaudRate(static_cast<qint32>(baudRate));
    serial->setDataBits(static_cast<QSerialPort::DataBits>(dataBits));
    serial->setParity(parities[parity]);
    serial->setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    serial->setFlowControl(QSerialPort::NoFlowControl);
    // DTR and RTS stay as the driver leaves them: a pseudo-terminal refuses
    // modem control, and the transmitter does not use it.
    if (!serial->open(QIODevice::ReadWrite)) {
        openFailure_ = explainOpenFailure(device, serial->errorString()).toStdString();
        return RS232_CANNOT_OPEN;
    }
    serial->clear();
    port_ = std::move(serial);
    number_ = port;
    return 0;
}

int QtSerial::check(int port) const {
    if (!port_ || port != number_)
        return RS232_PORT_NOT_OPEN;
    if (failed_)
        return RS232_IO_ERROR;
    return 0;
}

// An unplugged adapter or a closed pseudo-terminal leaves the port "open" in
// Qt's eyes; we close it and keep failing until the port is opened again.
int QtSerial::lineFailed() {
    failed_ = true;
    port_->close();
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

int QtSerial::flushIn(int port) {
    if (int r = check(port))
        return r;
    return port_->clear(QSerialPort::Input) ? 0 : lineFailed();
}

// Only queues: the bytes leave when the next read waits for the reply.
int QtSerial::write(int port, const char* bytes, int count) {
    if (int r = check(port))
        return r;
    return port_->write(bytes, count) == count ? 0 : lineFailed();
}

int QtSerial::readTerm(int port, char* buffer, int count, int terminator, int* stored) {
    *stored = 0;
    if (int r = check(port))
        return r;
    QDeadlineTimer deadline(static_cast<qint64>(std::llround(timeout_ * 1000.0)));
    int result = 0;
    int n = 0;
    while (n < count) {
        char c = 0;
        if (port_->getChar(&c)) {
            if (static_cast<unsigned char>(c) == terminator)
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
