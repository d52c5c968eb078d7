// The additions against k964-sim on the real backends: the line trace
// against the simulator's own log of the wire, the service record of a
// connect, a save and a zero calibration, and the history window over the
// program's database. The trend and the outcome lines: addons_trend_test.cpp.
#include "addons/addons.h"
#include "addons/menu.h"
#include "history/history_store.h"
#include "platform/visible.h"
#include "tests/e2e/addons_fixture.h"
#include "tests/support/full_disk.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

// The bytes k964-sim logged: from the program ('>') or to it ('<').
std::string wire(const std::string& log, char direction) {
    std::string bytes;
    for (const std::string& line : lines(log)) {
        if (line.size() < 2 || line[0] != direction)
            continue;
        for (std::size_t i = 2; i + 1 < line.size(); i += 2)
            bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

// The quoted bytes after `label` in a line, unescaped; false if none.
bool quoted_after(const std::string& line, const std::string& label, std::string* bytes,
                  std::size_t from = 0) {
    std::size_t at = line.find(label + "\"", from);
    if (at == std::string::npos)
        return false;
    std::size_t begin = at + label.size() + 1, end = begin;
    while (end < line.size() && line[end] != '"')
        end += line[end] == '\\' ? 2 : 1;
    return bytes_from_visible(std::string_view(line).substr(begin, end - begin), bytes);
}

// Splits a byte stream into lines at CR (the CR kept out).
std::vector<std::string> split_cr(const std::string& bytes) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : bytes) {
        if (c == '\r') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    return out;
}

TEST_F(AddonsTest, TheTraceOfAConnectIsTheWireByteForByteAndInTheFileAsItHappens) {
    startWithWire();
    const std::string tracePath = dir + "/trace.txt";
    ASSERT_TRUE(addons->traceTo(tracePath));
    connect();
    // The simulator logs a reply as it sends it; the program has read it.
    QTest::qWait(200);
    std::string sent, received;
    for (const std::string& line : lines(slurp(tracePath))) {
        std::string bytes;
        if (quoted_after(line, "write    ", &bytes) || quoted_after(line, "probe    ", &bytes))
            sent += bytes;
        for (const char* label :
             {"reply    ", "rest     ", "late     ", "in step  ", "flush in "}) {
            if (quoted_after(line, label, &bytes))
                received += bytes;
        }
    }
    const std::string log = slurp(wireLog());
    EXPECT_EQ(visible_bytes(sent), visible_bytes(wire(log, '>')));
    EXPECT_EQ(visible_bytes(received), visible_bytes(wire(log, '<')));
    EXPECT_EQ(sent.substr(0, 6), "VV\rs0\r");
    // The last exchange (d3) has ended in the file while the program runs.
    const std::vector<std::string> traced = lines(slurp(tracePath));
    ASSERT_FALSE(traced.empty());
    EXPECT_NE(traced.back().find("end, "), std::string::npos) << traced.back();
    EXPECT_NE(traced.back().find("error 0"), std::string::npos) << traced.back();
    EXPECT_EQ(addons->trace().exchanges().back().sent(), "d3\r");
}

// A trace file that takes no more bytes: said on standard error when it
// happens, and the program, which runs on, ends with status 1.
TEST_F(AddonsTest, ATraceFileThatCannotBeWrittenIsReportedAndEndsWithOne) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    EXPECT_EXIT(
        {
            startSim();
            addons = std::make_unique<Addons>();
            if (addons->traceTo("/dev/full"))
                connect();
            std::fprintf(stderr, "status %s\n", text(p1, MAIN_STATUS).toLatin1().constData());
            ui->panelWidget(p1)->close();
        },
        ::testing::ExitedWithCode(1),
        "(^|\n)k964: cannot write the trace file /dev/full: No space left on device\nstatus ok\n$");
    EXPECT_EQ(readIni(), " 1  Ve-Data_2014\n");
}

