#include "ports/com_port_panel.h"

#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"
#include "ports/port_mapping.h"
#include "ui/ids.h"

#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

namespace {

enum Column { kPort, kDescription, kManufacturer, kSerialNumber, kById, kAccess };

QString accessText(DeviceState state) {
    const bool opens = state == DeviceState::Opens || state == DeviceState::Failed;
    return opens ? QStringLiteral("ok") : deviceStateText(state);
}

// "/dev/ttyUSB0 (FT232R USB UART, FTDI)"
QString deviceName(const QString& device, const PortEntry* entry) {
    if (!entry)
        return device;
    QStringList about;
    for (const QString& part : {entry->description, entry->manufacturer}) {
        if (!part.isEmpty())
            about << part;
    }
    return about.isEmpty() ? device
                           : QStringLiteral("%1 (%2)").arg(device, about.join(QLatin1String(", ")));
}

} // namespace

ComPortPanel::ComPortPanel(QWidget* panel, QSpinBox* number, PortLister& lister)
    : QObject(panel), panel_(panel), number_(number), lister_(lister) {
    device_ = panel->findChild<QLabel*>(QStringLiteral("COM_DEVICE"));
    list_ = panel->findChild<QTreeWidget*>(QStringLiteral("COM_DEVICES"));
    use_ = panel->findChild<QPushButton*>(QStringLiteral("COM_USE"));
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &ComPortPanel::refresh);
    connect(number_, &QSpinBox::valueChanged, this, [this] {
        mappingError_.clear();
        showDevice();
    });
    if (list_) {
        connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
            if (use_)
                use_->setEnabled(picked() != nullptr);
        });
        connect(list_, &QTreeWidget::itemDoubleClicked, this, &ComPortPanel::usePicked);
    }
    if (use_)
        connect(use_, &QPushButton::clicked, this, &ComPortPanel::usePicked);
    // With the list the panel is tall: once the port is open and the panel
    // hidden, the main panel's controls take its room instead of a blank.
    QSizePolicy policy = panel->sizePolicy();
    policy.setRetainSizeWhenHidden(false);
    panel->setSizePolicy(policy);
    panel->installEventFilter(this);
    refresh();
}

bool ComPortPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && event->type() == QEvent::Show) {
        refresh();
        timer_.start();
    } else if (watched == panel_ && event->type() == QEvent::Hide) {
        timer_.stop();
    }
    return false;
}

void ComPortPanel::refresh() {
    std::vector<PortEntry> now = lister_.ports();
    if (now != entries_) {
        entries_ = std::move(now);
        showList();
    }
    showDevice();
}

void ComPortPanel::showList() {
    if (!list_)
        return;
    const PortEntry* before = picked();
    const QString keep = before ? before->systemLocation : QString();
    list_->clear();
    for (const PortEntry& e : entries_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kPort, e.portName);
        item->setText(kDescription, e.description);
        item->setText(kManufacturer, e.manufacturer);
        item->setText(kSerialNumber, e.serialNumber);
        item->setText(kById, QFileInfo(e.byId).fileName());
        item->setToolTip(kById, e.byId);
        item->setText(kAccess, accessText(e.state));
        item->setData(kPort, Qt::UserRole, e.systemLocation);
        item->setToolTip(kPort, e.systemLocation);
        if (e.systemLocation == keep)
            item->setSelected(true);
    }
    for (int c = 0; c < list_->columnCount(); ++c)
        list_->resizeColumnToContents(c);
    if (use_)
        use_->setEnabled(picked() != nullptr);
}

void ComPortPanel::showDevice() {
    if (!device_ || !number_)
        return;
    const int number = number_->value();
    QString text;
    if (number < 1) {
        text = QStringLiteral("port numbers start at 1");
    } else {
        const QString device = QtSerial::devicePath(number);
        const PortEntry* entry = nullptr;
        for (const PortEntry& e : entries_) {
            if (QFileInfo(e.systemLocation).canonicalFilePath() == device)
                entry = &e;
        }
        text = QStringLiteral("opens %1: %2")
                   .arg(deviceName(device, entry), deviceStateText(checkDevice(device, false)));
    }
    if (!mappingError_.isEmpty())
        text += QStringLiteral("\nnot mapped: ") + mappingError_;
    device_->setText(text);
}

const PortEntry* ComPortPanel::picked() const {
    if (!list_)
        return nullptr;
    const QList<QTreeWidgetItem*> items = list_->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const QString device = items.first()->data(kPort, Qt::UserRole).toString();
    for (const PortEntry& e : entries_) {
        if (e.systemLocation == device)
            return &e;
    }
    return nullptr;
}

void ComPortPanel::usePicked() {
    const PortEntry* entry = picked();
    if (!entry || !number_)
        return;
    mappingError_ = mapPort(number_->value(), *entry);
    showDevice();
}

void InstallPortPanel(QtUi& ui, QtSerial& serial, PortLister& lister) {
    ui.setPanelLoadedHook([&ui, &lister](int handle, int resource) {
        if (resource != PANEL_COM)
            return;
        QWidget* panel = ui.panelWidget(handle);
        auto* number = qobject_cast<QSpinBox*>(ui.control(handle, COM_PORT));
        if (panel && number)
            new ComPortPanel(panel, number, lister);
    });
    serial.setPresentDevices([&lister] {
        QStringList names;
        for (const PortEntry& e : lister.ports()) {
            QString name = deviceName(e.systemLocation, &e);
            if (e.state == DeviceState::Forbidden)
                name += QStringLiteral(" [not permitted]");
            names << name;
        }
        return names;
    });
}
