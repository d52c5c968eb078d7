// The folder for service records, remembered in k964.conf beside K960.ini
// (never in K960.ini, which holds the port number only). k964.conf is text,
// one "key=value" a line; lines this program does not know are kept.
#pragma once

#include "record/conf_file.h"

#include <string>

// The folder k964.conf at `confPath` names; "" when there is none.
std::string read_record_folder(const std::string& confPath);
// Remembers `folder`; the file is replaced whole, so a failed write leaves
// the old one. False when it could not be written.
bool write_record_folder(const std::string& confPath, const std::string& folder);

// The file name of a record saved at the given local time:
// "k964-record-2026-12-09-025312.txt".
std::string record_file_name(int year, int month, int day, int hour, int minute, int second);
