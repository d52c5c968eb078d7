#include "trend/trend_scale.h"

#include "trend/trend.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

ValueTicks value_ticks(double lo, double hi, int wanted, bool snap) {
    ValueTicks t;
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi <= lo || wanted < 1)
        return value_ticks(0.0, 1.0, 2, snap);
    const double raw = (hi - lo) / wanted;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    t.step = (norm <= 1.0 ? 1.0 : norm <= 2.0 ? 2.0 : norm <= 5.0 ? 5.0 : 10.0) * magnitude;
    t.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(t.step) + 1e-9)));
    // Steps are not exact in binary: 4.998 / 0.001 is 4997.999...
    const double first = snap ? std::floor(lo / t.step + 1e-9) : std::ceil(lo / t.step - 1e-9);
    const double last = snap ? std::ceil(hi / t.step - 1e-9) : std::floor(hi / t.step + 1e-9);
    t.lo = snap ? first * t.step : lo;
    t.hi = snap ? last * t.step : hi;
    for (double k = first; k <= last; ++k)
        t.at.push_back(k * t.step);
    return t;
}

void widen_to(double* lo, double* hi, double least) {
    if (!std::isfinite(*lo) || !std::isfinite(*hi) || *hi < *lo) {
        *lo = 0.0;
        *hi = 1.0;
        return;
    }
    if (*hi - *lo >= least)
        return;
    const double middle = (*lo + *hi) / 2.0;
    *lo = middle - least / 2.0;
    *hi = middle + least / 2.0;
}

double least_value_span(double middle) {
    return 4.0 * std::max(Trend::kStableShare * std::fabs(middle), Trend::kStableFloor);
}

std::string value_text(double v, int decimals) {
    char buf[64];
    const double unit = std::pow(10.0, -decimals);
    if (std::fabs(v) < unit / 2.0)
        v = 0.0;
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("?");
}

std::vector<TimeTick> time_ticks(double from, double to, int offset, int wanted) {
    constexpr double kDay = 86400.0;
    static const double steps[] = {1,         2,         5,         10,         15,        30,
                                   60,        120,       300,       600,        900,       1800,
                                   3600,      7200,      21600,     kDay,       2 * kDay,  7 * kDay,
                                   14 * kDay, 28 * kDay, 91 * kDay, 182 * kDay, 364 * kDay};
    std::vector<TimeTick> out;
    if (!(to > from) || wanted < 1)
        return out;
    double step = steps[std::size(steps) - 1];
    for (double s : steps) {
        if ((to - from) / s <= wanted) {
            step = s;
            break;
        }
    }
    // Too long a time to tick: none rather than more than asked for.
    if ((to - from) / step > wanted)
        return out;
    const bool seconds = step < 60.0;
    for (double k = std::ceil((from + offset) / step); k * step - offset <= to; ++k) {
        const double at = k * step - offset;
        out.push_back({at, step >= kDay ? date_text(at, offset) : clock_text(at, offset, seconds)});
    }
    return out;
}

std::string date_text(double wall, int offset) {
    using namespace std::chrono;
    const auto day = static_cast<int>(std::floor((wall + offset + 1e-6) / 86400.0));
    const year_month_day ymd{sys_days{days{day}}};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buf;
}

std::string clock_text(double wall, int offset, bool seconds) {
    long long day = static_cast<long long>(std::floor(wall + offset + 1e-6)) % 86400;
    if (day < 0)
        day += 86400;
    char buf[16];
    const int h = static_cast<int>(day / 3600), m = static_cast<int>(day / 60 % 60),
              s = static_cast<int>(day % 60);
    auto two = [](char* at, int v) {
        at[0] = static_cast<char>('0' + v / 10);
        at[1] = static_cast<char>('0' + v % 10);
    };
    two(buf, h);
    buf[2] = ':';
    two(buf + 3, m);
    if (!seconds)
        return std::string(buf, 5);
    buf[5] = ':';
    two(buf + 6, s);
    return std::string(buf, 8);
}
