// Whether a calibration moved a constant further than the technician's
// tolerance: a share, in percent, of the constant's as-found value.
//
// A constant whose as-found value is 0 has no share to be measured by: any
// change of it counts as beyond. A constant not read before or after cannot
// be judged and counts as beyond too, so that it is kept only on a second
// confirmation. Standard library only.
#pragma once

#include <optional>
#include <string>

constexpr double kDefaultTolerancePercent = 10.0;
// What the assistant accepts as a tolerance.
constexpr double kMinTolerancePercent = 0.1;
constexpr double kMaxTolerancePercent = 100.0;

struct ConstantVerdict {
    bool beyond = false;
    // "within 10 %", "+12.5 %, beyond 10 %", "changed from 0, beyond",
    // "not read, cannot be judged"
    std::string text;
};

ConstantVerdict judge_constant(std::optional<double> before, std::optional<double> after,
                               double percent);

// "10", "2.5": the tolerance as the technician reads it.
std::string percent_text(double percent);
