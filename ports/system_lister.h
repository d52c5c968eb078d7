// The serial devices of this computer: what QSerialPortInfo lists (USB
// adapters with maker and product, built-in ports), their stable names in
// /dev/serial/by-id, and the built-in ports QSerialPortInfo leaves out
// because it may not open them to look.
#pragma once

#include "ports/port_lister.h"

class SystemPortLister : public PortLister {
  public:
    explicit SystemPortLister(QString byIdDir = QStringLiteral("/dev/serial/by-id"),
                              QString ttyClassDir = QStringLiteral("/sys/class/tty"));
    std::vector<PortEntry> ports() override;

  private:
    QString byIdDir_;
    QString ttyClassDir_;
};
