// The trend of the service panel: the main value and the calibration voltage
// u1 of every good poll over the last hour, in a ring of fixed size; where a
// poll failed, "no data"; where no poll ran, a break; the measuring mode the
// transmitter was read back in, point by point; markers where a zero or span
// calibration was taken, constants were stored or the mode changed; and the
// stability of the main value.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

struct TrendPoint {
    double t = 0.0;      // seconds, monotonic
    double value = 0.0;  // the main value
    double u1 = 0.0;     // the calibration voltage
    int segment = 0;     // counts the mode changes
    int mode = -1;       // the transmitter's measuring mode, -1: not read
    bool joined = false; // drawn as a line from the point before
};

struct TrendMarker {
    enum Kind { Zero, Span, Store, Mode };
    Kind kind = Zero;
    double t = 0.0;
    int mode = -1; // Mode: the mode the transmitter is in from here on
};

// Polls that ran and gave no value, from the last good point before them
// (or the first of them) to the next good point (or the last of them).
struct NoData {
    double from = 0.0;
    double to = 0.0;
};

struct Stability {
    bool stable = false;
    double s = 0.0;       // half the range over the window
    double covered = 0.0; // seconds of the window that good polls cover
    std::string text;     // "stable ± 0.004 ppm", "settling", or "no data"
};

class Trend {
  public:
    static constexpr double kWindowSeconds = 30.0; // what stability looks at
    static constexpr double kCoverSeconds = 25.0;  // good polls needed in it
    // Live points further apart than this are not joined, whatever happened
    // between them.
    static constexpr double kMaxJoinSeconds = 5.0;
    // The longest time span the plot shows.
    static constexpr double kKeptSeconds = 3600.0;
    // Room for an hour at two polls a second; the oldest goes first.
    static constexpr std::size_t kCapacity = 7200;
    // Markers and stretches of no data kept; the oldest go first.
    static constexpr std::size_t kKeptMarks = 256;
    // Stable while half the range stays within this share of the mean, and
    // never asked to be tighter than kStableFloor.
    static constexpr double kStableShare = 0.005;
    static constexpr double kStableFloor = 0.01;

    // `joinSeconds`: points further apart are not joined (kMaxJoinSeconds for
    // the live values; a series of calibrations joins all of its points).
    explicit Trend(double joinSeconds = kMaxJoinSeconds);

    // A good poll at time t.
    void add(double t, double value, double u1);
    // A poll at time t that ran and gave no value: it failed, or the line
    // was away. Until the next good poll there is no stability to tell ("no
    // data").
    void noData(double t);
    // No poll ran: the next point is not joined, and there is no stability
    // to tell either.
    void gap();
    // The measuring mode (0, 1, 2) the transmitter was read back in at t. A
    // change starts a new segment and is marked; the first mode is not a
    // change.
    void setMode(int mode, double t = 0.0);
    int mode() const { return mode_; }
    // "ppm" in modes 0 and 1, "mV" in mode 2, "" while not read.
    static const char* unitOf(int mode);
    const char* unit() const { return unitOf(mode_); }
    void mark(TrendMarker::Kind kind, double t);

    // The points in [from, to], oldest first; the first is not joined.
    std::vector<TrendPoint> points(double from, double to) const;
    // The points of the last kKeptSeconds before `now`.
    std::vector<TrendPoint> points(double now) const { return points(now - kKeptSeconds, now); }
    const std::deque<TrendMarker>& markers() const { return markers_; }
    const std::deque<NoData>& noData() const { return noData_; }
    std::size_t size() const { return count_; }
    Stability stability(double now) const;

  private:
    const TrendPoint& at(std::size_t i) const; // 0: the oldest

    double joinSeconds_;
    std::vector<TrendPoint> ring_;
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    std::deque<TrendMarker> markers_;
    std::deque<NoData> noData_;
    bool noDataOpen_ = false; // the last stretch of no data has no good point after it
    int mode_ = -1;
    int segment_ = 0;
    bool broken_ = true; // the next point starts a new line
    bool live_ = false;  // the last poll was good
};

// s formatted for the stability text: three significant digits, a point as
// decimal separator whatever the locale.
std::string trend_number(double v);
