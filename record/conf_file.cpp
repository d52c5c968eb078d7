#include "record/conf_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

std::vector<std::string> conf_lines(const std::string& confPath) {
    std::vector<std::string> lines;
    std::ifstream in(confPath, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool replace_conf_lines(const std::string& confPath, const std::string& prefix,
                        const std::string& lines) {
    std::ostringstream text;
    for (const std::string& line : conf_lines(confPath)) {
        if (line.rfind(prefix, 0) != 0)
            text << line << '\n';
    }
    text << lines;
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

std::string conf_value(const std::string& confPath, const std::string& key) {
    const std::string prefix = key + '=';
    std::string value;
    for (const std::string& line : conf_lines(confPath)) {
        if (line.rfind(prefix, 0) == 0)
            value = line.substr(prefix.size());
    }
    return value;
}

bool set_conf_value(const std::string& confPath, const std::string& key, const std::string& value) {
    if (value.find('\n') != std::string::npos || value.find('\r') != std::string::npos)
        return false;
    const std::string prefix = key + '=';
    return replace_conf_lines(confPath, prefix, prefix + value + '\n');
}
