// The program's command line, run as a process: help and version without a
// display, a usage error for anything else, the trace file from start-up.
#include "addons/addons.h"
#include "platform/visible.h"
#include "tests/e2e/e2e_fixture.h"
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

struct Finished {
    int status;
    QString out;
    QString err;
};

Finished run(const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(K964_PATH), args);
    EXPECT_TRUE(p.waitForFinished(kDeadlineMs)) << args.join(' ').toStdString();
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

TEST(CommandLine, HelpAndVersionNeedNoDisplayAnythingElseIsAUsageError) {
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    bare.remove(QStringLiteral("DISPLAY"));
    bare.remove(QStringLiteral("WAYLAND_DISPLAY"));
    bare.remove(QStringLiteral("QT_QPA_PLATFORM"));
    Finished help = run({"--help"}, bare);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: k964 [--trace FILE]")) << help.out.toStdString();
    Finished version = run({"-platform", "xcb", "--version"}, bare);
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("k964 ")) << version.out.toStdString();

    // Checked before the display is opened: the usage, not Qt's abort.
    for (const QStringList& wrong :
         {QStringList{"--bogus"}, QStringList{"COM1"}, QStringList{"--trace"},
          QStringList{"-style"}, QStringList{"-platform", "offscreen", "--bogus"}}) {
        Finished r = run(wrong, bare);
        EXPECT_EQ(r.status, 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Usage: k964")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    QProcessEnvironment offscreen = bare;
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    Finished unwritable = run({"--trace", "/nonexistent-dir/trace.txt"}, offscreen);
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains("/nonexistent-dir/trace.txt"))
        << unwritable.err.toStdString();
}

TEST(CommandLine, TheTraceFileIsThereFromStartUpBesideQtsOwnOptions) {
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(K964_PATH), {"-platform", "offscreen", "--trace", trace});
    ASSERT_TRUE(p.waitForStarted(kDeadlineMs));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(trace), kDeadlineMs);
    EXPECT_FALSE(p.waitForFinished(500)) << "the program runs";
    p.kill();
    p.waitForFinished(kDeadlineMs);
}

} // namespace
