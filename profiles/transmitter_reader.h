// What the program holds as read from the transmitter on the line as it is
// now, as a profile's values; and the read that brings it up to date: the
// opening exchange, the settings read-back and the constants' read, the
// procedures the service panel's opening runs.
#pragma once

#include "profiles/profile_compare.h"

#include <string>
#include <vector>

struct Captured {
    TransmitterSettings values;
    std::vector<Field> unread; // words, set points, constants, VV reply not read
};

// Keeps, while it lives, what the read-back and the opening exchange say
// about the values Save and Store never write (words 1 to 7 and 13, the VV
// reply). One at a time.
class TransmitterReader {
  public:
    TransmitterReader();
    ~TransmitterReader();
    TransmitterReader(const TransmitterReader&) = delete;
    TransmitterReader& operator=(const TransmitterReader&) = delete;

    Captured capture() const;
    // The VV reply as read on the line as it is now; "" when it was not.
    std::string device_current() const;
    // Every field read on the line as it is now, none changed since.
    bool fresh() const { return capture().unread.empty(); }
    // The opening exchange, the read-back, the constants: on the line and
    // on the panels as always.
    void read();
    // read() unless fresh(); then capture().
    Captured readIfStale();
};

// "settings word 13, constant 9".
std::string field_list(const std::vector<Field>& fields);
