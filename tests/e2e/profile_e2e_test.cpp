// Settings to a file and back against two simulated transmitters: read one
// from the command line, clone it onto a factory-fresh one through the File
// menu's Write, compare; a file that fails its checks writes nothing.
#include "profiles/profile_actions.h"
#include "record/conf_file.h"
#include "tests/e2e/e2e_fixture.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <fstream>

namespace {

// Transmitter A: everything but the internal bits of word 0 unlike a
// fresh unit.
const char kStateA[] = "k964 saved state\n"
                       "word 0 125\nword 1 2\nword 2 5\nword 3 21\nword 4 1\nword 5 90\n"
                       "word 6 3\nword 7 19\nword 8 1500\nword 13 4\n"
                       "param 1 0.5\nparam 2 80\nparam 3 40\n"
                       "param 8 1.235\nparam 9 0.012\nparam 0 1.5\n";

struct ProgramRun {
    QStringList args;
    int status;
};

TEST_F(E2eTest, SettingsReadFromOneTransmitterAreClonedOntoAFreshOneAndCompared) {
    const std::string state = dir + "/a.state";
    std::ofstream(state) << kStateA;
    SimProcess a({"--state", state, "--noise", "0.001"}, 1, dir);
    ASSERT_TRUE(a.start()) << a.error();
    startSim({}, 2); // B, factory-fresh
    // The program as a copy in the directory whose COM links it uses.
    const std::string program = dir + "/k964";
    std::filesystem::copy_file(K964_PATH, program);
    const QString file = QString::fromStdString(dir + "/a.json");
    const QString damaged = QString::fromStdString(dir + "/damaged.json");
    std::ofstream(damaged.toStdString()) << "{\"format\": \"k964-settings\", \"version\": 1";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir));
    env.remove(QStringLiteral("DISPLAY"));
    const ProgramRun kRuns[] = {
        {{"--port", "1", "--read", file, "--tag", "Boiler 3"}, 0},
        {{"--port", "1", "--compare", file}, 0},
        {{"--port", "2", "--compare", file}, 1},
        {{"--port", "7", "--compare", file}, 2},
        {{"--port", "1", "--compare", damaged}, 2},
        {{"--port", "7", "--read", QString::fromStdString(dir + "/b.json")}, 2},
    };
    for (const ProgramRun& r : kRuns) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(program), r.args);
        ASSERT_TRUE(p.waitForFinished(kDeadlineMs)) << r.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), r.status) << r.args.join(' ').toStdString() << "\n"
                                          << p.readAllStandardError().toStdString();
    }
    ASSERT_TRUE(QFile::exists(file));
    // The history the read kept beside the program, closed as it ended: its
    // log written back, no side file left.
    EXPECT_TRUE(std::filesystem::exists(dir + "/history.sqlite"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/history.sqlite-wal"));

    // B on the panels: compared before the port is open, which reads
    // nothing; the file written into it, then compared with it.
    start();
    ProfileActions actions(nullptr, "k964 test", [] { return std::string("2026-12-09T10:00"); });
    std::string chosen = file.toStdString();
    actions.setDialogs({[](const char*, const std::string&) { return std::string("B"); },
                        [](const std::string&) { return std::string(); },
                        [&chosen] { return chosen; }, [] { return 1; }});
    answerNextPopup(true);
    actions.compare();
    EXPECT_EQ(actions.verdict(), "not read");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_TRUE(popups[0].text.startsWith("Not compared with")) << popups[0].text.toStdString();
    popups.clear();
    SetCtrlVal(p4, COM_PORT, 2);
    click(p4, COM_OK);
    ASSERT_EQ(text(p1, MAIN_STATUS), "ok");
    actions.rememberFolderIn(dir + "/" K964_CONF);
    answerNextPopup(true); // the list of changes
    answerNextPopup(true); // the result
    actions.write();
    EXPECT_EQ(conf_value(dir + "/" K964_CONF, K964_SETTINGS_FOLDER), dir);
    ASSERT_EQ(popups.size(), 2u) << actions.writeResult();
    EXPECT_TRUE(popups[0].text.contains("D81.235e+00")) << popups[0].text.toStdString();
    EXPECT_TRUE(popups[0].text.contains("S0125")) << popups[0].text.toStdString();
    EXPECT_EQ(actions.writeResult(), "verified");
    answerNextPopup(true);
    actions.compare();
    EXPECT_EQ(actions.verdict(), "not identical");
    std::string differing;
    for (const CompareRow& row : actions.comparison().rows) {
        if (row.differs)
            differing += row.field + ";";
        EXPECT_TRUE(!row.writable || !row.differs) << row.field << " " << row.transmitter;
    }
    EXPECT_EQ(differing, "settings word 1;settings word 2;settings word 3;settings word 4;"
                         "settings word 5;settings word 6;settings word 7;settings word 13;");
    EXPECT_EQ(actions.table()->rowCount(), kFieldCount);

    // A set point and a constant to change, and a Save the transmitter never
    // answers: the constants are not stored into it, the result says so.
    std::string changed = slurp(file.toStdString());
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"\"zeroPoint\": 0.5", "\"zeroPoint\": 0.6"},
          {"\"8\": 1.235", "\"8\": 1.5"}}) {
        ASSERT_NE(changed.find(from), std::string::npos) << changed;
        changed.replace(changed.find(from), from.size(), to);
    }
    chosen = dir + "/changed.json";
    std::ofstream(chosen) << changed;
    ASSERT_EQ(sim->command("mute S!"), "k964-sim: ok");
    const std::size_t sentBefore = written.sent.size();
    answerNextPopup(true);
    answerNextPopup(true);
    actions.write();
    EXPECT_EQ(actions.writeResult().rfind("Store not run: the settings did not read back as "
                                          "written after Save. Not verified. Read back "
                                          "otherwise:\n  constant 8: ",
                                          0),
              0u)
        << actions.writeResult();
    for (std::size_t i = sentBefore; i < written.sent.size(); ++i)
        EXPECT_NE(written.sent[i].rfind("D8", 0), 0u) << written.sent[i];
    sim->command("clear-replies");

    // Damaged, cut short, from a newer program, edited out of range: refused
    // before anything goes out.
    const std::string json = slurp(file.toStdString());
    ASSERT_FALSE(json.empty());
    const std::string kBad[][2] = {
        {"\"version\": 1", "\"version\": 1,,"},
        {json.substr(json.size() / 2), ""},
        {"\"version\": 1", "\"version\": 2"},
        {"\"zeroPoint\": 0.5", "\"zeroPoint\": 1e300"},
    };
    const int before = simCommands();
    for (const auto& bad : kBad) {
        std::string edited = json;
        edited.replace(edited.find(bad[0]), bad[0].size(), bad[1]);
        chosen = dir + "/bad.json";
        std::ofstream(chosen, std::ios::trunc) << edited;
        answerNextPopup(true);
        actions.write();
        EXPECT_EQ(actions.writeResult().rfind("Nothing written. " + chosen + ": ", 0), 0u)
            << actions.writeResult();
    }
    EXPECT_EQ(simCommands(), before);
}

} // namespace
