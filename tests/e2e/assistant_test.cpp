// The calibration assistant against k964-sim: a zero and a span through the
// window into the history, each reading as the panel showed it, the
// constants after the transmitter's new ones, and a Store afterwards that
// sends nothing.
#include "history/history_store.h"
#include "tests/e2e/addons_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

namespace {

// A parameter from k964-sim's state file, as it saved it.
double saved_param(const std::string& state, int k) {
    const std::string key = "param " + std::to_string(k) + " ";
    const std::size_t at = state.find(key);
    return at == std::string::npos ? -1e300 : std::stod(state.substr(at + key.size()));
}

using AssistantE2eTest = AddonsTest;

TEST_F(AssistantE2eTest, AZeroAndASpanAsThePanelShowedThemAndAStoreAfterSendsNothing) {
    const std::string state = dir + "/state.txt";
    // A transmitter whose zero offset and gain have drifted.
    std::ofstream(state) << "k964 saved state\nparam 0 1.45\nparam 8 0.96\n";
    // The trend's clock twenty times as fast as the wall's: its half minute
    // of stability is 1.5 s here; the cell follows a gas as fast.
    startSim({"--gas", "0", "--state", state, "--settle", "0.2"});
    const auto begun = std::chrono::steady_clock::now();
    addons = std::make_unique<Addons>([begun] {
        return 20.0 *
               std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    });
    Assistant& a = addons->calibrationAssistant().assistant();
    connect();
    addons->attach(p1, p3);
    for (QTimer* t : ui->panelWidget(p3)->findChildren<QTimer*>())
        t->setInterval(50);

    // Service -> Calibrate... opens the service panel too, and is no modal
    // window: the poll goes on.
    qobject_cast<QAction*>(ui->menuItem(m1, MENUBAR_CALIBRATE))->trigger();
    AssistantWindow* w = addons->calibrationAssistant().window();
    ASSERT_NE(w, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(ui->panelWidget(p3)->isVisible() && w->isVisible(), kDeadlineMs);
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const std::size_t polled = addons->trend().size();
    QTRY_VERIFY_WITH_TIMEOUT(addons->trend().size() > polled + 3, kDeadlineMs);

    w->findChild<QLineEdit*>("technician")->setText("A. Tester");
    w->findChild<QLineEdit*>("tag")->setText("Boiler 3");
    auto stable = [&] { return a.stability().stable; };
    struct Shown {
        double value, u1;
    };
    auto shown = [this] { return Shown{real(p3, SERVICE_OXYGEN), real(p3, SERVICE_U1_VALUE)}; };
    auto take = [&](Shown* at) {
        QTRY_VERIFY_WITH_TIMEOUT(stable(), 4 * kDeadlineMs);
        *at = shown();
        QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    };
    auto calibrate = [&](CalibrationKind kind, const char* gas, Shown* found, Shown* left) {
        QTest::mouseClick(kind == CalibrationKind::Zero ? w->zeroButton() : w->spanButton(),
                          Qt::LeftButton);
        auto* concentration = w->findChild<QLineEdit*>("gasConcentration");
        ASSERT_TRUE(concentration->isEnabled());
        concentration->setText(gas);
        w->findChild<QLineEdit*>("gasLot")->setText("LOT-1");
        QTest::mouseClick(w->nextButton(), Qt::LeftButton);
        ASSERT_EQ(a.step(), Assistant::Step::Settle);
        take(found);
        ASSERT_EQ(a.step(), Assistant::Step::Command);
        answerNextPopup(true);
        QTest::mouseClick(w->nextButton(), Qt::LeftButton);
        ASSERT_EQ(a.step(), Assistant::Step::SettleAfter) << a.message();
        EXPECT_EQ(text(p3, SERVICE_STATUS), "ok");
        take(left);
        ASSERT_EQ(a.step(), Assistant::Step::Verdict);
        EXPECT_FALSE(w->findChild<QDoubleSpinBox*>("tolerance")->isEnabled());
        QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    };

    Shown zeroFound{}, zeroLeft{};
    calibrate(CalibrationKind::Zero, "0", &zeroFound, &zeroLeft);
    // The offset moved by about a sixth: beyond 10 %, kept on the second
    // confirmation only.
    ASSERT_EQ(a.step(), Assistant::Step::Verdict);
    ASSERT_TRUE(w->keepButton()->isVisible());
    QTest::mouseClick(w->keepButton(), Qt::LeftButton);
    ASSERT_EQ(a.step(), Assistant::Step::Done);
    const std::string afterZero = slurp(state);

    sim->command("gas 20.9");
    Shown spanFound{}, spanLeft{};
    calibrate(CalibrationKind::Span, "20.9", &spanFound, &spanLeft);
    ASSERT_EQ(a.step(), Assistant::Step::Done) << a.message();
    // As the history holds them, newest first.
    HistoryStore history;
    ASSERT_TRUE(history.open(HistoryStore::defaultPath())) << history.error();
    const std::vector<CalibrationEntry> entries = history.calibrations("Boiler 3");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(a.recordedId(), entries[0].id);
    ASSERT_EQ(std::count(written.sent.begin(), written.sent.end(), "D?D?"), 1);
    ASSERT_EQ(std::count(written.sent.begin(), written.sent.end(), "D!D!"), 1);

    const CalibrationEntry& zero = entries[1];
    const CalibrationEntry& span = entries[0];
    EXPECT_EQ(zero.outcome, CalibrationOutcome::Accepted);
    EXPECT_TRUE(zero.beyondTolerance);
    EXPECT_EQ(span.outcome, CalibrationOutcome::Accepted);
    EXPECT_FALSE(span.beyondTolerance);
    for (const CalibrationEntry* e : {&zero, &span}) {
        EXPECT_EQ(e->technician, "A. Tester");
        EXPECT_EQ(e->tag, "Boiler 3");
        EXPECT_EQ(e->device, "VV K964 V3"); // the transmitter's own reply on this line
        EXPECT_EQ(e->gas.lot, "LOT-1");
        EXPECT_EQ(e->tolerancePercent, 10.0);
        EXPECT_FALSE(e->wentOnUnstable);
        EXPECT_TRUE(e->asFound.stable && e->asLeft.stable);
    }
    EXPECT_EQ(span.gas.concentration, "20.9");
    // As found and as left: what the panel showed when they were taken.
    EXPECT_EQ(zero.asFound.value, zeroFound.value);
    EXPECT_EQ(zero.asFound.u1, zeroFound.u1);
    EXPECT_EQ(zero.asLeft.value, zeroLeft.value);
    EXPECT_EQ(span.asFound.value, spanFound.value);
    EXPECT_EQ(span.asLeft.value, spanLeft.value);
    EXPECT_EQ(span.asLeft.u1, spanLeft.u1);
    EXPECT_NEAR(*zero.asFound.value, -0.48, 0.05);
    EXPECT_NEAR(*zero.asLeft.value, 0.0, 0.05);
    // Stable is half a percent over the window; the cell may still creep.
    EXPECT_NEAR(*span.asLeft.value, 20.9, 0.5);
    // The constants before are the drifted ones; after, the transmitter's new
    // ones as it saved them.
    EXPECT_EQ(zero.before[2], 1.45);
    EXPECT_EQ(span.before[0], 0.96);
    EXPECT_NEAR(*zero.after[2], saved_param(afterZero, 0), 1e-4);
    EXPECT_NEAR(*span.after[0], saved_param(slurp(state), 8), 1e-4);

    // A Store afterwards sends nothing the calibration did.
    const std::size_t before = written.sent.size();
    click(p3, SERVICE_STORE);
    for (std::size_t i = before; i < written.sent.size(); ++i)
        EXPECT_NE(written.sent[i][0], 'D') << written.sent[i];
    EXPECT_EQ(real(p3, SERVICE_CAL_8), *span.after[0]);
    // A zero begun and cancelled before its command: nothing sent, the gas
    // typed kept.
    QTest::mouseClick(w->zeroButton(), Qt::LeftButton);
    w->findChild<QLineEdit*>("gasLot")->setText("LOT-2");
    QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(std::count(written.sent.begin(), written.sent.end(), "D?D?"), 1);
    // Remembered for the next calibration.
    const std::string conf = slurp(Addons::confPath());
    EXPECT_NE(conf.find("assistant-technician=A. Tester\n"), std::string::npos) << conf;
    EXPECT_NE(conf.find("assistant-span-gas-concentration=20.9\n"), std::string::npos) << conf;
    EXPECT_NE(conf.find("assistant-zero-gas-lot=LOT-2\n"), std::string::npos) << conf;
}

} // namespace
