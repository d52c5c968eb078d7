// The Qt user interface: events from the user reach the right callbacks one
// at a time, values and attributes show as the logic sets them, and the COM
// port panel sits inside the main panel and answers to Enter.
#include "app/globals.h"
#include "app/shell.h"
#include "platform/qt/led.h"
#include "platform/qt/numeric_field.h"
#include "platform/qt/qt_clock.h"
#include "qt_fixture.h"
#include "qt_ui_fixture.h"
#include "ui/callbacks.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <functional>

namespace {

TEST_F(QtUiTest, CommandButtonsCommitToTheirCallbacks) {
    showAll();
    struct Button {
        int resource;
        int id;
        const char* callback;
    };
    const Button buttons[] = {
        {PANEL_COM, COM_OK, "comok"},
        {PANEL_MAIN, MAIN_READ, "go"},
        {PANEL_MAIN, MAIN_SAVE, "setsp"},
        {PANEL_SERVICE, SERVICE_ZERO, "nullen"},
        {PANEL_SERVICE, SERVICE_SPAN, "setzen"},
        {PANEL_SERVICE, SERVICE_STORE, "stcal"},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.callback);
        recorded.clear();
        QTest::mouseClick(get<QPushButton>(handleOf(b.resource), b.id), Qt::LeftButton);
        EXPECT_EQ(recorded, (std::vector<Call>{{b.callback, handleOf(b.resource), b.id, 1}}));
    }
}

// However a command is triggered, it sees the value the field shows, or the
// field's refusal, as after a click that moved the focus out of the field.
TEST_F(QtUiTest, EveryTriggerOfACommandTakesOrRefusesTheTextBeingTyped) {
    showAll();
    enum How { Mnemonic, Press, Enter, Space, MenuItem };
    struct Trigger {
        const char* what;
        int resource;
        int field;
        const char* typed;
        How how;
        int command; // the button, or the key of its mnemonic
        const char* callback;
        double seen; // NaN: refused
    };
    const double refused = NAN;
    const Trigger triggers[] = {
        {"Alt+S", PANEL_MAIN, MAIN_END_MARK, "25", Mnemonic, Qt::Key_S, "setsp", 25.0},
        {"Alt+S", PANEL_MAIN, MAIN_END_MARK, "5 ppm", Mnemonic, Qt::Key_S, "setsp", refused},
        {"Alt+T", PANEL_SERVICE, SERVICE_CAL_8, "1.5", Mnemonic, Qt::Key_T, "stcal", 1.5},
        {"Alt+Z", PANEL_SERVICE, SERVICE_CAL_9, "x", Mnemonic, Qt::Key_Z, "nullen", refused},
        {"press", PANEL_SERVICE, SERVICE_CAL_0, "2,5", Press, SERVICE_SPAN, "setzen", 2.5},
        {"press", PANEL_MAIN, MAIN_LIMIT, "3", Press, MAIN_READ, "go", 3.0},
        {"press", PANEL_COM, COM_PORT, "", Press, COM_OK, "comok", 1.0},
        {"Enter", PANEL_MAIN, MAIN_ZERO_POINT, "0.5", Enter, MAIN_SAVE, "setsp", 0.5},
        {"Space", PANEL_SERVICE, SERVICE_CAL_8, "7", Space, SERVICE_STORE, "stcal", 7.0},
        {"menu item", PANEL_MAIN, MAIN_END_MARK, "26", MenuItem, 0, "setoffen", 26.0},
    };
    for (const Trigger& t : triggers) {
        SCOPED_TRACE(std::string(t.what) + " " + t.callback + " after \"" + t.typed + "\"");
        const int panel = handleOf(t.resource);
        activate(t.resource == PANEL_COM ? mainPanel : panel);
        SetCtrlVal(panel, t.field, 1);
        QWidget* field = ui->control(panel, t.field);
        field->setFocus();
        QMetaObject::invokeMethod(field, "selectAll");
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, t.typed);
        int code = 1;
        double seen = 0;
        QString shown;
        whileInCallback = [&](const Call& c) {
            if (c.name != t.callback)
                return;
            shown = field->property("text").toString();
            int whole = 0;
            code = qobject_cast<QSpinBox*>(field) ? GetCtrlVal(panel, t.field, &whole)
                                                  : GetCtrlVal(panel, t.field, &seen);
            if (qobject_cast<QSpinBox*>(field))
                seen = whole;
        };
        recorded.clear();
        QWidget* button =
            t.how == Mnemonic || t.how == MenuItem ? nullptr : ui->control(panel, t.command);
        if (t.how == Mnemonic) {
            QTest::keyClick(field, static_cast<Qt::Key>(t.command), Qt::AltModifier);
        } else if (t.how == Press) {
            QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        } else if (t.how == MenuItem) {
            serviceItem()->trigger();
        } else {
            button->setFocus();
            QTest::keyClick(button, t.how == Enter ? Qt::Key_Return : Qt::Key_Space);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!recorded.empty(), 5000);
        EXPECT_EQ(recorded.front().name, t.callback);
        EXPECT_EQ(recorded.size(), 1u);
        if (std::isnan(t.seen)) {
            EXPECT_EQ(code, UIE_NOT_A_NUMBER);
            EXPECT_EQ(shown, t.typed) << "kept as typed";
        } else {
            EXPECT_EQ(code, 0);
            EXPECT_EQ(seen, t.seen);
            double fromShown = 0;
            EXPECT_TRUE(NumericField::parseInput(shown, &fromShown)) << shown.toStdString();
            EXPECT_EQ(fromShown, t.seen) << "the value sent is the value shown";
        }
        whileInCallback = nullptr;
    }
}

