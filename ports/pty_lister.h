// A lister over pseudo-terminals, for tests: each one stands in for a USB
// adapter with the maker, product, serial number and by-id name a test gives
// it. Plugging makes the by-id link as udev would; a pseudo-terminal whose
// other side has closed is gone, as an adapter pulled out, and its link goes
// with it. Access and by-id name are found as for a real device.
#pragma once

#include "ports/port_lister.h"

struct FakeAdapter {
    QString device; // a pseudo-terminal, /dev/pts/N
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString byIdName; // the link's name in the by-id directory; empty: none
};

class PtyPortLister : public PortLister {
  public:
    explicit PtyPortLister(QString byIdDir);
    // Returns the by-id path made, or the device when it has none.
    QString plug(const FakeAdapter& adapter);
    std::vector<PortEntry> ports() override;
    const QString& byIdDir() const { return byIdDir_; }

  private:
    QString byIdDir_;
    std::vector<FakeAdapter> adapters_;
};
