#include "record/record_folder.h"

#include "record/conf_file.h"

#include <cstdio>

namespace {

constexpr const char* kKey = "record-folder=";

} // namespace

std::string read_record_folder(const std::string& confPath) {
    std::string folder;
    for (const std::string& line : conf_lines(confPath)) {
        if (line.rfind(kKey, 0) == 0)
            folder = line.substr(std::char_traits<char>::length(kKey));
    }
    return folder;
}

bool write_record_folder(const std::string& confPath, const std::string& folder) {
    if (folder.find('\n') != std::string::npos || folder.find('\r') != std::string::npos)
        return false;
    return replace_conf_lines(confPath, kKey, kKey + folder + '\n');
}

std::string record_file_name(int year, int month, int day, int hour, int minute, int second) {
    char name[64];
    std::snprintf(name, sizeof name, "k964-record-%04d-%02d-%02d-%02d%02d%02d.txt", year, month,
                  day, hour, minute, second);
    return name;
}