TEST_F(QtUiTest, SelectorCommitsEveryChoiceOfTheUserAlsoOfTheSameItem) {
    showAll();
    activate(mainPanel);
    auto* mode = get<QComboBox>(mainPanel, MAIN_MODE);
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(mode->currentIndex(), 1);
    EXPECT_EQ(recorded, (std::vector<Call>{{"dimmen", mainPanel, MAIN_MODE, EVENT_COMMIT}}));

    recorded.clear();
    mode->showPopup();
    QTRY_VERIFY_WITH_TIMEOUT(mode->view()->isVisible(), 5000);
    QTest::keyClick(mode->view(), Qt::Key_Return);
    EXPECT_EQ(mode->currentIndex(), 1);
    EXPECT_EQ(recorded, (std::vector<Call>{{"dimmen", mainPanel, MAIN_MODE, EVENT_COMMIT}}));
}

TEST_F(QtUiTest, UserChangesWithoutACallbackRaiseNothing) {
    showAll();
    auto* bit = get<QCheckBox>(mainPanel, MAIN_CONFIG_BIT3);
    QTest::mouseClick(bit, Qt::LeftButton, {}, QPoint(6, bit->height() / 2));
    int value = 0;
    EXPECT_EQ(GetCtrlVal(mainPanel, MAIN_CONFIG_BIT3, &value), 0);
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(recorded.empty());
}

TEST_F(QtUiTest, MenuItemRunsTheMenuCallbackWithItsMenuBar) {
    serviceItem()->trigger();
    int bar = GetPanelMenuBar(mainPanel);
    ASSERT_GT(bar, 0);
    EXPECT_NE(bar, mainPanel);
    EXPECT_NE(bar, servicePanel);
    EXPECT_NE(bar, comPanel);
    EXPECT_EQ(recorded, (std::vector<Call>{{"setoffen", mainPanel, MENUBAR_SERVICE, bar}}));
}

TEST_F(QtUiTest, ClosingAPanelAsksItsCallbackAndQtDoesNotClose) {
    showAll();
    struct Close {
        int resource;
        const char* callback;
        bool fromWindowSystem;
    };
    const Close closes[] = {
        {PANEL_MAIN, "schluss", false},
        {PANEL_SERVICE, "kalok", false},
        {PANEL_MAIN, "schluss", true},
        {PANEL_SERVICE, "kalok", true},
    };
    for (const Close& c : closes) {
        SCOPED_TRACE(std::string(c.callback) + (c.fromWindowSystem ? " by window" : ""));
        recorded.clear();
        QWidget* panel = ui->panelWidget(handleOf(c.resource));
        if (c.fromWindowSystem)
            panel->windowHandle()->close();
        else
            EXPECT_FALSE(panel->close());
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(recorded, (std::vector<Call>{{c.callback, handleOf(c.resource), 0, 11}}));
    }
}

