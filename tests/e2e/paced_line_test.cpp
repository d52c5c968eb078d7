// The program on the real serial port against k964-sim paced at 9600 baud:
// a reply cut at 24 bytes, a reply of exactly 24 characters, replies that
// come after their time-out. The panels show the transmitter's own values
// (or a failure text and the values from before), and a following Save and
// Store send exactly the values shown. And the line parameters the port is
// opened with.
#include "platform/platform.h"
#include "sim/device_model.h"
#include "tests/e2e/e2e_fixture.h"

#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct PacedCase {
    const char* name;
    std::vector<std::string> fault; // k964-sim options
    const char* mend;               // the console command that ends the fault
    bool service;                   // the fault hits the service panel's read
    const char* status;             // MAIN_STATUS after connecting (and opening the service panel)
    const char* poll = nullptr;     // SERVICE_STATUS a poll comes to before the line mends
};

const PacedCase kPacedCases[] = {
    {"overlong", {"--overlong"}, "overlong off", false, "ok"},
    {"exactly_24", {"--pad24"}, "pad24 off", false, "ok"},
    {"late_vv", {"--latency-for", "VV", "700"}, "latency VV 0", false, "ok"},
    {"late_t12", {"--latency-for", "t12", "850"}, "latency t12 0", false, "ok"},
    {"very_late_t12", {"--latency-for", "t12", "1200"}, "latency t12 0", false, "ok"},
    {"late_d8", {"--latency-for", "d8", "750"}, "latency d8 0", true, "NO CONNECT 5"},
    {"very_late_d8", {"--latency-for", "d8", "1200"}, "latency d8 0", true, "NO CONNECT 5"},
    // A USB adapter hands the bytes over each time its latency timer runs
    // out: a line cut at 24 bytes has its rest in the next burst.
    {"usb_overlong", {"--usb-latency", "16", "--overlong"}, "overlong off", true, "ok"},
    {"usb_exactly_24", {"--usb-latency", "32", "--pad24"}, "pad24 off", true, "ok"},
    {"pause_in_rest", {"--overlong", "--pause", "26", "100"}, "pause 0 0", true, "ok"},
    // Replies without their command's text, later than their time-out.
    {"very_late_vv", {"--latency-for", "VV", "1200"}, "latency VV 0", true, "ok"},
    {"late_u1_in_the_poll",
     {"--latency-for", "u1", "1200"},
     "latency u1 0",
     true,
     "ok",
     "ERROR1 NO CONNECT"},
    {"crlf", {"--crlf"}, "crlf off", true, "ok"},
    {"noise_before_replies", {"--noise-byte", "00"}, "noise-byte off", true, "ok"},
};

class PacedLine : public E2eTest, public ::testing::WithParamInterface<PacedCase> {
  protected:
    // The value a factory-fresh transmitter gives for a read command.
    static double factory(const char* command) {
        DeviceModel model;
        model.setNoise(0.0);
        double v = 0.0;
        Scan(model.handle(command).bytes.c_str() + 2, "%f", &v);
        return v;
    }

    static std::string wire(double v) {
        char text[32];
        Fmt(text, "%f[e2p3]", v);
        return text;
    }

    std::vector<std::string> sentSince(std::size_t mark) const {
        return {written.sent.begin() + static_cast<long>(mark), written.sent.end()};
    }
};

