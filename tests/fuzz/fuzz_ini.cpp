// K960.ini as anything a disk may hold: the port number is the leading
// integer when it fits in 32 bits, else nothing is read.
#include "platform/platform.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// An independent reading of the rule: blanks, sign, digits, in range.
bool expected_port(const uint8_t* data, size_t size, long* port) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    size_t i = text.find_first_not_of(" \t\n\r\v\f");
    if (i == std::string::npos)
        return false;
    size_t j = i;
    if (text[j] == '+' || text[j] == '-')
        ++j;
    size_t digits = j;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == j)
        return false;
    errno = 0;
    long long v = std::strtoll(text.substr(i, digits - i).c_str(), nullptr, 10);
    if (errno == ERANGE || v > INT_MAX || v < INT_MIN)
        return false;
    *port = static_cast<long>(v);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string path = "/tmp/k964-fuzz-ini-" + std::to_string(getpid());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    int com_nummer = 1;
    int datei = OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    int filled = datei >= 0 ? ScanFile(datei, "%s>%d", &com_nummer) : 0;
    CloseFile(datei);
    long want = 0;
    bool has = expected_port(data, size, &want);
    if (has != (filled == 1) || (has && want != com_nummer))
        std::abort();
    return 0;
}
