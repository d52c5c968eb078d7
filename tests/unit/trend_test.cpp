// The trend: stability over the last 30 s, gaps, segments, the bounded ring,
// its scales, and the feed from what the live poll and the read-back show.
#include "platform/ui_tap.h"
#include "tests/support/logic_fixture.h"
#include "trend/trend.h"
#include "trend/trend_feed.h"
#include "trend/trend_scale.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct StabilityCase {
    const char* name;
    int mode;
    double from, to; // good polls once a second over [from, to]
    double mean;
    double spread;  // values alternate mean +- spread
    double gapFrom; // no polls, and a gap, in [gapFrom, gapTo)
    double gapTo;
    double modeChangeAt; // < 0: none
    const char* text;
};

const StabilityCase kStability[] = {
    {"steady", 0, 0, 60, 5.0, 0.004, 0, 0, -1, "stable \u00b1 0.004 ppm"},
    {"too_noisy", 0, 0, 60, 5.0, 0.03, 0, 0, -1, "settling"},
    {"at_the_relative_limit", 1, 0, 60, 200.0, 0.99, 0, 0, -1, "stable \u00b1 0.99 ppm"},
    {"over_the_relative_limit", 1, 0, 60, 200.0, 1.01, 0, 0, -1, "settling"},
    {"absolute_floor_near_zero", 0, 0, 60, 0.0, 0.01, 0, 0, -1, "stable \u00b1 0.01 ppm"},
    {"over_the_floor", 0, 0, 60, 0.0, 0.011, 0, 0, -1, "settling"},
    {"negative_millivolts", 2, 0, 60, -100.0, 0.4, 0, 0, -1, "stable \u00b1 0.4 mV"},
    {"twenty_four_seconds_only", 0, 36, 60, 5.0, 0.0, 0, 0, -1, "settling"},
    {"twenty_six_seconds", 0, 34, 60, 5.0, 0.0, 0, 0, -1, "stable \u00b1 0 ppm"},
    {"a_gap_in_the_window", 0, 0, 60, 5.0, 0.0, 40, 46, -1, "settling"},
    {"a_short_gap", 0, 0, 60, 5.0, 0.0, 40, 42, -1, "stable \u00b1 0 ppm"},
    {"mode_changed_recently", 0, 0, 60, 5.0, 0.0, 0, 0, 50, "settling"},
    {"mode_changed_long_ago", 0, 0, 60, 5.0, 0.0, 0, 0, 20, "stable \u00b1 0 ppm"},
    {"nothing_yet", 0, 0, -1, 5.0, 0.0, 0, 0, -1, "no data"},
    {"the_last_poll_failed", 0, 0, 60, 5.0, 0.0, 60, 61, -1, "no data"},
};

class StabilityTest : public ::testing::TestWithParam<StabilityCase> {};

TEST_P(StabilityTest, FromTheLastThirtySeconds) {
    const StabilityCase& c = GetParam();
    Trend trend;
    trend.setMode(c.mode);
    bool gapped = false;
    for (int t = static_cast<int>(c.from); t <= c.to; ++t) {
        if (c.modeChangeAt >= 0 && t == static_cast<int>(c.modeChangeAt))
            trend.setMode(c.mode == 0 ? 1 : 0);
        if (t >= c.gapFrom && t < c.gapTo) {
            if (!gapped)
                trend.gap();
            gapped = true;
            continue;
        }
        trend.add(t, c.mean + (t % 2 ? c.spread : -c.spread), 0.0);
    }
    EXPECT_EQ(trend.stability(60.0).text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Trend, StabilityTest, ::testing::ValuesIn(kStability),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Trend, GapsAndModeChangesBreakTheLine) {
    Trend trend;
    trend.setMode(0);
    trend.add(0, 1, 0);
    trend.add(1, 2, 0);
    trend.gap();
    trend.add(2, 3, 0);
    trend.add(3, 4, 0);
    trend.setMode(2);
    trend.add(4, 5, 0);
    trend.add(10, 6, 0); // more than 5 s after the point before
    std::vector<TrendPoint> p = trend.points(10);
    ASSERT_EQ(p.size(), 6u);
    const bool joined[] = {false, true, false, true, false, false};
    for (std::size_t i = 0; i < p.size(); ++i)
        EXPECT_EQ(p[i].joined, joined[i]) << i;
    EXPECT_EQ(p[3].segment, 0);
    EXPECT_EQ(p[4].segment, 1);
    EXPECT_STREQ(trend.unit(), "mV");
    trend.setMode(2); // the same mode again: no new segment
    trend.add(11, 7, 0);
    EXPECT_TRUE(trend.points(11).back().joined);
    // A series of calibrations joins points months apart.
    Trend calibrations(std::numeric_limits<double>::infinity());
    calibrations.add(0, 1.0, 0);
    calibrations.add(8e6, 1.1, 0);
    EXPECT_TRUE(calibrations.points(0, 8e6).back().joined);
}

TEST(Trend, MemoryStaysBoundedAndThePlotShowsAnHour) {
    Trend trend;
    for (int t = 0; t < 100000; ++t) {
        trend.add(t * 0.25, t, 0);
        if (t % 2)
            trend.noData(t * 0.25 + 0.1);
        trend.setMode(t % 3);
    }
    EXPECT_EQ(trend.size(), Trend::kCapacity);
    EXPECT_EQ(trend.noData().size(), Trend::kKeptMarks);
    EXPECT_EQ(trend.markers().size(), Trend::kKeptMarks);
    const double now = 99999 * 0.25;
    std::vector<TrendPoint> p = trend.points(now);
    ASSERT_EQ(p.size(), 7200u); // 1800 s at four a second: all the ring holds
    EXPECT_EQ(p.back().value, 99999);
    Trend slow;
    for (int t = 0; t < 5000; ++t)
        slow.add(t, t, 0);
    p = slow.points(4999);
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.front().t, 4999 - Trend::kKeptSeconds);
    EXPECT_FALSE(p.front().joined);
    p = slow.points(100, 160);
    ASSERT_EQ(p.size(), 61u);
    EXPECT_FALSE(p.front().joined);
}

