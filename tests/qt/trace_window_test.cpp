// Service -> Line trace: the window lists the exchanges as they end, a line
// each that opens onto its steps, read from the trace's own store; it can be
// paused, closed, cleared, copied, filtered, searched and switched to
// hexadecimal. The trend's widget shows the stability text.
#include "platform/memory/memory_serial.h"
#include "tests/support/full_disk.h"
#include "tests/support/wall_clock.h"
#include "trace/line_trace.h"
#include "trace/trace_text.h"
#include "trace/trace_window.h"
#include "trend/trend_widget.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTreeView>
#include <QTemporaryDir>
#include <cstring>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class TraceWindowTest : public ::testing::Test {
  protected:
    // One exchange through the trace: the command, the model's reply.
    void exchange(const char* command) {
        trace.flushOut(1);
        trace.writeCommand(1, command, static_cast<int>(std::strlen(command)));
        trace.flushIn(1, nullptr);
        char buf[24];
        int stored = 0;
        trace.readTerm(1, buf, 24, 13, &stored);
    }
    std::string kept() const {
        std::string all;
        for (const TraceExchange& e : trace.exchanges())
            all += trace_text(e);
        return all;
    }
    // The column's text in every row the window shows, or in every step of
    // the exchange in row `opened`.
    static std::vector<std::string> column(TraceWindow& window, int column, int opened = -1) {
        std::vector<std::string> texts;
        QAbstractItemModel* shown = window.view()->model();
        const QModelIndex parent = opened < 0 ? QModelIndex() : shown->index(opened, 0);
        for (int r = 0; r < shown->rowCount(parent); ++r)
            texts.push_back(shown->index(r, column, parent).data().toString().toStdString());
        return texts;
    }

    DeviceModel model;
    FakeClock clock;
    MemorySerial serial{model, clock};
    LineTrace trace{serial, at_10_32_05_412};
};

TEST_F(TraceWindowTest, ListsPausesClearsAndCopies) {
    trace.open(1, 9600, 0, 8, 1);
    exchange("VV\r");
    trace.finish();
    TraceWindow window(trace);
    // What was kept before the window opened is there.
    EXPECT_EQ(column(window, TraceModel::Command),
              (std::vector<std::string>{"open port 1", "VV\\r"}));
    exchange("s0\r");
    exchange("s1\r");
    trace.finish();
    QAbstractItemModel* shown = window.view()->model();
    ASSERT_EQ(shown->rowCount(), 4);
    const QModelIndex s1 = shown->index(3, 0);
    EXPECT_EQ(shown->index(3, TraceModel::Time).data(), "10:32:05.412");
    EXPECT_EQ(shown->index(3, TraceModel::Command).data(), "s1\\r");
    EXPECT_EQ(shown->index(3, TraceModel::Reply).data(), "s1 1");
    EXPECT_EQ(shown->index(3, TraceModel::Outcome).data(), "ok");
    // Its steps: flush out, write, flush in, reply.
    ASSERT_EQ(shown->rowCount(s1), 4);
    EXPECT_EQ(shown->index(1, TraceModel::Command, s1).data(), "write");
    EXPECT_EQ(shown->index(3, TraceModel::Reply, s1).data(), "s1 1\\r");
    EXPECT_EQ(shown->rowCount(shown->index(0, 0)), 0) << "an opening is one line";

    window.setPaused(true);
    exchange("s2\r");
    trace.finish();
    EXPECT_EQ(shown->rowCount(), 4) << "paused";
    window.setPaused(false);
    EXPECT_EQ(shown->rowCount(), 5) << "caught up";
    window.show();
    window.close();
    exchange("s2\r");
    trace.finish();
    EXPECT_EQ(shown->rowCount(), 5) << "closed";
    window.show();
    EXPECT_EQ(shown->rowCount(), 6) << "caught up";

    window.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), kept());
    EXPECT_EQ(window.allText().toStdString(), kept());
    EXPECT_NE(kept().find("10:32:05.412        reply    \"s2 4\\r\""), std::string::npos) << kept();

    window.clear();
    EXPECT_TRUE(trace.exchanges().empty());
    EXPECT_EQ(shown->rowCount(), 0);
    exchange("s3\r");
    trace.finish();
    EXPECT_EQ(column(window, TraceModel::Command), (std::vector<std::string>{"s3\\r"}));
}

