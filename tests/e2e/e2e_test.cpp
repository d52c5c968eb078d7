// The whole program against k964-sim: connect, read, change, save, the
// service panel with its poll and calibration, faults, and the two ways the
// program ends.
#include "app/shell.h"
#include "platform/backends.h"
#include "tests/e2e/e2e_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include <QImage>
#include <QScreen>
#include <QWindow>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <utility>

namespace {

using ::testing::ExitedWithCode;

// The caption the technician reads beside a field.
QString labelOf(QWidget* field) {
    for (QLabel* label : field->window()->findChildren<QLabel*>()) {
        if (label->buddy() == field)
            return label->text();
    }
    return {};
}

TEST_F(E2eTest, StartsWithTheTitleAndTheComPanelShowingThePortFromTheIni) {
    writeIni(" 4  Ve-Data_2014\n");
    start();
    QWidget* main = ui->panelWidget(p1);
    EXPECT_EQ(main->windowTitle(), "K964 V3        ");
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(ui->panelWidget(p4)->isVisible());
    EXPECT_TRUE(main->isAncestorOf(ui->panelWidget(p4))) << "the COM port panel sits inside";
    EXPECT_FALSE(ui->panelWidget(p3)->isVisible());
    EXPECT_EQ(integer(p4, COM_PORT), 4);
}

TEST_F(E2eTest, ConnectingShowsTheTransmittersSettings) {
    connect();
    EXPECT_FALSE(ui->panelWidget(p4)->isVisible());
    // The simulator's factory settings: word 0 = 0x54 (mode 0, switches off).
    EXPECT_EQ(integer(p1, MAIN_MODE), 0);
    EXPECT_EQ(integer(p1, MAIN_CONFIG_BIT0), 0);
    EXPECT_EQ(integer(p1, MAIN_CONFIG_BIT3), 0);
    EXPECT_EQ(set[0], 0x54);
    EXPECT_DOUBLE_EQ(real(p1, MAIN_ZERO_POINT), ewert[1]);
    EXPECT_DOUBLE_EQ(real(p1, MAIN_END_MARK), ewert[2]);
    EXPECT_DOUBLE_EQ(real(p1, MAIN_LIMIT), ewert[3]);
    EXPECT_EQ(integer(p1, MAIN_SETTING_8), set[8]);
}

TEST_F(E2eTest, ChangedSettingsAreSavedAndSurviveAPowerCycle) {
    connect();
    chooseMode(1);
    QTest::keyClick(widget(p1, MAIN_CONFIG_BIT0), Qt::Key_Space);
    type(p1, MAIN_ZERO_POINT, "0.0537");
    type(p1, MAIN_END_MARK, "250");
    type(p1, MAIN_LIMIT, "-1.5");
    type(p1, MAIN_SETTING_8, "42");
    ASSERT_EQ(linear, 1) << "committing the mode applies it";
    EXPECT_EQ(text(p1, MAIN_ZERO_POINT), "0.1") << "mode 1 shows one decimal";
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_EQ(sim->command("power-cycle").rfind("k964-sim: ", 0), 0u);
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_EQ(integer(p1, MAIN_MODE), 1);
    EXPECT_EQ(integer(p1, MAIN_CONFIG_BIT0), 1);
    EXPECT_EQ(integer(p1, MAIN_CONFIG_BIT3), 0);
    EXPECT_DOUBLE_EQ(real(p1, MAIN_ZERO_POINT), 0.0537);
    EXPECT_DOUBLE_EQ(real(p1, MAIN_END_MARK), 250.0);
    EXPECT_DOUBLE_EQ(real(p1, MAIN_LIMIT), -1.5);
    EXPECT_EQ(integer(p1, MAIN_SETTING_8), 42);
    EXPECT_EQ(set[0], 0x54 | 0x01 | 0x20 | 0x10);
}

TEST_F(E2eTest, ModeLabelsFollowTheSelector) {
    connect();
    chooseMode(2);
    EXPECT_EQ(labelOf(widget(p1, MAIN_ZERO_POINT)), "ZERO POINT (mV ) ");
    EXPECT_EQ(labelOf(widget(p3, SERVICE_OXYGEN)), "Sensor Voltage ");
    chooseMode(1);
    EXPECT_EQ(labelOf(widget(p1, MAIN_ZERO_POINT)), "ZERO POINT (ppm] ");
    EXPECT_EQ(linear, 1);
}

TEST_F(E2eTest, TheServicePanelPollsAndCalibrates) {
    connect();
    openService();
    EXPECT_TRUE(ui->panelWidget(p3)->isVisible());
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_EQ(hol, 1);
    // The poll runs on the panel's timer: values arrive and keep coming.
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    const double first = real(p3, SERVICE_U9_VALUE);
    QTRY_VERIFY_WITH_TIMEOUT(real(p3, SERVICE_U9_VALUE) != first, kDeadlineMs);
    EXPECT_EQ(integer(p3, SERVICE_BUSY), 0);

    answerNextPopup(true);
    click(p3, SERVICE_ZERO);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "CALIBRATION");
    EXPECT_EQ(popups[0].text, "SET Vcal = 0 mV ?");
    EXPECT_EQ(text(p3, SERVICE_STATUS), "ok");
    EXPECT_EQ(tip(p3, SERVICE_STATUS), "D? OK") << "the zero command, not the span";

