#include "platform/fmt.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>

namespace fmt_detail {

namespace {

struct Out {
    char* p;
    std::size_t room; // bytes left before the terminating zero
    int length;

    void put(const char* s, std::size_t n) {
        std::size_t k = n < room ? n : room;
        std::memcpy(p, s, k);
        p += k;
        room -= k;
        length += static_cast<int>(k);
    }
};

// Scientific notation, three decimals, an exponent of at least two digits.
int format_real(double v, char* buf, std::size_t size) {
    if (!std::isfinite(v)) {
        const char* s = std::isnan(v) ? "nan" : (v < 0 ? "-inf" : "inf");
        std::size_t n = std::strlen(s);
        std::memcpy(buf, s, n);
        return static_cast<int>(n);
    }
    // A typed "-0" goes out as the zero it is.
    if (v == 0.0)
        v = 0.0;
    auto r = std::to_chars(buf, buf + size, v, std::chars_format::scientific, 3);
    return static_cast<int>(r.ptr - buf);
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

struct In {
    const char* p;
    const char* end;

    bool at_end() const { return p >= end || *p == '\0'; }
    char peek(std::size_t ahead = 0) const { return p + ahead < end ? p[ahead] : '\0'; }
    void skip_space() {
        while (!at_end() && is_space(*p))
            ++p;
    }
};

// Optional sign and decimal digits. On success advances past them.
bool scan_int(In& in, int* out) {
    in.skip_space();
    std::size_t i = 0;
    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-') {
        negative = in.peek() == '-';
        i = 1;
    }
    if (!is_digit(in.peek(i)))
        return false;
    long long value = 0;
    bool overflow = false;
    while (is_digit(in.peek(i))) {
        if (!overflow) {
            value = value * 10 + (in.peek(i) - '0');
            if (value > static_cast<long long>(INT_MAX) + 1)
                overflow = true;
        }
        ++i;
    }
    in.p += i;
    if (negative)
        value = -value;
    if (overflow || value > INT_MAX || value < INT_MIN)
        return false;
    *out = static_cast<int>(value);
    return true;
}

// Sign, digits, optional point and decimals, optional exponent; at least one
// digit in the mantissa. An 'e' without exponent digits ends the number.
bool scan_real(In& in, double* out) {
    in.skip_space();
    std::size_t i = 0;
    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-') {
        negative = in.peek() == '-';
        i = 1;
    }
    std::size_t start = i;
    std::size_t digits = 0;
    while (is_digit(in.peek(i))) {
        ++i;
        ++digits;
    }
    if (in.peek(i) == '.') {
        ++i;
        while (is_digit(in.peek(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (in.peek(i) == 'e' || in.peek(i) == 'E') {
        std::size_t j = i + 1;
        if (in.peek(j) == '+' || in.peek(j) == '-')
            ++j;
        if (is_digit(in.peek(j))) {
            while (is_digit(in.peek(j)))
                ++j;
            i = j;
        }
    }
    // The sign is handled here: from_chars takes no leading '+'.
    char text[512];
    std::size_t n = i - start;
    const char* from = in.p + start;
    in.p += i;
    if (n >= sizeof text)
        return false;
    std::memcpy(text, from, n);
    double value = 0.0;
    auto r = std::from_chars(text, text + n, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small to represent is zero; too large is no number.
        const char* e = static_cast<const char*>(std::memchr(text, 'e', n));
        if (!e)
            e = static_cast<const char*>(std::memchr(text, 'E', n));
        if (!e || e[1] != '-')
            return false;
        value = 0.0;
    } else if (r.ec != std::errc() || r.ptr != text + n) {
        return false;
    }
    *out = negative ? -value : value;
    return true;
}

} // namespace

int render(char* target, std::size_t size, const char* format, const Value* values, int count) {
    if (size == 0)
        return 0;
    Out out{target, size - 1, 0};
    int k = 0;
    for (const char* s = format; *s;) {
        if (*s != '%') {
            out.put(s, 1);
            ++s;
            continue;
        }
        if (k >= count)
            break;
        const Value& v = values[k++];
        char buf[64];
        if (s[1] == 'd') {
            auto r = std::to_chars(buf, buf + sizeof buf, v.i);
            out.put(buf, static_cast<std::size_t>(r.ptr - buf));
            s += 2;
        } else if (s[1] == 'c') {
            char c = static_cast<char>(v.i);
            out.put(&c, 1);
            s += 2;
        } else {
            int n = format_real(v.d, buf, sizeof buf);
            out.put(buf, static_cast<std::size_t>(n));
            s += 8; // "%f[e2p3]"
        }
    }
    *out.p = '\0';
    return out.length;
}

int scan(const char* source, std::size_t length, const char* format, const Target* targets,
         int count) {
    In in{source, source + length};
    int filled = 0;
    (void)format; // the targets' kinds already carry the checked items
    for (int k = 0; k < count; ++k) {
        const Target& t = targets[k];
        bool ok = false;
        if (t.kind == Kind::IntPtr) {
            int v = 0;
            ok = scan_int(in, &v);
            if (ok)
                *t.i = v;
        } else {
            double v = 0.0;
            ok = scan_real(in, &v);
            if (ok)
                *t.d = v;
        }
        if (!ok)
            break;
        ++filled;
    }
    return filled;
}

} // namespace fmt_detail

bool ParseReal(const char* text, double* value) {
    std::size_t length = std::strlen(text);
    fmt_detail::In in{text, text + length};
    double v = 0.0;
    if (!fmt_detail::scan_real(in, &v))
        return false;
    in.skip_space();
    if (!in.at_end())
        return false;
    *value = v;
    return true;
}
