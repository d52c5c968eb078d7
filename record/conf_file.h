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
