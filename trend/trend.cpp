#include "trend/trend.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

template <typename T> void keep_bounded(std::deque<T>& d) {
    while (d.size() > Trend::kKeptMarks)
        d.pop_front();
}

} // namespace

Trend::Trend(double joinSeconds) : joinSeconds_(joinSeconds), ring_(kCapacity) {}

const TrendPoint& Trend::at(std::size_t i) const {
    return ring_[(first_ + i) % kCapacity];
}

void Trend::add(double t, double value, double u1) {
    TrendPoint p;
    p.t = t;
    p.value = value;
    p.u1 = u1;
    p.segment = segment_;
    p.mode = mode_;
    p.joined = !broken_ && count_ > 0 && t - at(count_ - 1).t <= joinSeconds_;
    if (count_ == kCapacity) {
        first_ = (first_ + 1) % kCapacity;
        --count_;
    }
    ring_[(first_ + count_) % kCapacity] = p;
    ++count_;
    broken_ = false;
    live_ = true;
    if (noDataOpen_)
        noData_.back().to = t;
    noDataOpen_ = false;
}

void Trend::noData(double t) {
    if (noDataOpen_) {
        noData_.back().to = t;
    } else {
        // From the last value seen, when the line ran up to this poll.
        const bool after = !broken_ && count_ > 0 && t - at(count_ - 1).t <= joinSeconds_;
        noData_.push_back({after ? at(count_ - 1).t : t, t});
        keep_bounded(noData_);
        noDataOpen_ = true;
    }
    broken_ = true;
    live_ = false;
}

void Trend::gap() {
    broken_ = true;
    noDataOpen_ = false;
    live_ = false;
}

void Trend::setMode(int mode, double t) {
    if (mode == mode_)
        return;
    if (mode_ >= 0) {
        ++segment_;
        markers_.push_back({TrendMarker::Mode, t, mode});
        keep_bounded(markers_);
    }
    mode_ = mode;
    broken_ = true;
}

const char* Trend::unitOf(int mode) {
    return mode == 2 ? "mV" : mode >= 0 ? "ppm" : "";
}

void Trend::mark(TrendMarker::Kind kind, double t) {
    markers_.push_back({kind, t, mode_});
    keep_bounded(markers_);
}

std::vector<TrendPoint> Trend::points(double from, double to) const {
    std::vector<TrendPoint> out;
    for (std::size_t i = 0; i < count_; ++i) {
        const TrendPoint& p = at(i);
        if (p.t >= from && p.t <= to)
            out.push_back(p);
    }
    if (!out.empty())
        out.front().joined = false;
    return out;
}

Stability Trend::stability(double now) const {
    Stability st;
    if (!live_) {
        st.text = "no data";
        return st;
    }
    const double from = now - kWindowSeconds;
    double lo = INFINITY, hi = -INFINITY, sum = 0.0;
    int n = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        const TrendPoint& p = at(i);
        if (p.t < from || p.t > now || p.segment != segment_)
            continue;
        lo = std::min(lo, p.value);
        hi = std::max(hi, p.value);
        sum += p.value;
        ++n;
        if (p.joined && i > 0)
            st.covered += p.t - std::max(at(i - 1).t, from);
    }
    if (n == 0) {
        st.text = "settling";
        return st;
    }
    st.s = (hi - lo) / 2.0;
    const double mean = sum / n;
    const double limit = std::max(kStableShare * std::fabs(mean), kStableFloor);
    st.stable = st.s <= limit && st.covered >= kCoverSeconds;
    const std::string unit = *this->unit() ? std::string(" ") + this->unit() : std::string();
    st.text = st.stable ? "stable \u00b1 " + trend_number(st.s) + unit : "settling";
    return st;
}

std::string trend_number(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 3);
    return std::string(buf, r.ptr);
}
