// Fmt and Scan: formatting into and scanning out of fixed buffers, with the
// format items the system uses. The format is checked against the argument
// types at compile time. Independent of the locale: the wire always carries
// '.' as the decimal point.
//
//   Fmt   "%d" int, "%c" int (a character code), "%f[e2p3]" double
//         (scientific, 3 decimals, 2 exponent digits: 2.090e+01)
//   Scan  "%d" int*, "%f" double*, "%f%f" double*, double*
//   ScanFile "%s>%d" int* (the file's text is the source)
//
// Scanning follows the reply grammar: white space, optional sign, digits,
// optional point and decimals, optional exponent. Nothing else is a number
// (no inf, nan, hex or locale separators). A target without a number, or with
// a number out of its type's range, stays unchanged.
#pragma once

#include <cstddef>
#include <type_traits>

namespace fmt_detail {

enum class Kind { Int, Char, Real, IntPtr, RealPtr };

struct Value {
    Kind kind;
    int i;
    double d;
};

struct Target {
    Kind kind;
    int* i;
    double* d;
};

// Reached only from a constant evaluation with a bad format: not constexpr,
// so the compiler reports the call site.
void format_does_not_match_arguments();

constexpr bool starts(const char* s, const char* word) {
    while (*word) {
        if (*s++ != *word++)
            return false;
    }
    return true;
}

// Kinds of the items in a Fmt format, in order; literal text in between.
constexpr int fmt_items(const char* s, Kind* out) {
    int n = 0;
    while (*s) {
        if (*s != '%') {
            ++s;
            continue;
        }
        if (starts(s, "%d")) {
            out[n++] = Kind::Int;
            s += 2;
        } else if (starts(s, "%c")) {
            out[n++] = Kind::Char;
            s += 2;
        } else if (starts(s, "%f[e2p3]")) {
            out[n++] = Kind::Real;
            s += 8;
        } else {
            format_does_not_match_arguments();
        }
        if (n > 8)
            format_does_not_match_arguments();
    }
    return n;
}

// Scan formats: a run of %d / %f items with nothing in between.
constexpr int scan_items(const char* s, Kind* out, bool fromFile) {
    int n = 0;
    if (fromFile) {
        if (!starts(s, "%s>"))
            format_does_not_match_arguments();
        s += 3;
    }
    while (*s) {
        if (starts(s, "%d"))
            out[n++] = Kind::IntPtr;
        else if (starts(s, "%f"))
            out[n++] = Kind::RealPtr;
        else
            format_does_not_match_arguments();
        s += 2;
        if (n > 8)
            format_does_not_match_arguments();
    }
    return n;
}

template <typename T> constexpr bool fits(Kind k) {
    if constexpr (std::is_same_v<T, int>)
        return k == Kind::Int || k == Kind::Char;
    else if constexpr (std::is_same_v<T, double>)
        return k == Kind::Real;
    else if constexpr (std::is_same_v<T, int*>)
        return k == Kind::IntPtr;
    else if constexpr (std::is_same_v<T, double*>)
        return k == Kind::RealPtr;
    else
        return false;
}

template <bool Scanning, bool FromFile, typename... Args> struct Format {
    const char* text;
    template <typename S>
    requires std::is_convertible_v<const S&, const char*>
    consteval Format(const S& s) : text(s) {
        Kind kinds[10] = {};
        int n = Scanning ? scan_items(s, kinds, FromFile) : fmt_items(s, kinds);
        if (n != static_cast<int>(sizeof...(Args)))
            format_does_not_match_arguments();
        int k = 0;
        bool ok = true;
        ((ok = ok && fits<Args>(kinds[k++])), ...);
        if (!ok)
            format_does_not_match_arguments();
    }
};

inline Value value_of(int v) {
    return {Kind::Int, v, 0.0};
}
inline Value value_of(double v) {
    return {Kind::Real, 0, v};
}
inline Target target_of(int* p) {
    return {Kind::IntPtr, p, nullptr};
}
inline Target target_of(double* p) {
    return {Kind::RealPtr, nullptr, p};
}

// Formats into target (size bytes, always zero-terminated, cut if too long).
// Returns the length written.
int render(char* target, std::size_t size, const char* format, const Value* values, int count);
// Scans the first `length` bytes of source (a NUL ends it earlier). Returns
// the number of targets filled; stops at the first one without a number.
int scan(const char* source, std::size_t length, const char* format, const Target* targets,
         int count);

} // namespace fmt_detail

template <typename... Args>
using FmtFormat = fmt_detail::Format<false, false, std::type_identity_t<Args>...>;
template <typename... Args>
using ScanFormat = fmt_detail::Format<true, false, std::type_identity_t<Args>...>;
template <typename... Args>
using ScanFileFormat = fmt_detail::Format<true, true, std::type_identity_t<Args>...>;

// Replaces target with the formatted, zero-terminated text.
template <std::size_t N, typename... Args>
int Fmt(char (&target)[N], FmtFormat<Args...> format, Args... args) {
    const fmt_detail::Value values[] = {fmt_detail::value_of(args)..., {}};
    return fmt_detail::render(target, N, format.text, values, sizeof...(Args));
}

// Scans a zero-terminated source. Returns the number of targets filled.
template <typename... Args>
int Scan(const char* source, ScanFormat<Args...> format, Args... targets) {
    const fmt_detail::Target list[] = {fmt_detail::target_of(targets)..., {}};
    std::size_t length = 0;
    while (source[length] != '\0')
        ++length;
    return fmt_detail::scan(source, length, format.text, list, sizeof...(Args));
}

// Writes the formatted text to an open file. Returns the bytes written,
// negative on failure.
int fmt_file_render(int handle, const char* format, const fmt_detail::Value* values, int count);
// Scans the file's text (its first 64 KiB). Returns the number of targets filled.
int scan_file(int handle, const char* format, const fmt_detail::Target* targets, int count);

template <typename... Args> int FmtFile(int handle, FmtFormat<Args...> format, Args... args) {
    const fmt_detail::Value values[] = {fmt_detail::value_of(args)..., {}};
    return fmt_file_render(handle, format.text, values, sizeof...(Args));
}

template <typename... Args>
int ScanFile(int handle, ScanFileFormat<Args...> format, Args... targets) {
    const fmt_detail::Target list[] = {fmt_detail::target_of(targets)..., {}};
    return scan_file(handle, format.text + 3, list, sizeof...(Args));
}

// Reads a whole text as one real number of the reply grammar (surrounding
// white space allowed). For user input in numeric fields.
bool ParseReal(const char* text, double* value);