// Value axes at 1, 2, 5 times a power of ten; the auto range never narrower
// than four times the stability limit; wall-clock ticks in local time.
TEST(TrendScale, TicksAndTexts) {
    struct Row {
        double lo, hi;
        int wanted;
        bool snap;
        double axisLo, axisHi, step;
        int decimals;
        std::size_t ticks;
    };
    const Row rows[] = {
        {4.998, 5.002, 4, true, 4.998, 5.002, 0.001, 3, 5},
        {20.81, 21.07, 5, true, 20.8, 21.1, 0.1, 1, 4},
        {-101.3, -98.2, 3, true, -102, -98, 2, 0, 3},
        {0.0, 0.0, 4, true, 0.0, 1.0, 0.5, 1, 3}, // empty: a range of its own
        {20.83, 21.07, 5, false, 20.83, 21.07, 0.05, 2, 5},
        {1.0, 1.0, 4, false, 0.0, 1.0, 0.5, 1, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.lo);
        const ValueTicks t = value_ticks(r.lo, r.hi, r.wanted, r.snap);
        EXPECT_NEAR(t.lo, r.axisLo, 1e-9);
        EXPECT_NEAR(t.hi, r.axisHi, 1e-9);
        EXPECT_NEAR(t.step, r.step, 1e-12);
        EXPECT_EQ(t.decimals, r.decimals);
        EXPECT_EQ(t.at.size(), r.ticks);
    }
    double lo = 5.0, hi = 5.004;
    widen_to(&lo, &hi, least_value_span(5.0));
    EXPECT_NEAR(hi - lo, 0.1, 1e-12); // 4 x 0.5 % of 5 ppm
    EXPECT_NEAR(least_value_span(0.2), 0.04, 1e-12);
    EXPECT_EQ(value_text(-0.0004, 3), "0.000");
    EXPECT_EQ(value_text(-20.96, 1), "-21.0");

    struct TimeRow {
        double from, to;
        int offset, wanted;
        const char* first;
        std::size_t count;
    };
    // 2024-01-01 10:32:05 UTC is 1704105125.
    const TimeRow times[] = {
        {1704105125, 1704105185, 0, 6, "10:32:10", 6},   // a minute: every 10 s
        {1704105125, 1704105725, 3600, 6, "11:34", 5},   // ten minutes, UTC+1: every 2 min
        {1704105125, 1704108725, -18000, 5, "05:45", 4}, // an hour, UTC-5: every 15 min
        {1704105125, 1704105125, 0, 6, "", 0},
        {1704105125, 1706697125, 0, 6, "2024-01-04", 4},    // a month: weekly dates
        {1704105125, 1767177125, 3600, 4, "2024-10-24", 2}, // two years, UTC+1: yearly
        {0, 946080000, 0, 2, "", 0},                        // thirty years: too many to tick
    };
    for (const TimeRow& r : times) {
        SCOPED_TRACE(r.first);
        const std::vector<TimeTick> t = time_ticks(r.from, r.to, r.offset, r.wanted);
        ASSERT_EQ(t.size(), r.count);
        if (r.count) {
            EXPECT_EQ(t.front().text, r.first);
        }
    }
    EXPECT_EQ(clock_text(1704105125.7, 7200, true), "12:32:05");
    EXPECT_EQ(date_text(1704105125, -43200), "2023-12-31");
}

