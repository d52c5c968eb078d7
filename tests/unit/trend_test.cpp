// The trend: stability over the last 30 s, gaps, segments, the bounded ring,
// and the feed from what the live poll shows on the service panel.
#include "platform/ui_tap.h"
#include "tests/support/logic_fixture.h"
#include "trend/trend.h"
#include "trend/trend_feed.h"

#include <cmath>
#include <cstring>

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
}

TEST(Trend, MemoryStaysBoundedAndThePlotShowsTenMinutes) {
    Trend trend;
    for (int t = 0; t < 100000; ++t)
        trend.add(t * 0.25, t, 0);
    EXPECT_EQ(trend.size(), Trend::kCapacity);
    const double now = 99999 * 0.25;
    std::vector<TrendPoint> p = trend.points(now);
    ASSERT_EQ(p.size(), 1200u); // 300 s at four a second: all the ring holds
    EXPECT_EQ(p.back().value, 99999);
    Trend slow;
    for (int t = 0; t < 2000; ++t)
        slow.add(t, t, 0);
    p = slow.points(1999);
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.front().t, 1999 - Trend::kSpanSeconds);
    EXPECT_FALSE(p.front().joined);
}

TEST(Trend, NumbersWithAPointWhateverTheLocale) {
    EXPECT_EQ(trend_number(0.00423), "0.00423");
    EXPECT_EQ(trend_number(12.5), "12.5");
    EXPECT_EQ(trend_number(1234.0), "1.23e+03");
}

// The feed on the program's own poll, through the user interface's seam.
class TrendFeedTest : public LogicTest, public CallbackObserver {
  protected:
    TrendFeedTest() : tap(ui), feed(trend, [this] { return clock.now(); }) {
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
}

TEST_F(TrendFeedTest, TheModeShownStartsANewSegment) {
    connect();
    ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    poll();
    ui.edit(p1, MAIN_MODE, 2);
    ui.commit(p1, MAIN_MODE);
    EXPECT_EQ(trend.mode(), 2);
    poll();
    ui.edit(p1, MAIN_MODE, 1);
    ui.commit(p1, MAIN_MODE);
    EXPECT_EQ(trend.mode(), 1);
    poll();
    std::vector<TrendPoint> p = trend.points(clock.now());
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].segment + 2, p[2].segment);
    EXPECT_FALSE(p[1].joined);
    EXPECT_FALSE(p[2].joined);
    EXPECT_STREQ(trend.unit(), "ppm");
}

} // namespace
