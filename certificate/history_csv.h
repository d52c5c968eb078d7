// The calibration history for a spreadsheet: one row per entry with every
// field, quoted as RFC 4180 asks (a field holding a comma, a double quote
// or a line break in double quotes, its quotes doubled; lines end in CR
// LF), numbers with a point as decimal separator whatever the locale, and
// an empty field for a value not read. The text starts with a UTF-8 byte
// order mark, by which spreadsheets on Windows know the encoding.
#pragma once

#include "history/calibration_entry.h"

#include <string>
#include <vector>

// The header and one row per entry, in the order given.
std::string history_csv(const std::vector<CalibrationEntry>& entries);

// One text field as it goes into a row. A text a spreadsheet would take as
// a formula (starting with =, +, -, @, a tab or a CR) gets a leading
// apostrophe, so that opening the file never runs what someone typed.
std::string csv_text(const std::string& text);
// A number as it goes into a row: the shortest text that reads back as the
// same double; empty when there is none.
std::string csv_number(const std::optional<double>& value);
