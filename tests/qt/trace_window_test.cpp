// Service -> Line trace: the window lists the exchanges as they end, one
// block each, and can be paused, cleared and copied; the trend's widget
// shows the stability text.
#include "platform/memory/memory_serial.h"
#include "tests/support/full_disk.h"
#include "trace/line_trace.h"
#include "trace/trace_text.h"
#include "trace/trace_window.h"
#include "trend/trend_widget.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <cstring>
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
        trace.write(1, command, static_cast<int>(std::strlen(command)));
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

    DeviceModel model;
    FakeClock clock;
    MemorySerial serial{model, clock};
    LineTrace trace{serial};
};

TEST_F(TraceWindowTest, ListsPausesClearsAndCopies) {
    trace.open(1, 9600, 0, 8, 1);
    exchange("VV\r");
    trace.finish();
    TraceWindow window(trace);
    // What was kept before the window opened is there.
    EXPECT_EQ(window.view()->blockCount(), 2);
    exchange("s0\r");
    exchange("s1\r");
    trace.finish();
    EXPECT_EQ(window.view()->blockCount(), 4);
    EXPECT_TRUE(window.view()->document()->lastBlock().text().contains("write    \"s1\\r\""));

    window.setPaused(true);
    exchange("s2\r");
    trace.finish();
    EXPECT_EQ(window.view()->blockCount(), 4) << "paused";
    window.setPaused(false);
    EXPECT_EQ(window.view()->blockCount(), 5) << "caught up";

    window.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), kept());
    EXPECT_EQ(window.allText().toStdString(), kept());
    EXPECT_NE(kept().find("reply    \"s2 4\\r\""), std::string::npos) << kept();

    window.clear();
    EXPECT_TRUE(trace.exchanges().empty());
    EXPECT_EQ(window.view()->toPlainText(), QString());
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
    EXPECT_EQ(view.stabilityText(), "settling");
    for (int t = 0; t <= 30; ++t)
        trend.add(t, -100.0, 0.0);
    now = 30.0;
    view.refresh();
    EXPECT_EQ(view.stabilityText(), QString::fromUtf8("stable \u00b1 0 mV"));
    QPixmap shot = view.grab(); // paints without a fault
    EXPECT_FALSE(shot.isNull());
}

} // namespace
