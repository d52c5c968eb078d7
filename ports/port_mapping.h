// Maps a port number to a device: a symbolic link COM<n> in the directory
// where QtSerial::devicePath looks for it, pointing at the device's stable
// name. The technician picks; nobody types a path or makes a link by hand.
#pragma once

#include "ports/port_lister.h"

#include <QString>

// Where the COM<n> links live: the program's files.
QString linkDirectory();

// Points COM<number> at `entry`'s stable name, replacing an earlier link.
// Returns "" on success, otherwise why not (an entry COM<n> that is not a
// link is never replaced).
QString mapPort(int number, const PortEntry& entry);