TEST_F(QtUiTest, ProgrammaticValuesRaiseNoEventAndReadBack) {
    showAll();
    struct IntValue {
        int resource;
        int id;
        int value;
        int readBack;
    };
    const IntValue ints[] = {
        {PANEL_MAIN, MAIN_CONFIG_BIT0, 1, 1},
        {PANEL_MAIN, MAIN_CONFIG_BIT3, 5, 1},
        {PANEL_MAIN, MAIN_CONFIG_BIT3, 0, 0},
        {PANEL_MAIN, MAIN_MODE, 2, 2},
        {PANEL_MAIN, MAIN_MODE, 0, 0},
        {PANEL_MAIN, MAIN_SETTING_8, -2147483647 - 1, -2147483647 - 1},
        {PANEL_MAIN, MAIN_SETTING_8, 2147483647, 2147483647},
        {PANEL_COM, COM_PORT, 0, 0},
        {PANEL_COM, COM_PORT, -2, -2},
        {PANEL_SERVICE, SERVICE_BUSY, 1, 1},
    };
    for (const IntValue& v : ints) {
        SCOPED_TRACE(v.id);
        int panel = handleOf(v.resource);
        EXPECT_EQ(SetCtrlVal(panel, v.id, v.value), 0);
        int got = -99;
        EXPECT_EQ(GetCtrlVal(panel, v.id, &got), 0);
        EXPECT_EQ(got, v.readBack);
    }
    unsigned char mode = 9;
    EXPECT_EQ(GetCtrlVal(mainPanel, MAIN_MODE, &mode), 0);
    EXPECT_EQ(mode, 0);

    const int reals[] = {MAIN_ZERO_POINT, MAIN_END_MARK, MAIN_LIMIT};
    for (int id : reals) {
        EXPECT_EQ(SetCtrlVal(mainPanel, id, 0.1 + id), 0);
        double got = 0;
        EXPECT_EQ(GetCtrlVal(mainPanel, id, &got), 0);
        EXPECT_EQ(got, 0.1 + id);
    }
    EXPECT_EQ(SetCtrlVal(mainPanel, MAIN_LIMIT, 3), 0);
    double limit = 0;
    GetCtrlVal(mainPanel, MAIN_LIMIT, &limit);
    EXPECT_EQ(limit, 3.0);
    EXPECT_EQ(SetCtrlVal(servicePanel, SERVICE_STATUS, "ok"), 0);
    EXPECT_TRUE(recorded.empty());
}

TEST_F(QtUiTest, PollTimerTicksWhetherThePanelIsShownOrNot) {
    ASSERT_FALSE(ui->panelWidget(servicePanel)->isVisible());
    pollTimer()->start();
    QTRY_VERIFY_WITH_TIMEOUT(!recorded.empty(), 5000);
    EXPECT_EQ(recorded.front(), (Call{"timer1", servicePanel, POLL_TIMER, EVENT_TIMER_TICK}));
}

TEST_F(QtUiTest, NoOtherCallbackRunsWhileAPopupInsideACallbackIsOpen) {
    showAll();
    QTimer* timer = pollTimer();
    timer->start(10);
    bool popupOpen = false;
    int ticksWhileOpen = 0;
    QObject::connect(timer, &QTimer::timeout, timer, [&] {
        if (popupOpen)
            ++ticksWhileOpen;
    });
    whileInCallback = [&](const Call& c) {
        if (c.name != "go")
            return;
        popupOpen = true;
        MessagePopup("K964", "Transmitter busy");
        popupOpen = false;
    };
    BoxCloser closer([&] { return ticksWhileOpen >= 5; },
                     [&](QMessageBox* box) {
                         // Everything the user could still reach gets dropped.
                         get<QPushButton>(mainPanel, MAIN_SAVE)->click();
                         serviceItem()->trigger();
                         ui->panelWidget(servicePanel)->close();
                         box->button(QMessageBox::Ok)->click();
                     });
    QTest::mouseClick(get<QPushButton>(mainPanel, MAIN_READ), Qt::LeftButton);
    EXPECT_GE(ticksWhileOpen, 5);
    EXPECT_EQ(recorded, (std::vector<Call>{{"go", mainPanel, MAIN_READ, EVENT_COMMIT}}));
    EXPECT_TRUE(ui->panelWidget(servicePanel)->isVisible());
    // Once the callback has returned, the timer's ticks are served again.
    QTRY_VERIFY_WITH_TIMEOUT(recorded.size() > 1, 5000);
    EXPECT_EQ(recorded[1].name, "timer1");
}

} // namespace
