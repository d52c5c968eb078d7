// The trend of the service panel: the main value and the calibration voltage
// u1 of every good poll over the last ten minutes, in a ring of fixed size,
// with gaps where a poll failed or did not run and a new segment where the
// measuring mode changed; and the stability of the main value.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct TrendPoint {
    double t = 0.0;      // seconds, monotonic
    double value = 0.0;  // the main value
    double u1 = 0.0;     // the calibration voltage
    int segment = 0;     // counts the mode changes
    bool joined = false; // drawn as a line from the point before
};

struct Stability {
    bool stable = false;
    double s = 0.0;       // half the range over the window
    double covered = 0.0; // seconds of the window that good polls cover
    std::string text;     // "stable ± 0.004 ppm", "settling", or "no data"
};

class Trend {
  public:
    static constexpr double kSpanSeconds = 600.0;  // what the plot shows
    static constexpr double kWindowSeconds = 30.0; // what stability looks at
    static constexpr double kCoverSeconds = 25.0;  // good polls needed in it
    // Points further apart than this are not joined, whatever happened
    // between them.
    static constexpr double kMaxJoinSeconds = 5.0;
    // Room for ten minutes at two polls a second; the oldest goes first.
    static constexpr std::size_t kCapacity = 1200;

    Trend();

    // A good poll at time t.
    void add(double t, double value, double u1);
    // A poll that failed or did not run: the next point is not joined,
    // and until it comes there is no stability to tell ("no data").
    void gap();
    // The measuring mode shown (0, 1, 2). A change starts a new segment.
    void setMode(int mode);
    int mode() const { return mode_; }
    // "ppm" in modes 0 and 1, "mV" in mode 2.
    const char* unit() const;

    // The points, oldest first, of the last kSpanSeconds before `now`.
    std::vector<TrendPoint> points(double now) const;
    std::size_t size() const { return count_; }
    Stability stability(double now) const;

  private:
    const TrendPoint& at(std::size_t i) const; // 0: the oldest

    std::vector<TrendPoint> ring_;
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    int mode_ = -1;
    int segment_ = 0;
    bool broken_ = true; // the next point starts a new line
    bool live_ = false;  // the last poll was good
};

// s formatted for the stability text: three significant digits, a point as
// decimal separator whatever the locale.
std::string trend_number(double v);