TEST(Trend, NumbersWithAPointWhateverTheLocale) {
    EXPECT_EQ(trend_number(0.00423), "0.00423");
    EXPECT_EQ(trend_number(12.5), "12.5");
    EXPECT_EQ(trend_number(1234.0), "1.23e+03");
}

// The feed on the program's own poll, through the user interface's seam.
class TrendFeedTest : public LogicTest, public CallbackObserver {
  protected:
    TrendFeedTest()
        : tap(ui), feed(
                       trend, [this] { return clock.now(); },
                       [this] { return p3 > 0 && ui.panel(p3).visible; }) {
        SetUiBackend(&tap);
        tap.addListener(&feed);
        SetCallbackObserver(this);
    }
    ~TrendFeedTest() override { SetCallbackObserver(nullptr); }
    void callbackBegins(const char* name, int) override {
        if (std::strcmp(name, "timer1") == 0)
            feed.pollBegins();
    }
    void callbackEnded(const char* name, int) override {
        if (std::strcmp(name, "timer1") == 0)
            feed.pollEnded();
    }
    void poll() {
        clock.advance(1.0);
        ui.tick(p3, POLL_TIMER);
    }

    UiTap tap;
    Trend trend;
    TrendFeed feed;
};

TEST_F(TrendFeedTest, GoodPollsArePointsFailedAndStoppedOnesGaps) {
    connect();
    EXPECT_EQ(trend.mode(), 0);
    ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    model.setGas(5.0);
    for (int i = 0; i < 3; ++i)
        poll();
    std::vector<TrendPoint> p = trend.points(clock.now());
    ASSERT_EQ(p.size(), 3u);
    EXPECT_DOUBLE_EQ(p.back().value, wert[7]);
    EXPECT_DOUBLE_EQ(p.back().u1, wert[1]);
    EXPECT_TRUE(p.back().joined);

    model.faults.silent = true; // ERROR1 NO CONNECT
    poll();
    model.faults.silent = false;
    poll();
    model.setReply("m2", "E7\r"); // a bad m2 reply: the poll failed
    poll();
    model.clearOverrides();
    poll();
    ui.close(p3); // polling stopped: the ticks poll nothing
    poll();
    ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    poll();
    p = trend.points(clock.now());
    ASSERT_EQ(p.size(), 6u);
    const bool joined[] = {false, true, true, false, false, false};
    for (std::size_t i = 0; i < p.size(); ++i)
        EXPECT_EQ(p[i].joined, joined[i]) << i;
    // No data from the last good point to the next; none while not polling.
    ASSERT_EQ(trend.noData().size(), 2u);
    EXPECT_EQ(trend.noData()[0].from, p[2].t);
    EXPECT_EQ(trend.noData()[0].to, p[3].t);
    EXPECT_EQ(trend.noData()[1].from, p[3].t);
    EXPECT_EQ(trend.noData()[1].to, p[4].t);
}

// The unit is the transmitter's: the selector alone changes nothing; Save
// writes the mode and the read-back after it starts the new segment.
TEST_F(TrendFeedTest, TheModeIsTheTransmittersAsReadBackNotTheSelectors) {
    connect();
    ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    poll();
    ui.edit(p1, MAIN_MODE, 2);
    ui.commit(p1, MAIN_MODE);
    EXPECT_EQ(trend.mode(), 0);
    poll();
    ui.commit(p1, MAIN_SAVE);
    const double saved = clock.now();
    EXPECT_EQ(trend.mode(), 2);
    poll();
    std::vector<TrendPoint> p = trend.points(clock.now());
    ASSERT_EQ(p.size(), 3u);
    const int modes[] = {0, 0, 2};
    for (std::size_t i = 0; i < p.size(); ++i)
        EXPECT_EQ(p[i].mode, modes[i]) << i;
    EXPECT_EQ(p[1].segment + 1, p[2].segment);
    EXPECT_FALSE(p[2].joined);
    EXPECT_STREQ(trend.unit(), "mV");
    ASSERT_EQ(trend.markers().size(), 1u);
    EXPECT_EQ(trend.markers()[0].kind, TrendMarker::Mode);
    EXPECT_EQ(trend.markers()[0].mode, 2);
    EXPECT_EQ(trend.markers()[0].t, saved);
}

} // namespace
