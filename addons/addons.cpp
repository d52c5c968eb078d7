#include "addons/addons.h"

#include "addons/command_line.h"
#include "addons/help.h"
#include "addons/menu.h"
#include "app/globals.h"
#include "history/program_history.h"
#include "platform/exit_hooks.h"
#include "platform/qt/numeric_field.h"
#include "platform/qt/qt_serial.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/whole_file.h"
#include "record/conf_file.h"
#include "record/record_name.h"
#include "trace/trace_window.h"
#include "trend/trend_widget.h"
#include "ui/ids.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QScrollArea>
#include <QSplitter>
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

std::string time_of_day() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

std::string device_of(int port) {
    return QtSerial::devicePath(port).toLocal8Bit().toStdString();
}

std::string date_time() {
    return QDateTime::currentDateTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

} // namespace

Addons::Addons(std::function<double()> trendClock, std::function<std::string()> timeOfDay)
    : innerUi_(CurrentUiBackend()), innerSerial_(CurrentSerialBackend()),
      tap_(std::make_unique<UiTap>(*innerUi_)), trace_(std::make_unique<LineTrace>(*innerSerial_)),
      trendClock_(trendClock ? std::move(trendClock) : monotonic_seconds),
      timeOfDay_(timeOfDay ? std::move(timeOfDay) : time_of_day),
      trendFeed_(trend_, trendClock_,
                 [this] { return servicePanel_ && servicePanel_->isVisible(); }),
      outcomes_(timeOfDay_, device_of), recordFeed_(record_, clock_time, date_time, device_of) {
    tap_->addListener(&trendFeed_);
    tap_->addListener(&record_);
    tap_->addListener(&outcomes_);
    trace_->addListener(&recordFeed_);
    trace_->addListener(&outcomes_);
    SetUiBackend(tap_.get());
    SetSerialBackend(trace_.get());
    SetCallbackObserver(this);
    SetMenuAction(MenuAction::LineTrace, [this] { showTrace(); });
    SetMenuAction(MenuAction::ServiceRecord, [this] { saveRecord(); });
    static StoreHistory history; // opened when a profile is first kept or looked up
    profiles_ = std::make_unique<ProfileActions>(&history, version_text(), isoNow);
    profiles_->rememberFolderIn(confPath());
    SetMenuAction(MenuAction::SaveSettings, [this] { profiles_->save(); });
    SetMenuAction(MenuAction::CompareSettings, [this] { profiles_->compare(); });
    SetMenuAction(MenuAction::WriteSettings, [this] { profiles_->write(); });
    AssistantHooks hooks;
    // No stability to tell while the service panel is closed and nothing polls.
    hooks.stability = [this] {
        return servicePanel_ && !servicePanel_->isVisible() ? Stability{.text = "no data"}
                                                            : trend_.stability(trendClock_());
    };
    hooks.unit = [this] { return std::string(trend_.unit()); };
    hooks.clock = trendClock_;
    hooks.now = isoNow;
    hooks.port = [] { return "COM" + std::to_string(com_nummer) + " -> " + device_of(com_nummer); };
    hooks.device = [this] { return profiles_->reader().device_current(); };
    hooks.program = version_text();
    assistant_ = std::make_unique<CalibrationAssistant>(*tap_, std::move(hooks), confPath);
    assistant_->onRecorded([this] {
        if (historyWindow_ && historyWindow_->isVisible()) // else when it is shown
            historyWindow_->refresh();
    });
    SetMenuAction(MenuAction::Calibrate, [this] { showAssistant(); });
    SetMenuAction(MenuAction::History, [this] { showHistory(); });
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
    SetMenuAction(MenuAction::LineTrace, nullptr);
    SetMenuAction(MenuAction::ServiceRecord, nullptr);
    SetMenuAction(MenuAction::SaveSettings, nullptr);
    SetMenuAction(MenuAction::CompareSettings, nullptr);
    SetMenuAction(MenuAction::WriteSettings, nullptr);
    SetMenuAction(MenuAction::Calibrate, nullptr);
    SetMenuAction(MenuAction::History, nullptr);
    SetCallbackObserver(nullptr);
    if (CurrentUiBackend() == tap_.get())
        SetUiBackend(innerUi_);
    if (CurrentSerialBackend() == trace_.get())
        SetSerialBackend(innerSerial_);
    delete traceWindow_;
    delete historyWindow_;
    delete manualWindow_;
}

