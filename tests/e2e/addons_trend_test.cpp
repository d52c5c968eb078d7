// The trend and the lines that say what happened, against k964-sim: the
// trend while the gas at the sensor changes; its markers, its unit and the
// outcome lines through a zero calibration, a mode change and settings
// written from a file; and what a lost line leaves stale.
#include "addons/menu.h"
#include "platform/visible.h"
#include "tests/e2e/addons_fixture.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <fstream>

namespace {

TEST_F(AddonsTest, TheTrendFollowsTheGasAndSettles) {
    // Ten trend seconds to the real one, a poll every 100 ms: a trend second
    // a poll, as on the real panel, in a tenth of the time.
    const auto start = std::chrono::steady_clock::now();
    auto clock = [start] {
        return 10.0 *
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    startSim();
    addons = std::make_unique<Addons>(clock);
    connect();
    addons->attach(p1, p3);
    ASSERT_NE(addons->trendView(), nullptr);
    for (QTimer* t : ui->panelWidget(p3)->findChildren<QTimer*>())
        t->setInterval(100);
    openService();
    auto stability = [this] {
        addons->trendView()->refresh();
        return addons->trendView()->stabilityText().toStdString();
    };
    auto last = [&] {
        const std::vector<TrendPoint> points = addons->trend().points(clock());
        return points.empty() ? 0.0 : points.back().value;
    };
    EXPECT_EQ(stability(), "no data") << "no poll yet";
    QTRY_VERIFY_WITH_TIMEOUT(stability().rfind("stable \u00b1 ", 0) == 0, kDeadlineMs);
    EXPECT_NE(stability().find(" ppm"), std::string::npos);
    EXPECT_NEAR(last(), 5.0, 0.1);

    sim->command("gas 50");
    QTRY_VERIFY_WITH_TIMEOUT(last() > 10.0, kDeadlineMs);
    EXPECT_EQ(stability(), "settling");
    QTRY_VERIFY_WITH_TIMEOUT(stability().rfind("stable", 0) == 0, 4 * kDeadlineMs);
    EXPECT_NEAR(last(), 50.0, 0.5);
    // The plot rose from 5 to 50 without a fall on the way.
    const std::vector<TrendPoint> points = addons->trend().points(clock());
    std::size_t falls = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        falls += points[i].value < points[i - 1].value - 0.05;
    EXPECT_EQ(falls, 0u);
    EXPECT_TRUE(addons->trendView()->isVisible());
}

TEST_F(AddonsTest, AZeroAndASavedModeChangeAreMarkedAndSaidInWords) {
    startSim();
    addons = std::make_unique<Addons>();
    connect();
    addons->attach(p1, p3);
    for (QTimer* t : ui->panelWidget(p3)->findChildren<QTimer*>())
        t->setInterval(100);
    auto line = [this](int panel, const char* name) {
        return ui->panelWidget(panel)->findChild<QLabel*>(name)->text().toStdString();
    };
    EXPECT_EQ(line(p1, "outcomeLine").rfind("Read from the transmitter at ", 0), 0u);
    EXPECT_NE(line(p1, "connectionLine").find("COM1 \u2192 /"), std::string::npos);
    EXPECT_NE(line(p1, "connectionLine").find(" \u00b7 read "), std::string::npos);
    openService();
    const Trend& trend = addons->trend();
    QTRY_VERIFY_WITH_TIMEOUT(trend.size() >= 2, kDeadlineMs);
    answerNextPopup(true);
    click(p3, SERVICE_ZERO);
    EXPECT_EQ(line(p3, "serviceOutcomeLine").rfind("Zero calibration taken at ", 0), 0u);
    ASSERT_EQ(trend.markers().size(), 1u);
    EXPECT_EQ(trend.markers().back().kind, TrendMarker::Zero);

    // The selector alone: the transmitter still measures ppm.
    chooseMode(2);
    EXPECT_EQ(trend.mode(), 0);
    EXPECT_EQ(line(p3, "oxygenUnit"), "ppm");
    click(p1, MAIN_SAVE);
    EXPECT_EQ(line(p1, "outcomeLine").rfind("Saved to the transmitter at ", 0), 0u);
    EXPECT_EQ(line(p1, "outcomeLine"), line(p3, "serviceOutcomeLine"));
    EXPECT_EQ(trend.mode(), 2);
    EXPECT_EQ(line(p3, "oxygenUnit"), "mV");
    EXPECT_EQ(trend.markers().back().kind, TrendMarker::Mode);
    const double changed = trend.markers().back().t;
    QTRY_VERIFY_WITH_TIMEOUT(trend.points(changed, 1e12).size() >= 2, kDeadlineMs);
    for (const TrendPoint& p : trend.points(0, 1e12))
        EXPECT_EQ(p.mode, p.t < changed ? 0 : 2) << p.t;
    addons->trendView()->plot()->grab();
    EXPECT_EQ(addons->trendView()->plot()->shownUnit(), "mV");

    // Settings saved to a file and written back with another constant 8,
    // through the menu: said in words, the Store marked, the action in the
    // service record.
    const std::string file = dir + "/unit.json";
    addons->profiles().setDialogs({[](const char*, const std::string&) { return std::string("T"); },
                                   [&](const std::string&) { return file; }, [&] { return file; },
                                   [] { return 1; }});
    answerNextPopup(true);
    qobject_cast<QAction*>(ui->menuItem(m1, MENUBAR_SAVE_SETTINGS))->trigger();
    std::string json = slurp(file);
    ASSERT_NE(json.find("\"8\": 1"), std::string::npos) << json;
    json.replace(json.find("\"8\": 1"), 6, "\"8\": 2");
    std::ofstream(file, std::ios::trunc) << json;
    answerNextPopup(true);
    answerNextPopup(true);
    qobject_cast<QAction*>(ui->menuItem(m1, MENUBAR_WRITE_SETTINGS))->trigger();
    EXPECT_EQ(popups.back().text, "verified");
    EXPECT_EQ(line(p1, "outcomeLine").rfind("Settings from file written and verified at ", 0), 0u)
        << line(p1, "outcomeLine");
    EXPECT_EQ(trend.markers().back().kind, TrendMarker::Store);
    EXPECT_NE(addons->record().text("now").find("Write settings from a file"), std::string::npos);
    // Again with constant 8 back at 1 and another zero point, to a
    // transmitter that no longer answers the save: failed, not "written",
    // and no Store marked.
    json = slurp(file);
    json.replace(json.find("\"8\": 2"), 6, "\"8\": 1");
    const std::size_t zero = json.find("\"zeroPoint\": ") + 13;
    json.replace(zero, json.find_first_of(",\n}", zero) - zero, "0.37");
    std::ofstream(file, std::ios::trunc) << json;
    ASSERT_EQ(sim->command("mute S!"), "k964-sim: ok");
    const std::size_t marks = trend.markers().size();
    answerNextPopup(true);
    answerNextPopup(true);
    qobject_cast<QAction*>(ui->menuItem(m1, MENUBAR_WRITE_SETTINGS))->trigger();
    EXPECT_EQ(line(p1, "outcomeLine"),
              "Write from file failed: Save failed: NO CONNECT 6, nothing stored")
        << popups.back().text.toStdString();
    EXPECT_EQ(trend.markers().size(), marks);
}

TEST_F(AddonsTest, ALostLineMakesWhatWasReadStaleAndNoLiveValueLive) {
    startSim();
    addons = std::make_unique<Addons>();
    connect();
    addons->attach(p1, p3);
    openService();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    sim->command("drop");
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ERROR1 NO CONNECT"), kDeadlineMs);
    EXPECT_EQ(text(p3, SERVICE_OXYGEN), "no data");
    EXPECT_FALSE(widget(p3, SERVICE_OXYGEN)->isEnabled()) << "greyed";
    EXPECT_EQ(ui->panelWidget(p3)->findChild<QLabel*>("oxygenUnit")->text(), "")
        << "no unit beside no value";
    addons->trendView()->refresh();
    EXPECT_EQ(addons->trendView()->stabilityText(), "no data");
    EXPECT_EQ(text(p1, MAIN_NOTE), "Line lost since the settings were read: read them again");
    SimProcess other({"--noise", "0.001"}, 1, dir); // another transmitter, the same port
    ASSERT_TRUE(other.start()) << other.error();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    answerNextPopup(false);
    click(p1, MAIN_SAVE);
    answerNextPopup(false);
    click(p3, SERVICE_STORE);
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[0].text, "Settings not read from the transmitter. Write the values shown ?");
    EXPECT_EQ(popups[1].text, "Constants not read from the transmitter. Write the values shown ?");
    EXPECT_EQ(std::count_if(written.sent.begin(), written.sent.end(),
                            [](const std::string& c) { return c[0] == 'D' || c[0] == 'S'; }),
              0);
    const std::string record = addons->record().text("now");
    EXPECT_NE(record.find("\nLost:   "), std::string::npos) << record;
    EXPECT_NE(record.find("(calibration constant 0)  before the line was lost"), std::string::npos);
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_NOTE), "");
}

} // namespace
