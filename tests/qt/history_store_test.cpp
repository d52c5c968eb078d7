// The history database: what goes in comes out, old files are brought up
// to date, files it cannot use are refused with a reason, and a program
// killed while writing leaves every entry it completed.
#include "history/history_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <set>

namespace {

CalibrationEntry sample(const std::string& tag, const std::string& started) {
    CalibrationEntry e;
    e.kind = CalibrationKind::Span;
    e.started = started;
    e.finished = started;
    e.technician = "A. Müller, \"Tech\"";
    e.tag = tag;
    e.device = "VV 3.0";
    e.port = "COM1 → /dev/ttyUSB0";
    e.gas = {"20.9", "%", "LOT-7", "2027-06-30"};
    e.asFound = {"2026-12-09T10:32:05", 20.4, "%", 0.0, true, 0.004};
    e.asLeft = {"2026-12-09T10:33:40", std::nullopt, "%", -0.25, false, std::nullopt};
    e.before = {1.0, std::nullopt, 3.7};
    e.after = {1.0245, 0.0, 3.7};
    e.tolerancePercent = 10.0;
    e.beyondTolerance = true;
    e.wentOnUnstable = true;
    e.outcome = CalibrationOutcome::Rejected;
    e.note = "beyond the tolerance";
    e.program = "3.0";
    return e;
}

// Runs `sql` on the file with a connection of its own; the first column of
// the first row.
QVariant sqlOn(const QString& file, const QString& sql) {
    QVariant out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "probe");
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString& s : sql.split(';', Qt::SkipEmptyParts)) {
            EXPECT_TRUE(q.exec(s)) << s.toStdString();
        }
        if (q.next())
            out = q.value(0);
    }
    QSqlDatabase::removeDatabase("probe");
    return out;
}

class History : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString file = dir.filePath("k964/history.sqlite");
    std::string path = file.toStdString();
};

TEST_F(History, KeepsEveryFieldAndListsNewestFirstByTag) {
    HistoryStore store;
    ASSERT_TRUE(store.open(path)) << store.error();
    const CalibrationEntry e = sample("FIC-101", "2026-12-09T10:32:00");
    const auto id = store.add(e);
    ASSERT_GT(id, 0) << store.error();
    ASSERT_GT(store.add(sample("FIC-101", "2026-12-10T08:00:00")), id);
    ASSERT_GT(store.add(sample("O2-7", "2026-12-11T08:00:00")), id);

    const auto all = store.calibrations();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].tag, "O2-7");
    const auto mine = store.calibrations("FIC-101");
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0].started, "2026-12-10T08:00:00");
    const CalibrationEntry& back = mine[1];
    EXPECT_EQ(back.id, id);
    EXPECT_EQ(back.kind, e.kind);
    EXPECT_EQ(back.technician, e.technician);
    EXPECT_EQ(back.port, e.port);
    EXPECT_EQ(back.gas.lot, "LOT-7");
    EXPECT_EQ(back.gas.expiry, "2027-06-30");
    EXPECT_EQ(back.asFound.value, 20.4);
    EXPECT_EQ(back.asFound.spread, 0.004);
    EXPECT_TRUE(back.asFound.stable);
    EXPECT_EQ(back.asLeft.value, std::nullopt); // not read stays not read, never 0
    EXPECT_EQ(back.asLeft.u1, -0.25);
    EXPECT_EQ(back.before, e.before);
    EXPECT_EQ(back.after, e.after);
    EXPECT_TRUE(back.beyondTolerance);
    EXPECT_TRUE(back.wentOnUnstable);
    EXPECT_EQ(back.outcome, CalibrationOutcome::Rejected);
    EXPECT_EQ(back.note, e.note);
    EXPECT_EQ(store.tags(), (std::vector<std::string>{"FIC-101", "O2-7"}));

    EXPECT_EQ(store.lastProfile("FIC-101").id, 0);
    ASSERT_GT(store.addProfile({0, "FIC-101", "2026-12-09T10:00:00", "{\"a\":1}"}), 0);
    ASSERT_GT(store.addProfile({0, "FIC-101", "2026-12-09T11:00:00", "{\"a\":2}"}), 0);
    EXPECT_EQ(store.lastProfile("FIC-101").json, "{\"a\":2}");
}