TEST_F(AddonsTest, TheRecordHoldsExactlyWhatWasReadSentAndReplied) {
    startWithWire();
    connect();
    type(p1, MAIN_ZERO_POINT, "0.25");
    click(p1, MAIN_SAVE);
    ASSERT_EQ(text(p1, MAIN_STATUS), "ok");
    openService();
    QTRY_COMPARE_WITH_TIMEOUT(text(p3, SERVICE_STATUS), QString("ok"), kDeadlineMs);
    answerNextPopup(true);
    click(p3, SERVICE_ZERO);
    ASSERT_EQ(popups.size(), 1u);
    ASSERT_EQ(popups[0].text, "SET Vcal = 0 mV ?");
    ASSERT_EQ(text(p3, SERVICE_STATUS), "ok");

    const std::string folder = dir + "/records";
    std::filesystem::create_directory(folder);
    const std::string config = dir + "/config";
    std::filesystem::create_directory(config);
    SetFilesDir(config.c_str());
    std::string offered;
    addons->setFolderChooser([&](const std::string& start) {
        offered = start;
        return folder;
    });
    answerNextPopup(true);
    qobject_cast<QAction*>(ui->menuItem(m1, MENUBAR_SERVICE_RECORD))->trigger();
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1].title, "Service record");
    auto entries = std::filesystem::directory_iterator(folder);
    ASSERT_NE(entries, std::filesystem::directory_iterator());
    const std::string path = entries->path().string();
    EXPECT_EQ(popups[1].text.toStdString(), "Saved as " + path);
    EXPECT_EQ(entries->path().filename().string().rfind("k964-record-", 0), 0u);
    // The folder is remembered in k964.conf where K960.ini lives (for an
    // installed program not beside it); K960.ini is not touched.
    EXPECT_EQ(slurp(config + "/k964.conf"), "record-folder=" + folder + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/k964.conf"));
    EXPECT_FALSE(std::filesystem::exists(config + "/K960.ini"));
    EXPECT_FALSE(std::filesystem::exists(iniPath()));
    // First offered the home folder; the next time the remembered one.
    EXPECT_EQ(offered, QDir::homePath().toStdString());
    // A full disk is said, leaves nothing there, and is not remembered.
    FullDisk full;
    if (full.mounted()) {
        addons->setFolderChooser([&](const std::string&) { return full.path(); });
        answerNextPopup(true);
        EXPECT_EQ(addons->saveRecord(), "");
        ASSERT_EQ(popups.size(), 3u);
        EXPECT_TRUE(popups[2].text.startsWith(QString::fromStdString(
            "The service record could not be written to " + full.path() + "/k964-record-")));
        EXPECT_TRUE(popups[2].text.endsWith(": No space left on device"))
            << popups[2].text.toStdString();
        EXPECT_EQ(full.others(), 0);
    }
    addons->setFolderChooser([&](const std::string& start) {
        offered = start;
        return std::string();
    });
    addons->saveRecord();
    EXPECT_EQ(offered, folder);

    QTest::qWait(200);
    const std::string log = slurp(wireLog());
    const std::vector<std::string> commands = split_cr(wire(log, '>'));
    const std::vector<std::string> replies = split_cr(wire(log, '<'));
    ASSERT_EQ(commands.size(), replies.size());
    std::map<std::string, std::string> lastReply;
    for (std::size_t i = 0; i < commands.size(); ++i)
        lastReply[commands[i]] = replies[i];

    const std::vector<std::string> record = lines(slurp(path));
    // Each action's exchanges, in order, as the record lists them.
    std::vector<std::vector<std::pair<std::string, std::string>>> actions;
    std::map<std::string, std::string> lastRead;
    for (const std::string& line : record) {
        std::string sent, reply;
        if (line.size() > 13 && line[2] == ':' && line.find("  ", 12) == 12 &&
            line.find("sent") == std::string::npos)
            actions.emplace_back();
        if (quoted_after(line, "sent ", &sent) && quoted_after(line, "reply ", &reply)) {
            ASSERT_FALSE(actions.empty()) << line;
            ASSERT_EQ(sent.back(), '\r');
            sent.pop_back();
            actions.back().push_back({sent, reply});
        } else if (line.rfind("  ", 0) == 0 && quoted_after(line, "reply ", &reply)) {
            lastRead[line.substr(2, line.find(' ', 2) - 2)] = reply;
        }
    }
    ASSERT_EQ(actions.size(), 2u) << slurp(path);
    // The save: the set point changed, words, save command, then the read-back.
    const std::vector<std::string> saved = {"D12.500e-01", "S0",  "S8", "S!S!", "s0", "s1",
                                            "s2",          "s3",  "s4", "s5",   "s6", "s7",
                                            "s8",          "t12", "d1", "d2",   "d3"};
    ASSERT_EQ(actions[0].size(), saved.size());
    std::size_t first = 0;
    while (first < commands.size() && commands[first] != "D12.500e-01")
        ++first;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(actions[0][i].first.rfind(saved[i], 0), 0u) << i;
        EXPECT_EQ(actions[0][i].first, commands[first + i]) << i;
        EXPECT_EQ(actions[0][i].second, replies[first + i]) << i;
    }
    ASSERT_EQ(actions[1].size(), 4u) << "the zero, then the constants read again";
    EXPECT_EQ(actions[1][0].first, "D?D?");
    EXPECT_EQ(actions[1][0].second, lastReply["D?D?"]);
    EXPECT_EQ(actions[1][3].first, "d0");
    // As last read: each reading command's last reply on the wire.
    for (const char* c : {"s0", "s1", "s8", "t12", "d1", "d2", "d3", "d8", "d9", "d0"})
        EXPECT_EQ(lastRead[c], lastReply[c]) << c;
    const std::string all = slurp(path);
    EXPECT_NE(all.find("VV:     \"" + visible_bytes(lastReply["VV"]) + "\""), std::string::npos);
    EXPECT_NE(all.find("shown MAIN_STATUS \"SAVE\""), std::string::npos);
    EXPECT_NE(all.find("popup \"CALIBRATION\" \"SET Vcal = 0 mV ?\"  answered Yes"),
              std::string::npos);
    EXPECT_NE(all.find("Port:   COM1 ("), std::string::npos);
}

// The program itself, as a technician starts it.
// Service -> Calibration history lists what the program's history database
// holds, read again each time the window is shown.
TEST_F(AddonsTest, TheHistoryWindowListsTheDatabase) {
    addons = std::make_unique<Addons>();
    HistoryStore store;
    ASSERT_TRUE(store.open(HistoryStore::defaultPath())) << store.error();
    CalibrationEntry e;
    e.tag = "T-1";
    e.started = "2026-12-09T10:32:05";
    e.outcome = CalibrationOutcome::Accepted;
    ASSERT_NE(store.add(e), 0);
    history(0, 0, nullptr, 0);
    HistoryWindow* window = addons->historyWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(window->model().rowCount(), 1);
    EXPECT_EQ(window->model().entry(0)->tag, "T-1");
    window->close();
    e.started = "2026-12-10T08:00:00";
    ASSERT_NE(store.add(e), 0);
    history(0, 0, nullptr, 0);
    EXPECT_EQ(window->model().rowCount(), 2);
}

} // namespace
