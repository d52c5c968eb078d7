#include "record/record_folder.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kKey = "record-folder=";

std::vector<std::string> lines_of(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

std::string read_record_folder(const std::string& confPath) {
    std::string folder;
    for (const std::string& line : lines_of(confPath)) {
        if (line.rfind(kKey, 0) == 0)
            folder = line.substr(std::char_traits<char>::length(kKey));
    }
    return folder;
}

bool write_record_folder(const std::string& confPath, const std::string& folder) {
    if (folder.find('\n') != std::string::npos || folder.find('\r') != std::string::npos)
        return false;
    std::ostringstream text;
    for (const std::string& line : lines_of(confPath)) {
        if (line.rfind(kKey, 0) != 0)
            text << line << '\n';
    }
    text << kKey << folder << '\n';
    const std::string temp = confPath + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.close(); // the last bytes go out here, and may not fit
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    // Windows renames onto no existing file: the old one goes first there.
    if (std::rename(temp.c_str(), confPath.c_str()) != 0 &&
        (std::remove(confPath.c_str()) != 0 || std::rename(temp.c_str(), confPath.c_str()) != 0)) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

std::string record_file_name(int year, int month, int day, int hour, int minute, int second) {
    char name[64];
    std::snprintf(name, sizeof name, "k964-record-%04d-%02d-%02d-%02d%02d%02d.txt", year, month,
                  day, hour, minute, second);
    return name;
}