// A file the program cannot use is refused with a reason and left as it is.
struct RefusedCase {
    const char* name;
    std::function<void(const QString& file)> make;
    const char* reason; // part of error()
};

class Refused : public History, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(Refused, WithAReasonAndTheFileUntouched) {
    QDir().mkpath(dir.filePath("k964"));
    GetParam().make(file);
    QFile f(file);
    const QByteArray before = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    f.close();
    HistoryStore store;
    EXPECT_FALSE(store.open(path));
    EXPECT_NE(store.error().find(GetParam().reason), std::string::npos) << store.error();
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.add(sample("T", "2026-12-09T10:00:00")), 0);
    QFile g(file);
    if (g.open(QIODevice::ReadOnly)) {
        EXPECT_EQ(g.readAll(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Refused,
    ::testing::Values(RefusedCase{"not_a_database",
                                  [](const QString& f) {
                                      QFile x(f);
                                      ASSERT_TRUE(x.open(QIODevice::WriteOnly));
                                      x.write(QByteArray(4096, 'k'));
                                  },
                                  "not a database"},
                      RefusedCase{"newer_version",
                                  [](const QString& f) { sqlOn(f, "PRAGMA user_version = 99"); },
                                  "newer k964"},
                      RefusedCase{"a_folder", [](const QString& f) { QDir().mkpath(f); }, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(History, AFileOfTheFirstVersionIsBroughtUpToDateAndKeepsItsEntries) {
    {
        HistoryStore first;
        ASSERT_TRUE(first.open(path));
        ASSERT_GT(first.add(sample("T", "2026-12-09T10:00:00")), 0);
    }
    sqlOn(file, "DROP TABLE profile; PRAGMA user_version = 1");
    HistoryStore store;
    ASSERT_TRUE(store.open(path)) << store.error();
    EXPECT_EQ(store.calibrations().size(), 1u);
    EXPECT_GT(store.addProfile({0, "T", "2026-12-09T10:00:00", "{}"}), 0);
    EXPECT_EQ(sqlOn(file, "PRAGMA user_version").toInt(), 2);
}

TEST_F(History, TwoProgramsWriteTheSameFileAndSeeEachOthersEntries) {
    HistoryStore a;
    HistoryStore b;
    ASSERT_TRUE(a.open(path));
    ASSERT_TRUE(b.open(path));
    for (int i = 0; i < 20; ++i) {
        ASSERT_GT(a.add(sample("A", "2026-12-09T10:00:00")), 0) << a.error();
        ASSERT_GT(b.add(sample("B", "2026-12-09T10:00:00")), 0) << b.error();
    }
    EXPECT_EQ(a.calibrations().size(), 40u);
    EXPECT_EQ(b.calibrations("A").size(), 20u);
}

// The writer adds entries as fast as it can and says each id once it is
// added; killed mid-write, the file opens cleanly and holds each of them.
TEST_F(History, AProgramKilledWhileWritingLeavesEveryCompletedEntry) {
    QProcess writer;
    writer.start(QStringLiteral(K964_HISTORY_WRITER), {file});
    ASSERT_TRUE(writer.waitForStarted(10000));
    QByteArray said;
    while (said.count('\n') < 200 && writer.waitForReadyRead(30000))
        said += writer.readAllStandardOutput();
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    writer.waitForFinished(10000);
    said += writer.readAllStandardOutput();
    ASSERT_GE(said.count('\n'), 200) << said.toStdString();

    std::set<std::int64_t> completed;
    for (const QByteArray& line : said.split('\n')) {
        if (line.endsWith('.')) // a whole line: the entry was committed
            completed.insert(line.chopped(1).toLongLong());
    }
    EXPECT_EQ(sqlOn(file, "PRAGMA integrity_check").toString(), "ok");
    HistoryStore store;
    ASSERT_TRUE(store.open(path)) << store.error();
    std::set<std::int64_t> kept;
    for (const auto& e : store.calibrations("killed"))
        kept.insert(e.id);
    for (auto id : completed)
        EXPECT_TRUE(kept.count(id)) << "entry " << id << " lost";
}

} // namespace
