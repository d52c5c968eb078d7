// The trend's scales, standard library only: ticks on the value axes at 1, 2
// or 5 times a power of ten, the least range auto-scaling shows, and ticks on
// the time axis at whole wall-clock minutes or seconds, with their texts (a
// point as decimal separator whatever the locale).
#pragma once

#include <string>
#include <vector>

struct ValueTicks {
    double lo = 0.0; // the range the axis spans
    double hi = 1.0;
    double step = 0.5;
    int decimals = 1; // enough to tell one tick from the next
    std::vector<double> at;
};

// About `wanted` intervals over [lo, hi]. `snap`: the range widens to whole
// steps (auto-scaling); otherwise it stays and the ticks fall inside it.
ValueTicks value_ticks(double lo, double hi, int wanted, bool snap);

// Widens [lo, hi] about its middle to at least `least`; an empty range
// (nothing to show) becomes [0, 1].
void widen_to(double* lo, double* hi, double least);

// The least range auto-scaling gives the main value around `middle`: four
// times the stability limit, so that a reading that counts as stable never
// fills more than half the plot's height.
double least_value_span(double middle);

// v with `decimals` digits after the point; never "-0.0".
std::string value_text(double v, int decimals);

struct TimeTick {
    double at = 0.0; // wall-clock seconds since the epoch
    std::string text;
};

// Ticks over [from, to] (wall-clock seconds since the epoch; `offset`: the
// local time's seconds east of UTC) at whole seconds, minutes, hours or
// days of the local time, at most `wanted` of them: "10:32:05" where they
// are less than a minute apart, "2026-12-09" where they are days apart,
// "10:32" otherwise.
std::vector<TimeTick> time_ticks(double from, double to, int offset, int wanted);

// The local date: "2026-12-09".
std::string date_text(double wall, int offset);

// The local time of day: "10:32:05", or "10:32" without the seconds.
std::string clock_text(double wall, int offset, bool seconds);
