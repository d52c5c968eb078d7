// k964.conf, beside K960.ini: text, one "key=value" a line. Each part of
// the program owns the keys with its own prefix and keeps every other line
// as it found it.
#pragma once

#include <string>
#include <vector>

#define K964_CONF "k964.conf"

// The file's lines, without their line ends; none when it cannot be read.
std::vector<std::string> conf_lines(const std::string& confPath);
// Replaces the lines that begin with `prefix` by `lines` (each ending in a
// line feed). The file is replaced whole, so a failed write leaves the old
// one. False when it could not be written.
bool replace_conf_lines(const std::string& confPath, const std::string& prefix,
                        const std::string& lines);

// The keys of the folders remembered for the next time.
#define K964_RECORD_FOLDER "record-folder"     // service records
#define K964_SETTINGS_FOLDER "settings-folder" // settings files
#define K964_EXPORT_FOLDER "export-folder"     // certificates and history exports

// The value of the line "key=value"; "" when there is none.
std::string conf_value(const std::string& confPath, const std::string& key);
// Remembers `value` under `key`. False when it holds a line break or the
// file could not be written.
bool set_conf_value(const std::string& confPath, const std::string& key, const std::string& value);
