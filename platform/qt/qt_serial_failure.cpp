// Why QtSerial's last open failed, in words for the technician.
#include "platform/qt/device_check.h"
#include "platform/qt/qt_serial.h"

#include <QFileInfo>
#include <QSerialPortInfo>

const char* QtSerial::openFailure() const {
    return openFailure_.c_str();
}

void QtSerial::setPresentDevices(std::function<QStringList()> list) {
    presentDevices_ = std::move(list);
}

QString QtSerial::explainOpenFailure(const QString& device, const QString& qtError) const {
    QStringList present;
    if (presentDevices_) {
        present = presentDevices_();
    } else {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            present << info.systemLocation();
    }
    // A link that points nowhere is named with where it points.
    const QFileInfo entry(device);
    const QString tried =
        entry.isSymLink() ? QStringLiteral("%1 -> %2").arg(device, entry.symLinkTarget()) : device;
    return openFailureText(tried, checkDevice(device, true), present, qtError);
}