std::string Addons::isoNow() {
    return QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toStdString();
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

void Addons::attach(int mainPanel, int servicePanel) {
    auto* ui = dynamic_cast<QtUi*>(innerUi_);
    QWidget* main = ui ? ui->panelWidget(mainPanel) : nullptr;
    QWidget* service = ui ? ui->panelWidget(servicePanel) : nullptr;
    auto* splitter =
        service ? service->findChild<QSplitter*>(QStringLiteral("serviceSplitter")) : nullptr;
    if (!main || !splitter)
        return;
    servicePanel_ = service;
    panelsFile_ = ui->panelFile(servicePanel);
    // Below the controls, taking what the panel grows by.
    auto* group = new QGroupBox(QObject::tr("Trend"), splitter);
    group->setObjectName(QStringLiteral("trendGroup"));
    auto* inner = new QVBoxLayout(group);
    trendView_ = new TrendView(trend_, trendClock_, {}, group);
    inner->addWidget(trendView_);
    splitter->addWidget(group);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    // The controls whole where the screen has room for them and the trend.
    if (auto* controls = qobject_cast<QScrollArea*>(splitter->widget(0)))
        splitter->setSizes({controls->widget()->sizeHint().height(), group->sizeHint().height()});
    connectionLine_ = main->findChild<QLabel*>(QStringLiteral("connectionLine"));
    outcomeLine_ = main->findChild<QLabel*>(QStringLiteral("outcomeLine"));
    serviceOutcomeLine_ = service->findChild<QLabel*>(QStringLiteral("serviceOutcomeLine"));
    unit_ = service->findChild<QLabel*>(QStringLiteral("oxygenUnit"));
    mainValue_ = qobject_cast<NumericField*>(ui->control(servicePanel, SERVICE_OXYGEN));
    if (auto* manual = main->findChild<QAction*>(QStringLiteral("helpManual")))
        QObject::connect(manual, &QAction::triggered, manual, [this] { showManual(); });
    if (auto* about = main->findChild<QAction*>(QStringLiteral("helpAbout")))
        QObject::connect(about, &QAction::triggered, about, [this] { showAbout(); });
    showOutcome();
}

void Addons::showOutcome() {
    const QString outcome = QString::fromUtf8(outcomes_.outcome().c_str());
    for (QLabel* line : {outcomeLine_.data(), serviceOutcomeLine_.data()}) {
        if (line)
            line->setText(outcome);
    }
    if (connectionLine_)
        connectionLine_->setText(QString::fromUtf8(outcomes_.connection().c_str()));
    showUnit();
}

// The unit of the mode the transmitter was read back in, beside a value;
// none beside "no data".
void Addons::showUnit() {
    if (unit_)
        unit_->setText(mainValue_ && mainValue_->noData() ? QString()
                                                          : QString::fromUtf8(trend_.unit()));
}

void Addons::showManual() {
    if (!manualWindow_)
        manualWindow_ = make_manual_window();
    manualWindow_->show();
    manualWindow_->raise();
    manualWindow_->activateWindow();
}

void Addons::showAbout() {
    show_about(QApplication::activeWindow(), panelsFile_);
}

void Addons::showTrace() {
    if (!traceWindow_)
        traceWindow_ = new TraceWindow(*trace_);
    traceWindow_->show();
    traceWindow_->raise();
    traceWindow_->activateWindow();
}

void Addons::showAssistant() {
    assistant_->show(servicePanel_);
}

void Addons::setHistoryProvider(HistoryWindow::Provider provider) {
    historyProvider_ = std::move(provider);
    delete historyWindow_;
}

void Addons::showHistory() {
    if (!historyProvider_) {
        std::string error;
        HistoryStore* history = ProgramHistory(&error);
        if (!history) {
            MessagePopup("Calibration history", ("Cannot show it: " + error + ".").c_str());
            return;
        }
        historyProvider_ = [history](const std::string& tag) { return history->calibrations(tag); };
    }
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(historyProvider_);
        historyWindow_->setFolder(
            QString::fromLocal8Bit(conf_value(confPath(), K964_EXPORT_FOLDER).c_str()),
            [this](const QString& folder) {
                return set_conf_value(confPath(), K964_EXPORT_FOLDER,
                                      folder.toLocal8Bit().toStdString());
            });
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

std::string Addons::saveRecord() {
    std::string folder = conf_value(confPath(), K964_RECORD_FOLDER);
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
    if (!set_conf_value(confPath(), K964_RECORD_FOLDER, folder))
        message += "\nThe folder could not be remembered in " + confPath() + ".";
    MessagePopup("Service record", message.c_str());
    return path.toLocal8Bit().toStdString();
}

void Addons::callbackBegins(const char* name, int event) {
    if (std::strcmp(name, "timer1") == 0)
        trendFeed_.pollBegins();
    recordFeed_.callbackBegins(name, event);
    outcomes_.callbackBegins(name, event);
}

void Addons::callbackEnded(const char* name, int event) {
    (void)event;
    trace_->finish();
    recordFeed_.callbackEnded(name);
    if (std::strcmp(name, "timer1") == 0) {
        trendFeed_.pollEnded();
        showUnit();
        if (trendView_)
            trendView_->refresh();
        return;
    }
    switch (outcomes_.callbackEnded(name)) {
    case OutcomeFeed::Taken::Zero:
        trend_.mark(TrendMarker::Zero, trendClock_());
        break;
    case OutcomeFeed::Taken::Span:
        trend_.mark(TrendMarker::Span, trendClock_());
        break;
    case OutcomeFeed::Taken::Store:
        trend_.mark(TrendMarker::Store, trendClock_());
        break;
    case OutcomeFeed::Taken::Nothing:
        break;
    }
    showOutcome();
    if (trendView_)
        trendView_->refresh();
}
