// The COM port panel tells what the number means: beside it, the device
// that number opens now and whether it is present; below it, the serial
// devices present, refreshed every second while the panel is shown; picking
// one maps the number to it. The number field, the OK button and what they
// do stay as they are.
#pragma once

#include "ports/port_lister.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QtSerial;
class QtUi;

class ComPortPanel : public QObject {
  public:
    static constexpr int kRefreshMs = 1000;

    // `panel` holds the number field `number`, the label COM_DEVICE, the list
    // COM_DEVICES and the button COM_USE. The lister must outlive the panel.
    ComPortPanel(QWidget* panel, QSpinBox* number, PortLister& lister);

    // Lists the devices again and says what the number opens.
    void refresh();
    // Maps the number to the device picked in the list.
    void usePicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showList();
    void showDevice();
    const PortEntry* picked() const;

    QPointer<QWidget> panel_;
    QPointer<QSpinBox> number_;
    QPointer<QLabel> device_;
    QPointer<QTreeWidget> list_;
    QPointer<QPushButton> use_;
    PortLister& lister_;
    std::vector<PortEntry> entries_;
    QString mappingError_;
    QTimer timer_;
};

// Adds the device list to the COM port panel whenever `ui` loads it, and has
// `serial`'s failure texts name the devices `lister` finds.
void InstallPortPanel(QtUi& ui, QtSerial& serial, PortLister& lister);
