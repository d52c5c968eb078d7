#include "platform/visible.h"

std::string visible_bytes(std::string_view bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += ch;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c >= 0x20 && c < 0x7F) {
            out += ch;
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool bytes_from_visible(std::string_view text, std::string* bytes) {
    bytes->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            *bytes += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
        case '"':
            *bytes += text[i];
            break;
        case 'r':
            *bytes += '\r';
            break;
        case 'n':
            *bytes += '\n';
            break;
        case 'x': {
            int hi = i + 1 < text.size() ? hex_digit(text[i + 1]) : -1;
            int lo = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                return false;
            *bytes += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}
