// Nothing failed is shown as success and nothing is written that the
// technician did not see: the confirmations, refused input, Store's report,
// the service panel on screen before its first exchange, K960.ini kept.
#include "app/shell.h"
#include "platform/backends.h"
#include "tests/e2e/e2e_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <QImage>
#include <QScreen>
#include <QWindow>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <utility>

namespace {

TEST_F(E2eTest, SaveAfterAFailedReadBackAsksAndNoWritesNothing) {
    startSim({"--silent"});
    start();
    click(p4, COM_OK);
    ASSERT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 3");
    sim->command("silent off");
    const int before = simCommands();
    answerNextPopup(false);
    click(p1, MAIN_SAVE);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "SAVE");
    EXPECT_EQ(popups[0].text, "Settings not read from the transmitter. Write the values shown ?");
    EXPECT_EQ(simCommands(), before) << "nothing written";
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 3");
    answerNextPopup(true);
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_NE(sim->command("status").find(" saves=1 "), std::string::npos);
}

TEST_F(E2eTest, StoreOfConstantsNotReadAsksAndNoKeepsTheTransmittersValues) {
    connect();
    sim->command("mute d9");
    openService();
    sim->command("clear-replies");
    const QString held = text(p3, SERVICE_CAL_8);
    type(p3, SERVICE_CAL_8, "7.5");
    answerNextPopup(false);
    click(p3, SERVICE_STORE);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "Calibration");
    EXPECT_EQ(popups[0].text, "Constants not read from the transmitter. Write the values shown ?");
    openService(); // reads the constants again
    EXPECT_EQ(text(p3, SERVICE_CAL_8), held) << "7.5 never reached the transmitter";
    type(p3, SERVICE_CAL_8, "7.5");
    click(p3, SERVICE_STORE);
    EXPECT_EQ(popups.size(), 1u) << "read this time: no question";
    EXPECT_DOUBLE_EQ(real(p3, SERVICE_CAL_8), 7.5);
}

TEST_F(E2eTest, SpanRightAfterOpeningTheServicePanelIsRefused) {
    connect();
    sim->command("vcal 50");
    openService();
    answerNextPopup(true);
    click(p3, SERVICE_SPAN); // before the first poll of this opening
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].text, " ERROR !!");
    EXPECT_EQ(tip(p3, SERVICE_STATUS), "") << "no calibration command went out";
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    answerNextPopup(true);
    click(p3, SERVICE_SPAN);
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1].text, "ERROR OUT OF RANGE !!");
}

TEST_F(E2eTest, ABadLiveReplyFailsThePollAndStaysInView) {
    connect();
    openService();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    const double u1 = real(p3, SERVICE_U1_VALUE);
    sim->command("reply u1 E5.0");
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("E5.0"), kDeadlineMs);
    // Two more polls: the text stays, never "ok", and no value of them is taken.
    const int commands = simCommands();
    QTRY_VERIFY_WITH_TIMEOUT(simCommands() >= commands + 8, kDeadlineMs);
    EXPECT_EQ(text(p3, SERVICE_STATUS), "E5.0");
    EXPECT_EQ(fehlx, 1);
    EXPECT_EQ(integer(p3, SERVICE_BUSY), 0);
    EXPECT_DOUBLE_EQ(real(p3, SERVICE_U1_VALUE), u1);
    answerNextPopup(true);
    click(p3, SERVICE_ZERO);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].text, " ERROR !!");
}

TEST_F(E2eTest, AFailedConstantIsReportedOnTheServicePanelAndAGoodStoreSaysOk) {
    connect();
    openService();
    sim->command("mute D9");
    type(p3, SERVICE_CAL_9, "0.25");
    answerNextPopup(true);
    click(p3, SERVICE_STORE);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "Calibration");
    EXPECT_EQ(popups[0].text, "Constant 9 not stored !");
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 5");
    sim->command("clear-replies");
    click(p3, SERVICE_STORE);
    EXPECT_EQ(popups.size(), 1u);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
}