TEST_F(TraceWindowTest, RowsLeaveWithTheExchangesTheTraceLetsGoPausedOrNot) {
    TraceWindow window(trace);
    trace.open(1, 9600, 0, 8, 1);
    window.setPaused(true);
    for (std::size_t i = 0; i < LineTrace::kKept; ++i)
        exchange("u1\r");
    trace.finish();
    QAbstractItemModel* shown = window.view()->model();
    EXPECT_EQ(shown->rowCount(), 0) << "the opening has left the trace";
    window.setPaused(false);
    EXPECT_EQ(shown->rowCount(), static_cast<int>(LineTrace::kKept));
    exchange("s0\r");
    trace.finish();
    EXPECT_EQ(shown->rowCount(), static_cast<int>(LineTrace::kKept));
    EXPECT_EQ(shown->index(shown->rowCount() - 1, TraceModel::Command).data(), "s0\\r");
    EXPECT_EQ(window.model().exchangeAt(0)->number, trace.exchanges().front().number);
}

// What the window shows after `act`, over an opening, the time-out setting,
// VV, two polls, a command that timed out and a third poll: a column of the
// rows, or of the steps of row `opened`, opened before `act`.
struct ViewCase {
    const char* name;
    std::function<void(TraceWindow&)> act;
    int column;
    std::vector<std::string> shown;
    int opened = -1;
};

class TraceViewTest : public TraceWindowTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(TraceViewTest, ShowsWhatWasAskedFor) {
    trace.open(1, 9600, 0, 8, 1);
    trace.setTimeout(1, 0.6);
    exchange("VV\r");
    exchange("u1\r");
    exchange("u5\r");
    model.faults.silent = true;
    exchange("s0\r");
    model.faults.silent = false;
    exchange("m2\r");
    trace.finish();
    TraceWindow window(trace);
    if (GetParam().opened >= 0)
        window.view()->expand(window.view()->model()->index(GetParam().opened, 0));
    GetParam().act(window);
    EXPECT_EQ(column(window, GetParam().column, GetParam().opened), GetParam().shown);
    if (GetParam().opened >= 0) {
        const QModelIndex opened = window.view()->model()->index(GetParam().opened, 0);
        EXPECT_TRUE(window.view()->isExpanded(opened)) << "stays open";
    }
    // The failure stands out; the rest does not.
    QAbstractItemModel* all = &window.model();
    EXPECT_FALSE(all->index(5, TraceModel::Outcome).data(Qt::BackgroundRole).isNull());
    EXPECT_TRUE(all->index(4, TraceModel::Outcome).data(Qt::BackgroundRole).isNull());
}

const ViewCase kViewCases[] = {
    {"all",
     [](TraceWindow&) {},
     TraceModel::Command,
     {"open port 1", "time-out 0.6 s", "VV\\r", "u1\\r", "u5\\r", "s0\\r", "m2\\r"}},
    {"outcomes",
     [](TraceWindow&) {},
     TraceModel::Outcome,
     {"ok", "ok", "ok", "ok", "ok", "time-out", "ok"}},
    {"no_polls",
     [](TraceWindow& w) { w.setShow(TraceFilter::NoPolls); },
     TraceModel::Command,
     {"open port 1", "time-out 0.6 s", "VV\\r", "s0\\r"}},
    {"failures",
     [](TraceWindow& w) { w.setShow(TraceFilter::Failures); },
     TraceModel::Command,
     {"s0\\r"}},
    {"hex",
     [](TraceWindow& w) { w.setHex(true); },
     TraceModel::Reply,
     {"", "", "56 56 20 4B 39 36 34 20 56 33", "75 30", "75 32 35", "", "4D 32"}},
    {"hex_steps",
     [](TraceWindow& w) { w.setHex(true); },
     TraceModel::Reply,
     {"", "56 56 0D", "", "56 56 20 4B 39 36 34 20 56 33 0D"},
     2},
    {"failed_step", [](TraceWindow&) {}, TraceModel::Outcome, {"", "", "", "time-out"}, 5},
};

