#include "tests/e2e/e2e_fixture.h"

#include "app/shell.h"
#include "platform/backends.h"
#include "tests/support/reset_globals.h"
#include "ui/callbacks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <unistd.h>

namespace {

// Death tests re-run the test in a new process: it must find the same
// program directory as the test that started it.
constexpr const char* kDirVariable = "K964_E2E_DIR";

} // namespace

void E2eTest::SetUp() {
    reset_globals();
    if (const char* inherited = std::getenv(kDirVariable)) {
        dir = inherited;
    } else {
        // A blank in the program directory, as in a Program Files folder.
        char pattern[] = "/tmp/k964 e2e-XXXXXX";
        dir = mkdtemp(pattern);
        ownDir = true;
        setenv(kDirVariable, dir.c_str(), 1);
    }
    const std::string uir = QCoreApplication::applicationDirPath().toStdString() + "/" + K964_UIR;
    // A directory handed down may be one the test made read-only.
    if (ownDir || !std::filesystem::exists(dir + "/" + K964_UIR))
        std::filesystem::copy_file(uir, dir + "/" + K964_UIR,
                                   std::filesystem::copy_options::overwrite_existing);
    SetProjectDir(dir.c_str());
    ui = std::make_unique<QtUi>();
    serial = std::make_unique<QtSerial>();
    line = std::make_unique<LineTrace>(*serial);
    line->addListener(&written);
    SetUiBackend(ui.get());
    SetSerialBackend(line.get());
    SetClockBackend(nullptr);
    InstallCallbacks(kCallbacks, kCallbackCount);
}

void E2eTest::TearDown() {
    SetUiBackend(nullptr);
    SetSerialBackend(nullptr);
    ui.reset();
    line.reset();
    serial.reset();
    sim.reset();
    if (ownDir) {
        unsetenv(kDirVariable);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
}

// A command taken back by a flush of the output before its read is not
// listed; nor are the probes that get the line back in step.
void SentCommands::stepDone(const TraceExchange& exchange, const TraceStep& step) {
    (void)exchange;
    if (step.kind == TraceStep::Read) {
        queued_ = false;
    } else if (step.kind == TraceStep::FlushOut && queued_ && step.result == 0) {
        sent.pop_back();
        queued_ = false;
    } else if (step.kind == TraceStep::Write && step.result == 0 && !step.probe) {
        std::string command = step.bytes;
        if (!command.empty() && command.back() == '\r')
            command.pop_back();
        sent.push_back(command);
        queued_ = true;
    }
}

void E2eTest::startSim(std::vector<std::string> options, int port) {
    options.insert(options.end(), {"--noise", "0.001"});
    sim = std::make_unique<SimProcess>(options, port, dir);
    ASSERT_TRUE(sim->start()) << sim->error();
}

void E2eTest::start() {
    starten();
    ASSERT_GT(p1, 0);
}

void E2eTest::connect() {
    if (!sim)
        startSim();
    start();
    click(p4, COM_OK);
    ASSERT_EQ(text(p1, MAIN_STATUS), "ok");
}

QWidget* E2eTest::widget(int panel, int control) const {
    QWidget* w = qobject_cast<QWidget*>(ui->control(panel, control));
    EXPECT_NE(w, nullptr) << "control " << control << " of panel " << panel;
    return w;
}

QString E2eTest::text(int panel, int control) const {
    return widget(panel, control)->property("text").toString();
}

double E2eTest::real(int panel, int control) const {
    double v = 0.0;
    EXPECT_EQ(GetCtrlVal(panel, control, &v), 0);
    return v;
}

int E2eTest::integer(int panel, int control) const {
    int v = 0;
    EXPECT_EQ(GetCtrlVal(panel, control, &v), 0);
    return v;
}

void E2eTest::click(int panel, int control) {
    QTest::mouseClick(widget(panel, control), Qt::LeftButton);
}

void E2eTest::type(int panel, int control, const QString& value) {
    QWidget* w = widget(panel, control);
    w->setFocus();
    if (auto* spin = qobject_cast<QSpinBox*>(w))
        spin->selectAll();
    else if (auto* line = qobject_cast<QLineEdit*>(w))
        line->selectAll();
    QTest::keyClicks(w, value);
    QTest::keyClick(w, Qt::Key_Return);
}

void E2eTest::chooseMode(int index) {
    auto* combo = qobject_cast<QComboBox*>(widget(p1, MAIN_MODE));
    ASSERT_NE(combo, nullptr);
    combo->setFocus();
    while (combo->currentIndex() > index)
        QTest::keyClick(combo, Qt::Key_Up);
    while (combo->currentIndex() < index)
        QTest::keyClick(combo, Qt::Key_Down);
}

void E2eTest::openService() {
    auto* action = qobject_cast<QAction*>(ui->menuItem(m1, MENUBAR_SERVICE));
    ASSERT_NE(action, nullptr);
    action->trigger();
}

void E2eTest::answerNextPopup(bool yes) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [this, timer, yes] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        popups.push_back({box->windowTitle(), box->text(), box->informativeText()});
        if (!popupLog.empty()) {
            std::ofstream log(popupLog, std::ios::binary | std::ios::trunc);
            for (const QString& part : {box->windowTitle(), box->text(), box->informativeText()})
                log << part.toStdString() << '\n';
        }
        QAbstractButton* b = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
        if (!b)
            b = box->button(QMessageBox::Ok);
        b->click();
    });
    timer->start();
}

int E2eTest::simCommands() {
    const std::string status = sim->command("status");
    const std::string key = " commands=";
    std::size_t at = status.find(key);
    EXPECT_NE(at, std::string::npos) << status;
    return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + key.size());
}

QString E2eTest::tip(int panel, int control) const {
    return widget(panel, control)->toolTip();
}

SeenPopup E2eTest::readPopupLog() const {
    std::ifstream in(popupLog, std::ios::binary);
    std::string title;
    std::string text;
    std::getline(in, title);
    std::getline(in, text);
    std::stringstream rest;
    rest << in.rdbuf();
    QString informative = QString::fromStdString(rest.str());
    if (informative.endsWith(QLatin1Char('\n')))
        informative.chop(1);
    return {QString::fromStdString(title), QString::fromStdString(text), informative};
}

void E2eTest::dropPrivileges() {
    if (geteuid() != 0)
        return; // already a user whom modes and exclusive opens keep out
    constexpr uid_t kNobody = 65534;
    std::filesystem::permissions(dir, std::filesystem::perms::all);
    ASSERT_EQ(setgroups(0, nullptr), 0);
    ASSERT_EQ(setresgid(kNobody, kNobody, kNobody), 0);
    ASSERT_EQ(setresuid(kNobody, kNobody, kNobody), 0);
    ASSERT_EQ(geteuid(), kNobody);
}

void E2eTest::writeIni(const std::string& bytes) const {
    std::ofstream(iniPath(), std::ios::binary) << bytes;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string E2eTest::readIni() const {
    return slurp(iniPath());
}