    sim->command("vcal 12.5");
    QTRY_COMPARE_WITH_TIMEOUT(wert[1], 12.5, kDeadlineMs);
    answerNextPopup(true);
    click(p3, SERVICE_SPAN);
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1].title, "Calibration");
    EXPECT_EQ(popups[1].text, "ERROR OUT OF RANGE !!");
    EXPECT_TRUE(popups[1].informative.isEmpty()) << "only a port that did not open explains itself";

    sim->command("vcal 5");
    QTRY_COMPARE_WITH_TIMEOUT(wert[1], 5.0, kDeadlineMs);
    answerNextPopup(true);
    click(p3, SERVICE_SPAN);
    ASSERT_EQ(popups.size(), 3u);
    EXPECT_EQ(popups[2].text, "SET Vcal = V ?");
    EXPECT_EQ(text(p3, SERVICE_STATUS), "ok");
    EXPECT_TRUE(tip(p3, SERVICE_STATUS).startsWith("D! ")) << "the span command, not the zero";

    ui->panelWidget(p3)->close();
    EXPECT_FALSE(ui->panelWidget(p3)->isVisible());
    EXPECT_EQ(hol, 0);
}

TEST_F(E2eTest, StoredConstantsComeBackAsTheTransmitterRoundedThem) {
    connect();
    openService();
    type(p3, SERVICE_CAL_8, "1.23456");
    type(p3, SERVICE_CAL_0, "-0.5");
    click(p3, SERVICE_STORE);
    EXPECT_DOUBLE_EQ(real(p3, SERVICE_CAL_8), 1.235);
    EXPECT_DOUBLE_EQ(real(p3, SERVICE_CAL_0), -0.5);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
}

TEST_F(E2eTest, ASilentTransmitterIsReportedAndRefusesCalibration) {
    connect();
    openService();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    sim->command("silent on");
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ERROR1 NO CONNECT"), kDeadlineMs);
    EXPECT_EQ(integer(p3, SERVICE_BUSY), 1);
    answerNextPopup(true);
    click(p3, SERVICE_ZERO);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].text, " ERROR !!");
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 3");
    sim->command("silent off");
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
}