INSTANTIATE_TEST_SUITE_P(Trace, TraceViewTest, ::testing::ValuesIn(kViewCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Find, then next and previous, each line what became current: an
// exchange by its command, a step as "command/step".
TEST_F(TraceWindowTest, FindsForwardAndBackAroundTheList) {
    trace.open(1, 9600, 0, 8, 1);
    trace.setTimeout(1, 0.6);
    exchange("u1\r");
    model.faults.silent = true;
    exchange("s0\r");
    model.faults.silent = false;
    exchange("u5\r");
    trace.finish();
    TraceWindow window(trace);
    auto current = [&] {
        const QModelIndex i = window.view()->currentIndex();
        if (!i.parent().isValid())
            return i.siblingAtColumn(TraceModel::Command).data().toString().toStdString();
        return i.parent().siblingAtColumn(TraceModel::Command).data().toString().toStdString() +
               "/" + i.siblingAtColumn(TraceModel::Command).data().toString().toStdString();
    };
    const struct {
        const char* text;
        bool forward;
        const char* current;
    } steps[] = {
        {"TIME-OUT", true, "time-out 0.6 s"},
        {"time-out", true, "s0\\r"},
        {"time-out", true, "s0\\r/reply"},
        {"time-out", true, "time-out 0.6 s"},
        {"time-out", false, "s0\\r/reply"},
        {"u5", false, "u5\\r/write"},
        {"u5", false, "u5\\r"},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(window.find(s.text, s.forward)) << s.text;
        EXPECT_EQ(current(), s.current) << s.text << (s.forward ? " next" : " previous");
    }
    EXPECT_FALSE(window.find("x9", true));
    EXPECT_EQ(current(), "u5\\r") << "stays where it was";
    window.setShow(TraceFilter::Failures);
    EXPECT_FALSE(window.find("u5", true)) << "only what is shown";
}

// Save as text: the whole trace, or nothing and the reason. The read-only
// folder is tried as the user nobody (root may write anywhere).
struct SaveCase {
    const char* name;
    enum { Writable, Full, ReadOnly } folder;
};

class TraceSave : public TraceWindowTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(TraceSave, WritesTheWholeTraceOrNothing) {
    trace.open(1, 9600, 0, 8, 1);
    exchange("VV\r");
    trace.finish();
    TraceWindow window(trace);
    QTemporaryDir temp;
    FullDisk full;
    const SaveCase& c = GetParam();
    if (c.folder == SaveCase::Full && !full.mounted())
        GTEST_SKIP() << "a full disk needs root to mount";
    const QString path =
        (c.folder == SaveCase::Full ? QString::fromStdString(full.path()) : temp.path()) +
        "/trace.txt";
    QString error;
    if (c.folder == SaveCase::ReadOnly) {
        ASSERT_EQ(chmod(temp.path().toLocal8Bit().constData(), 0555), 0);
        const pid_t child = fork();
        if (child == 0) {
            if (geteuid() == 0 && (setgroups(0, nullptr) || setresgid(65534, 65534, 65534) ||
                                   setresuid(65534, 65534, 65534)))
                std::_Exit(2);
            std::_Exit(window.saveTo(path).isEmpty() ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << status;
        error = WEXITSTATUS(status) ? QStringLiteral("refused") : QString();
    } else {
        error = window.saveTo(path);
    }
    const bool written = error.isEmpty();
    EXPECT_EQ(written, c.folder == SaveCase::Writable) << error.toStdString();
    QFile saved(path);
    EXPECT_EQ(saved.open(QIODevice::ReadOnly) ? saved.readAll().toStdString() : "",
              written ? kept() : "");
    EXPECT_EQ(c.folder == SaveCase::Full ? full.others() : 0, 0) << "no file left behind";
}

INSTANTIATE_TEST_SUITE_P(Folders, TraceSave,
                         ::testing::Values(SaveCase{"writable", SaveCase::Writable},
                                           SaveCase{"full_disk", SaveCase::Full},
                                           SaveCase{"read_only", SaveCase::ReadOnly}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TrendView, ShowsTheStability) {
    Trend trend;
    trend.setMode(2);
    double now = 0.0;
    TrendView view(trend, [&] { return now; });
    view.resize(400, 160);
    view.refresh();
    EXPECT_EQ(view.stabilityText(), "no data");
    for (int t = 0; t <= 30; ++t)
        trend.add(t, -100.0, 0.0);
    now = 30.0;
    view.refresh();
    EXPECT_EQ(view.stabilityText(), QString::fromUtf8("stable \u00b1 0 mV"));
    QPixmap shot = view.grab(); // paints without a fault
    EXPECT_FALSE(shot.isNull());
}

} // namespace