// An untouched value is not rounded; a value not taken, a write not saved, a
// reply without a number are said; a good Store leaves a read-back failure.
TEST_F(E2eTest, WhatTheTransmitterDidNotTakeOrSaveIsSaidAndUntouchedValuesStay) {
    const std::string state = dir + "/state";
    std::ofstream(state) << "k964 saved state\nparam 2 20.945\n";
    startSim({"--state", state});
    connect();
    sim->command("reply D3 E2"); // answered, not carried out
    type(p1, MAIN_LIMIT, "60");
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NOT TAKEN");
    EXPECT_EQ(text(p1, MAIN_NOTE), "Not taken by the transmitter: limit");
    std::stringstream saved;
    saved << std::ifstream(state).rdbuf();
    EXPECT_NE(saved.str().find("param 2 20.945\n"), std::string::npos) << saved.str();
    sim->command("clear-replies");
    sim->command("mute S!S!");
    type(p1, MAIN_LIMIT, "60");
    click(p1, MAIN_SAVE);
    const QString unsaved = "Values may be written but are not saved until a Save completes";
    EXPECT_EQ(text(p1, MAIN_NOTE), unsaved);
    sim->command("clear-replies");
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_EQ(text(p1, MAIN_NOTE), unsaved) << "until a Save completes";
    sim->command("reply s8 s8 ???");
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO VALUE 3");
    EXPECT_EQ(text(p1, MAIN_NOTE), unsaved + ". No number in the reply for: settings word 8");
    const int before = simCommands();
    answerNextPopup(false);
    click(p1, MAIN_SAVE);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].text, "Settings not read from the transmitter. Write the values shown ?");
    EXPECT_EQ(simCommands(), before) << "nothing written";
    sim->command("clear-replies");
    sim->command("mute d2");
    openService();
    type(p3, SERVICE_CAL_8, "1.5");
    click(p3, SERVICE_STORE);
    EXPECT_EQ(popups.size(), 1u);
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 4") << "not ok over the read-back's failure";
}

// After a zero the constants shown are the transmitter's new ones; span tests
// a reading taken after its question.
TEST_F(E2eTest, ACalibrationIsReadBackAndSpanTestsAReadingFromAfterItsQuestion) {
    connect();
    openService();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    const double before = real(p3, SERVICE_CAL_0);
    answerNextPopup(true);
    click(p3, SERVICE_ZERO);
    ASSERT_EQ(text(p3, SERVICE_STATUS), "ok");
    EXPECT_NE(real(p3, SERVICE_CAL_0), before) << "the transmitter's new constant 0";
    type(p3, SERVICE_CAL_9, "0.002");
    const auto from = static_cast<long>(written.sent.size());
    click(p3, SERVICE_STORE);
    EXPECT_EQ(std::count_if(written.sent.begin() + from, written.sent.end(),
                            [](const std::string& c) { return c[0] == 'D'; }),
              1)
        << "constant 0 is not written back";
    std::vector<QString> seen;
    QTimer yes;
    yes.setInterval(10);
    QObject::connect(&yes, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen.push_back(box->text());
        if (seen.size() == 1)
            sim->command("vcal 50"); // out of range while the question is open
        (box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)
                                       : box->button(QMessageBox::Ok))
            ->click();
    });
    yes.start();
    click(p3, SERVICE_SPAN);
    EXPECT_EQ(seen, (std::vector<QString>{"SET Vcal = V ?", "ERROR OUT OF RANGE !!"}));
}

TEST_F(E2eTest, TextThatIsNotANumberIsKeptAndSaveRefusedUntilRead) {
    connect();
    type(p1, MAIN_ZERO_POINT, "0,5"); // a German technician's decimal comma
    EXPECT_DOUBLE_EQ(real(p1, MAIN_ZERO_POINT), 0.5);
    type(p1, MAIN_END_MARK, "5 ppm");
    EXPECT_EQ(text(p1, MAIN_END_MARK), "5 ppm") << "kept, not put back";
    type(p1, MAIN_LIMIT, "2");
    EXPECT_TRUE(widget(p1, MAIN_LIMIT)->hasFocus()) << "the focus went on";
    const int before = simCommands();
    answerNextPopup(true);
    click(p1, MAIN_SAVE);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "Input");
    EXPECT_EQ(popups[0].text, "END MARK (ppm): not a number !");
    EXPECT_EQ(simCommands(), before) << "nothing sent";
    click(p1, MAIN_READ);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_NE(text(p1, MAIN_END_MARK), "5 ppm") << "Read puts the transmitter's value there";
    type(p1, MAIN_ZERO_POINT, "0,5");
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_DOUBLE_EQ(real(p1, MAIN_ZERO_POINT), 0.5);
}

