// Popups and the COM port panel on the Qt backend: the answers of the
// confirmation, plain text in a message, Enter on the COM port panel, and
// where a child panel sits.
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

TEST_F(QtUiTest, ConfirmPopupAnswersOneForYesAndZeroOtherwise) {
    struct Answer {
        const char* how;
        std::function<void(QMessageBox*)> act;
        int expected;
    };
    const Answer answers[] = {
        {"Yes", [](QMessageBox* b) { b->button(QMessageBox::Yes)->click(); }, 1},
        {"No", [](QMessageBox* b) { b->button(QMessageBox::No)->click(); }, 0},
        {"Escape", [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, 0},
        {"Enter, the default", [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Return); }, 0},
    };
    for (const Answer& a : answers) {
        SCOPED_TRACE(a.how);
        QString title;
        QString text;
        BoxCloser closer([] { return true; },
                         [&](QMessageBox* box) {
                             title = box->windowTitle();
                             text = box->text();
                             a.act(box);
                         });
        EXPECT_EQ(ConfirmPopup("CALIBRATION", "SET Vcal = 0 mV ?"), a.expected);
        EXPECT_EQ(title, "CALIBRATION");
        EXPECT_EQ(text, "SET Vcal = 0 mV ?");
    }
}

TEST_F(QtUiTest, MessagePopupShowsPlainTextWithOneButton) {
    int buttons = 0;
    QString text;
    Qt::TextFormat format = Qt::RichText;
    BoxCloser closer([] { return true; },
                     [&](QMessageBox* box) {
                         buttons = static_cast<int>(box->buttons().size());
                         text = box->text();
                         format = box->textFormat();
                         box->button(QMessageBox::Ok)->click();
                     });
    EXPECT_EQ(MessagePopup("", "<b>COM-PORT</b> kann nicht geoeffnet werden !"), 0);
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(text, "<b>COM-PORT</b> kann nicht geoeffnet werden !");
    EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(QtUiTest, EnterOnTheComPanelConfirmsItWithTheTypedPort) {
    DisplayPanel(mainPanel);
    DisplayPanel(comPanel);
    activate(mainPanel);
    auto* port = get<QSpinBox>(comPanel, COM_PORT);
    ASSERT_TRUE(port->hasFocus());
    int portSeen = 0;
    whileInCallback = [&](const Call& c) {
        if (c.name == "comok")
            GetCtrlVal(comPanel, COM_PORT, &portSeen);
    };
    port->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "7");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(portSeen, 7);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    const Call ok{"comok", comPanel, COM_OK, EVENT_COMMIT};
    EXPECT_EQ(recorded, (std::vector<Call>{ok, ok}));

    // Enter elsewhere on the main panel is not meant for the COM port panel.
    recorded.clear();
    get<QSpinBox>(mainPanel, MAIN_SETTING_8)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(recorded.empty());
}

TEST_F(QtUiTest, ComPanelSitsInItsAreaOfTheMainPanel) {
    QWidget* main = ui->panelWidget(mainPanel);
    QWidget* com = ui->panelWidget(comPanel);
    EXPECT_FALSE(com->isWindow());
    EXPECT_TRUE(main->isAncestorOf(com));
    EXPECT_EQ(com->parentWidget()->property("childPanel").toInt(), PANEL_COM);
    EXPECT_FALSE(com->isVisible());
    DisplayPanel(mainPanel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    EXPECT_FALSE(com->isVisible());
    DisplayPanel(comPanel);
    EXPECT_TRUE(com->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(com->height() > 0, 5000);
    // Hiding it after the connection moves nothing on the main panel.
    auto* below = get<QComboBox>(mainPanel, MAIN_MODE);
    QPoint before = below->mapTo(main, QPoint(0, 0));
    HidePanel(comPanel);
    EXPECT_FALSE(com->isVisible());
    EXPECT_TRUE(main->isVisible());
    // Lay out at once rather than wait for a change that must not come.
    com->parentWidget()->layout()->activate();
    qobject_cast<QMainWindow*>(main)->centralWidget()->layout()->activate();
    EXPECT_EQ(below->mapTo(main, QPoint(0, 0)), before);
}

TEST_F(QtUiTest, ChildPanelWithoutAnAreaFloatsInTheMiddleOfItsParent) {
    int floating = LoadPanel(servicePanel, kUir, PANEL_COM);
    ASSERT_GT(floating, 0);
    QWidget* service = ui->panelWidget(servicePanel);
    QWidget* com = ui->panelWidget(floating);
    EXPECT_EQ(com->parentWidget(), service);
    DisplayPanel(servicePanel);
    DisplayPanel(floating);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(service));
    EXPECT_TRUE(com->isVisible());
    QPoint offset = com->geometry().center() - service->rect().center();
    EXPECT_LE(std::abs(offset.x()), 1);
    EXPECT_LE(std::abs(offset.y()), 1);
}

} // namespace
