#include "assistant/tolerance.h"

#include <charconv>
#include <cmath>

std::string percent_text(double percent) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, percent, std::chars_format::general, 4);
    return std::string(buf, r.ptr);
}

ConstantVerdict judge_constant(std::optional<double> before, std::optional<double> after,
                               double percent) {
    ConstantVerdict v;
    const std::string limit = percent_text(percent) + " %";
    if (!before || !after || !std::isfinite(*before) || !std::isfinite(*after)) {
        v.beyond = true;
        v.text = "not read, cannot be judged";
        return v;
    }
    if (*after == *before) {
        v.text = "unchanged";
        return v;
    }
    if (*before == 0.0) {
        v.beyond = true;
        v.text = "changed from 0, beyond " + limit;
        return v;
    }
    const double moved = (*after - *before) / std::fabs(*before) * 100.0;
    v.beyond = std::fabs(moved) > percent;
    v.text = (moved > 0 ? "+" : "") + percent_text(moved) + " %" +
             (v.beyond ? ", beyond " : ", within ") + limit;
    return v;
}