// Looks at the service panel when its first exchange starts.
class FirstExchangeWatch : public SerialBackend {
  public:
    FirstExchangeWatch(SerialBackend& line, std::function<void()> look)
        : line_(line), look_(std::move(look)) {}
    int open(int port, long baud, int parity, int bits, int stop) override {
        first();
        return line_.open(port, baud, parity, bits, stop);
    }
    int setTimeout(int port, double seconds) override {
        first();
        return line_.setTimeout(port, seconds);
    }
    int flushOut(int port) override {
        first();
        return line_.flushOut(port);
    }
    int flushIn(int port, std::string* flushed) override {
        first();
        return line_.flushIn(port, flushed);
    }
    int write(int port, const char* bytes, int count, WritePurpose purpose) override {
        first();
        return line_.write(port, bytes, count, purpose);
    }
    int read(int port, const LineRead& how, char* buffer, int count, int* stored) override {
        first();
        return line_.read(port, how, buffer, count, stored);
    }
    double now() override { return line_.now(); }

  private:
    void first() {
        if (look_)
            std::exchange(look_, nullptr)();
    }
    SerialBackend& line_;
    std::function<void()> look_;
};

// The colours in an image: an unpainted window has one or none.
int colours(const QImage& image) {
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            seen.insert(image.pixel(x, y));
    return static_cast<int>(seen.size());
}

TEST_F(E2eTest, TheServicePanelIsOnScreenBeforeItsFirstExchange) {
    connect();
    sim->command("silent on"); // the technician would wait the longest
    QWidget* service = ui->panelWidget(p3);
    bool looked = false, visible = false, exposed = false;
    int seen = 0;
    FirstExchangeWatch watch(*serial, [&] {
        looked = true;
        visible = service->isVisible();
        exposed = service->windowHandle() && service->windowHandle()->isExposed();
        // What the window system holds for the window, not what Qt would paint.
        seen = colours(service->screen()->grabWindow(service->winId()).toImage());
    });
    SetSerialBackend(&watch);
    openService();
    SetSerialBackend(serial.get());
    ASSERT_TRUE(looked);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(exposed);
    EXPECT_GE(seen, 4) << "the panel's frames and texts are painted";
    EXPECT_EQ(text(p1, MAIN_STATUS), "NO CONNECT 5");
}

// The port saved by a technician whom file modes bind (CI runs as root, so
// the program runs as user 65534): the program directory read-only, and
// K960.ini writable (written in place) or read-only (left as it was).
constexpr const char* kAsUser = "K964_E2E_AS_USER";

TEST_F(E2eTest, K960IniInAReadOnlyDirectoryIsWrittenInPlaceOrLeftAsItWas) {
    if (std::getenv(kAsUser)) {
        // The technician's run, in the directory prepared below.
        start();
        type(p4, COM_PORT, "2");
        click(p4, COM_OK);
        ASSERT_EQ(text(p1, MAIN_STATUS), "ok");
        ui->panelWidget(p1)->close();
        FAIL() << "closing the main window did not end the program";
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const bool root = geteuid() == 0;
    for (const auto& [mode, after] : {std::pair<mode_t, const char*>{0666, " 2  Ve-Data_2014\n"},
                                      std::pair<mode_t, const char*>{0444, " 1  Ve-Data_2014\n"}}) {
        SCOPED_TRACE(mode);
        startSim({}, 2);
        writeIni(" 1  Ve-Data_2014\n");
        ASSERT_EQ(chmod(iniPath().c_str(), mode), 0);
        if (root) {
            ASSERT_EQ(chown(sim->devicePath().c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
        std::string command =
            "timeout 120 env -u XDG_RUNTIME_DIR " + std::string(kAsUser) + "=1 K964_E2E_DIR='" +
            dir + "' '" + self +
            "' --gtest_filter=E2eTest.K960IniInAReadOnlyDirectoryIsWrittenInPlaceOrLeftAsItWas"
            " >/dev/null 2>&1";
        if (root)
            command = "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
        const int status = std::system(command.c_str());
        ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(readIni(), after);
        struct stat ini {};
        ASSERT_EQ(stat(iniPath().c_str(), &ini), 0);
        EXPECT_EQ(ini.st_uid, geteuid()) << "the owner stays";
        EXPECT_EQ(ini.st_mode & 0777, mode);
        sim.reset();
        std::filesystem::remove(iniPath());
    }
}

} // namespace