// Each failure text where the technician sees it, from a transmitter that
// leaves exactly one command unanswered (or answers it wrongly).
TEST_F(E2eTest, EveryFailureTextAppearsWhereItBelongs) {
    connect();
    auto muted = [this](const char* prefix) {
        ASSERT_EQ(sim->command("clear-replies").rfind("k964-sim: ", 0), 0u);
        ASSERT_EQ(sim->command(std::string("mute ") + prefix).rfind("k964-sim: ", 0), 0u);
    };
    muted("d2");
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 4");
    muted("D3");
    answerNextPopup(true); // the read-back failed: the values shown are confirmed
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 5");
    muted("S8");
    answerNextPopup(true);
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 6");

    sim->command("clear-replies");
    openService();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    muted("m2");
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ERROR2 NO CONNECT"), kDeadlineMs);
    sim->command("clear-replies");
    sim->command("reply m2 E7");
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("E7"), kDeadlineMs);
    EXPECT_EQ(fehlx, 1);
    sim->command("clear-replies");
    QTRY_COMPARE_WITH_TIMEOUT(fehlx, 0, kDeadlineMs);

    muted("D9");
    type(p3, SERVICE_CAL_9, "2.5"); // untouched, it would not be sent
    answerNextPopup(true);
    click(p3, SERVICE_STORE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 5");
    ASSERT_FALSE(popups.empty());
    EXPECT_EQ(popups.back().text, "Constant 9 not stored !");
    muted("D?D?");
    answerNextPopup(true);
    click(p3, SERVICE_ZERO);
    EXPECT_EQ(text(p3, SERVICE_STATUS), "ERROR NO CONNECT");
    muted("D!D!");
    answerNextPopup(true);
    click(p3, SERVICE_SPAN);
    EXPECT_EQ(text(p3, SERVICE_STATUS), "NO CONNECT");
}

TEST_F(E2eTest, ATransmitterThatVanishesGivesFailureTextsAndNoHang) {
    connect();
    sim->signal(SIGKILL);
    ASSERT_TRUE(sim->wait(10.0));
    std::filesystem::remove(sim->linkPath()); // gone with its link, as an adapter goes
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 3");
    answerNextPopup(true);
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 5");
}

// An adapter pulled out and put back: the line drops, a new device appears
// under the same COM1, and the next Read works without a restart.
TEST_F(E2eTest, AnAdapterPutBackWorksAgainWithoutARestart) {
    connect();
    ASSERT_EQ(sim->command("drop").rfind("k964-sim: ", 0), 0u);
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 3");
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 3") << "still away: fails at once, no hang";

    SimProcess back({"--noise", "0.001"}, 1, dir);
    ASSERT_TRUE(back.start()) << back.error();
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    openService();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    click(p3, SERVICE_STORE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
}

TEST_F(E2eTest, ClosingTheMainWindowSavesThePortAndEndsWithZero) {
    start();
    EXPECT_EXIT(ui->panelWidget(p1)->close(), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 1  Ve-Data_2014\n");
}

TEST_F(E2eTest, AConfirmedPortIsSavedOnClose) {
    EXPECT_EXIT(
        {
            startSim({}, 3);
            start();
            type(p4, COM_PORT, "3");
            click(p4, COM_OK);
            if (text(p1, MAIN_STATUS) == "ok")
                ui->panelWidget(p1)->close();
        },
        ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 3  Ve-Data_2014\n");
}

TEST_F(E2eTest, APortThatCannotBeOpenedEndsWithTheMessageAndKeepsTheIni) {
    writeIni(" 200  Ve-Data_2014\n");
    popupLog = dir + "/popup.log";
    EXPECT_EXIT(
        {
            start();
            answerNextPopup(true);
            click(p4, COM_OK);
        },
        ExitedWithCode(0), "k964: COM-PORT kann nicht geoeffnet werden !\nDevice tried: ");
    EXPECT_EQ(readIni(), " 200  Ve-Data_2014\n");
    const SeenPopup seen = readPopupLog();
    EXPECT_EQ(seen.title, "");
    EXPECT_EQ(seen.text, "COM-PORT kann nicht geoeffnet werden !");
    EXPECT_TRUE(seen.informative.startsWith(
        "Device tried: /dev/ttyS199\nNot present: there is no such device.\n"))
        << seen.informative.toStdString();
}

TEST_F(E2eTest, AMissingResourceFileIsNamedAndEndsWithOne) {
    std::filesystem::remove(dir + "/K964_Vx.uir");
    EXPECT_EXIT(
        {
            answerNextPopup(true);
            starten();
        },
        ExitedWithCode(1), "K964_Vx.uir");
}

} // namespace
