// Service records: the names they are saved under. Their folder is
// remembered in k964.conf (K964_RECORD_FOLDER), never in K960.ini, which
// holds the port number only.
#pragma once

#include <string>

// The file name of a record saved at the given local time:
// "k964-record-2026-12-09-025312.txt".
std::string record_file_name(int year, int month, int day, int hour, int minute, int second);
