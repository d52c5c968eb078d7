#include "addons/addons.h"

#include "addons/menu.h"
#include "platform/exit_hooks.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/whole_file.h"
#include "record/record_folder.h"
#include "trace/trace_window.h"
#include "trend/trend_widget.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double monotonic_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string clock_time() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
}

std::string date_time() {
    return QDateTime::currentDateTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

} // namespace

Addons::Addons(std::function<double()> trendClock)
    : innerUi_(CurrentUiBackend()), innerSerial_(CurrentSerialBackend()),
      tap_(std::make_unique<UiTap>(*innerUi_)), trace_(std::make_unique<LineTrace>(*innerSerial_)),
      trendClock_(trendClock ? std::move(trendClock) : monotonic_seconds),
      trendFeed_(trend_, trendClock_), recordFeed_(record_, clock_time, date_time, [](int port) {
          return QtSerial::devicePath(port).toLocal8Bit().toStdString();
      }) {
    tap_->addListener(&trendFeed_);
    tap_->addListener(&record_);
    trace_->addListener(&recordFeed_);
    SetUiBackend(tap_.get());
    SetSerialBackend(trace_.get());
    SetCallbackObserver(this);
    SetLineTraceAction([this] { showTrace(); });
    SetServiceRecordAction([this] { saveRecord(); });
    chooseFolder_ = [](const std::string& start) {
        return QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                                 QObject::tr("Folder for service records"),
                                                 QString::fromLocal8Bit(start.c_str()))
            .toLocal8Bit()
            .toStdString();
    };
}

Addons::~Addons() {
    RemoveExitHook(traceExit_);
    SetLineTraceAction(nullptr);
    SetServiceRecordAction(nullptr);
    SetCallbackObserver(nullptr);
    if (CurrentUiBackend() == tap_.get())
        SetUiBackend(innerUi_);
    if (CurrentSerialBackend() == trace_.get())
        SetSerialBackend(innerSerial_);
    delete traceWindow_;
}

std::string Addons::confPath() {
    char dir[MAX_PATHNAME_LEN];
    char path[MAX_PATHNAME_LEN];
    GetFilesDir(dir); // where K960.ini is
    MakePathname(dir, K964_CONF, path);
    return path;
}

// A line of the trace that cannot be written is said on standard error at
// once; the program goes on, and ends with status 1 instead of 0.
bool Addons::traceTo(const std::string& path) {
    if (!traceFile_.open(path))
        return false;
    traceFile_.onFailure([path](const std::string& reason) {
        std::fprintf(stderr, "k964: cannot write the trace file %s: %s\n", path.c_str(),
                     reason.c_str());
    });
    trace_->addListener(&traceFile_);
    traceExit_ =
        AddExitHook([this](int status) { return traceFile_.close() || status != 0 ? status : 1; });
    return true;
}

void Addons::attach(int servicePanel) {
    auto* ui = dynamic_cast<QtUi*>(innerUi_);
    QWidget* panel = ui ? ui->panelWidget(servicePanel) : nullptr;
    auto* layout = panel ? qobject_cast<QVBoxLayout*>(panel->layout()) : nullptr;
    if (!layout)
        return;
    auto* group = new QGroupBox(QObject::tr("Trend, last 10 minutes"), panel);
    group->setObjectName(QStringLiteral("trendGroup"));
    auto* inner = new QVBoxLayout(group);
    trendView_ = new TrendView(trend_, trendClock_, group);
    inner->addWidget(trendView_);
    layout->insertWidget(1, group);
}

void Addons::showTrace() {
    if (!traceWindow_)
        traceWindow_ = new TraceWindow(*trace_);
    traceWindow_->show();
    traceWindow_->raise();
    traceWindow_->activateWindow();
}

std::string Addons::saveRecord() {
    std::string folder = read_record_folder(confPath());
    if (folder.empty())
        folder = QDir::homePath().toLocal8Bit().toStdString();
    folder = chooseFolder_(folder);
    if (folder.empty())
        return {};
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const std::string name =
        record_file_name(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    const QString path =
        QDir(QString::fromLocal8Bit(folder.c_str())).filePath(QString::fromStdString(name));
    const std::string text = record_.text(date_time());
    const QString error =
        writeWholeFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (!error.isEmpty()) {
        // The folder is not remembered: the next record starts elsewhere.
        const std::string message = "The service record could not be written to " +
                                    path.toLocal8Bit().toStdString() + ": " +
                                    error.toLocal8Bit().toStdString();
        MessagePopup("Service record", message.c_str());
        return {};
    }
    std::string message = "Saved as " + path.toLocal8Bit().toStdString();
    if (!write_record_folder(confPath(), folder))
        message += "\nThe folder could not be remembered in " + confPath() + ".";
    MessagePopup("Service record", message.c_str());
    return path.toLocal8Bit().toStdString();
}

void Addons::callbackBegins(const char* name, int event) {
    if (std::strcmp(name, "timer1") == 0)
        trendFeed_.pollBegins();
    recordFeed_.callbackBegins(name, event);
}

void Addons::callbackEnded(const char* name, int event) {
    (void)event;
    trace_->finish();
    recordFeed_.callbackEnded(name);
    if (std::strcmp(name, "timer1") == 0) {
        trendFeed_.pollEnded();
        if (trendView_)
            trendView_->refresh();
    }
}
