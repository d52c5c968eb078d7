// What the Qt tests share: the real resource file, a QtUi installed as the
// user interface, and a callback table whose functions record every call.
#pragma once

#include "platform/backends.h"
#include "platform/qt/qt_ui.h"
#include "ui/ids.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

struct Call {
    std::string name;
    int panel;   // menu items: the panel of the menu bar
    int control; // menu items: the item
    int event;   // menu items: the menu bar
    bool operator==(const Call&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Call& c) {
    return out << c.name << "(" << c.panel << ", " << c.control << ", " << c.event << ")";
}

inline std::vector<Call> recorded;
// Runs inside every recorded callback, after the call is noted: a popup, say.
inline std::function<void(const Call&)> whileInCallback;

inline void note(const char* name, int panel, int control, int event) {
    recorded.push_back({name, panel, control, event});
    if (whileInCallback)
        whileInCallback(recorded.back());
}

inline constexpr const char* kNames[] = {"schluss", "comok",     "go",           "setsp",  "dimmen",
                                         "timer1",  "setoffen",  "kalok",        "nullen", "setzen",
                                         "stcal",   "linetrace", "servicerecord",
                                         "calibrate", "history", "savesettings",
                                         "comparesettings", "writesettings"};

template <int I> int noteCtrl(int panel, int control, int event, void*, int, int) {
    note(kNames[I], panel, control, event);
    return 0;
}
template <int I> int notePanel(int panel, int event, void*, int, int) {
    note(kNames[I], panel, 0, event);
    return 0;
}
template <int I> void noteMenu(int menuBar, int item, void*, int panel) {
    note(kNames[I], panel, item, menuBar);
}

inline const CallbackBinding kRecording[] = {
    {kNames[0], nullptr, notePanel<0>, nullptr},  {kNames[1], noteCtrl<1>, nullptr, nullptr},
    {kNames[2], noteCtrl<2>, nullptr, nullptr},   {kNames[3], noteCtrl<3>, nullptr, nullptr},
    {kNames[4], noteCtrl<4>, nullptr, nullptr},   {kNames[5], noteCtrl<5>, nullptr, nullptr},
    {kNames[6], nullptr, nullptr, noteMenu<6>},   {kNames[7], nullptr, notePanel<7>, nullptr},
    {kNames[8], noteCtrl<8>, nullptr, nullptr},   {kNames[9], noteCtrl<9>, nullptr, nullptr},
    {kNames[10], noteCtrl<10>, nullptr, nullptr}, {kNames[11], nullptr, nullptr, noteMenu<11>},
    {kNames[12], nullptr, nullptr, noteMenu<12>}, {kNames[13], nullptr, nullptr, noteMenu<13>},
    {kNames[14], nullptr, nullptr, noteMenu<14>}, {kNames[15], nullptr, nullptr, noteMenu<15>},
    {kNames[16], nullptr, nullptr, noteMenu<16>}, {kNames[17], nullptr, nullptr, noteMenu<17>},
};

inline constexpr const char* kUir = "K964_Vx.uir";

// A fresh QtUi with the recording callbacks; the resource file is the one the
// build puts beside the test program.
class QtFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        recorded.clear();
        whileInCallback = nullptr;
        InstallCallbacks(kRecording, sizeof kRecording / sizeof kRecording[0]);
        SetProjectDir(QCoreApplication::applicationDirPath().toLocal8Bit().constData());
        ui = std::make_unique<QtUi>();
        SetUiBackend(ui.get());
    }

    void TearDown() override {
        whileInCallback = nullptr;
        SetUiBackend(nullptr);
        ui.reset();
    }

    // The three panels, loaded as the program loads them.
    void loadAll() {
        mainPanel = LoadPanel(0, kUir, PANEL_MAIN);
        servicePanel = LoadPanel(0, kUir, PANEL_SERVICE);
        comPanel = LoadPanel(mainPanel, kUir, PANEL_COM);
        ASSERT_GT(mainPanel, 0);
        ASSERT_GT(servicePanel, 0);
        ASSERT_GT(comPanel, 0);
    }

    template <typename T> T* get(int panel, int control) {
        auto* object = qobject_cast<T*>(ui->control(panel, control));
        EXPECT_NE(object, nullptr) << "control " << control << " of panel " << panel;
        return object;
    }

    QAction* serviceItem() { return ui->menuItem(GetPanelMenuBar(mainPanel), MENUBAR_SERVICE); }

    std::unique_ptr<QtUi> ui;
    int mainPanel = 0;
    int servicePanel = 0;
    int comPanel = 0;
};

// Answers the next modal box with `act` once `ready` holds (or after a
// generous deadline, so that a broken test fails instead of hanging).
class BoxCloser {
  public:
    BoxCloser(std::function<bool()> ready, std::function<void(QMessageBox*)> act)
        : ready_(std::move(ready)), act_(std::move(act)), deadline_(10000) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || (!ready_() && !deadline_.hasExpired()))
                return;
            timer_.stop();
            act_(box);
        });
        timer_.start(5);
    }

  private:
    std::function<bool()> ready_;
    std::function<void(QMessageBox*)> act_;
    QDeadlineTimer deadline_;
    QTimer timer_;
};