TEST_P(PacedLine, ShowsOnlyTheTransmittersValuesAndWritesOnlyWhatIsShown) {
    const PacedCase& c = GetParam();
    std::vector<std::string> options = {"--pace"};
    options.insert(options.end(), c.fault.begin(), c.fault.end());
    startSim(options);
    start();
    const double cal8Before = real(p3, SERVICE_CAL_8);
    click(p4, COM_OK);
    if (c.service)
        openService();
    EXPECT_EQ(text(p1, MAIN_STATUS), c.status);
    if (c.poll)
        QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString(c.poll), kDeadlineMs);

    DeviceModel fresh;
    const int w0 = fresh.word(0);
    EXPECT_EQ(integer(p1, MAIN_CONFIG_BIT0), w0 & 1);
    EXPECT_EQ(integer(p1, MAIN_CONFIG_BIT3), (w0 >> 3) & 1);
    EXPECT_EQ(integer(p1, MAIN_MODE), fresh.mode());
    EXPECT_EQ(integer(p1, MAIN_SETTING_8), fresh.word(8));
    const bool lateWord13 = std::string(c.name).find("t12") != std::string::npos;
    EXPECT_EQ(set[13], lateWord13 ? 0 : fresh.word(13)) << "word 13 is read or left alone";
    EXPECT_DOUBLE_EQ(real(p1, MAIN_ZERO_POINT), factory("d1"));
    EXPECT_DOUBLE_EQ(real(p1, MAIN_END_MARK), factory("d2"));
    EXPECT_DOUBLE_EQ(real(p1, MAIN_LIMIT), factory("d3"));
    const bool lateD8 = std::string(c.name).find("d8") != std::string::npos;
    if (c.service) {
        EXPECT_DOUBLE_EQ(real(p3, SERVICE_CAL_8), lateD8 ? cal8Before : factory("d8"))
            << "the late constant keeps its field, any other shows the transmitter's";
        EXPECT_DOUBLE_EQ(real(p3, SERVICE_CAL_9), factory("d9"));
        EXPECT_DOUBLE_EQ(real(p3, SERVICE_CAL_0), factory("d0"));
    }

    ASSERT_EQ(sim->command(c.mend).rfind("k964-sim: ", 0), 0u);
    const int mode = integer(p1, MAIN_MODE);
    const int word0 = (set[0] & 0xC4) | integer(p1, MAIN_CONFIG_BIT0) |
                      (integer(p1, MAIN_CONFIG_BIT3) << 3) |
                      (mode == 0   ? 0x10
                       : mode == 1 ? 0x30
                                   : 0x20);
    // The set points are shown as read: the transmitter keeps them as they are.
    const std::vector<std::string> expected = {
        "S0" + std::to_string(word0), "S8" + std::to_string(integer(p1, MAIN_SETTING_8)), "S!S!"};
    std::size_t mark = written.sent.size();
    click(p1, MAIN_SAVE);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    std::vector<std::string> saved;
    for (const std::string& command : sentSince(mark))
        if (command[0] == 'D' || command[0] == 'S')
            saved.push_back(command); // a poll may run before the Save
    saved.resize(std::min<std::size_t>(saved.size(), expected.size()));
    EXPECT_EQ(saved, expected);

    if (c.service) {
        // Only the constant not read goes out, once confirmed.
        const std::vector<std::string> constants =
            lateD8 ? std::vector<std::string>{"D8" + wire(real(p3, SERVICE_CAL_8))}
                   : std::vector<std::string>{};
        mark = written.sent.size();
        if (lateD8)
            answerNextPopup(true); // a constant not read is written once confirmed
        click(p3, SERVICE_STORE);
        std::vector<std::string> stored;
        for (const std::string& command : sentSince(mark))
            if (command[0] == 'D')
                stored.push_back(command); // the poll goes on beside the Store
        EXPECT_EQ(stored, constants);
        ASSERT_EQ(popups.size(), lateD8 ? 1u : 0u);
        if (lateD8) {
            EXPECT_EQ(popups[0].text,
                      "Constants not read from the transmitter. Write the values shown ?");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, PacedLine, ::testing::ValuesIn(kPacedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// k964-sim sets 9600 8N1 on its side; the test first spoils the line, so
// that only the program's own settings can make it right again.
TEST_F(E2eTest, ThePortIsOpenedAt9600BaudEightBitsNoParityOneStopBitNoFlowControl) {
    startSim();
    const int fd = ::open(sim->devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    cfsetispeed(&t, B1200);
    cfsetospeed(&t, B1200);
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    t.c_iflag |= IXON | IXOFF;
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);

    start();
    click(p4, COM_OK);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    ::close(fd);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
}

} // namespace
