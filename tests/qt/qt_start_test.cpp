// The Qt user interface from resources of its own and on the real logic: a
// numeric field's commit, and start-up with the real panels.
#include "app/globals.h"
#include "app/shell.h"
#include "platform/qt/led.h"
#include "platform/qt/numeric_field.h"
#include "platform/qt/qt_clock.h"
#include "qt_fixture.h"
#include "ui/callbacks.h"

#include <QAbstractItemView>
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

// ---- A numeric field with a callback, from a resource of its own -----------

TEST_F(QtFixture, NumericFieldCommitsOnlyAUserEditThatChangedIt) {
    QTemporaryDir dir;
    QFile file(dir.filePath("field.uir"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Test</class>
 <widget class="QWidget" name="Test">
  <widget class="QWidget" name="PANEL_TEST">
   <property name="panelResource" stdset="0"><number>1</number></property>
   <layout class="QVBoxLayout" name="layout">
    <item>
     <widget class="NumericField" name="FIELD">
      <property name="precision"><number>1</number></property>
      <property name="ctrlId" stdset="0"><number>2</number></property>
      <property name="callback" stdset="0"><string>dimmen</string></property>
     </widget>
    </item>
    <item>
     <widget class="QPushButton" name="OTHER">
      <property name="text"><string>&amp;Other</string></property>
      <property name="ctrlId" stdset="0"><number>3</number></property>
      <property name="callback" stdset="0"><string>go</string></property>
     </widget>
    </item>
   </layout>
  </widget>
 </widget>
</ui>
)");
    file.close();
    int panel = LoadPanel(0, dir.filePath("field.uir").toLocal8Bit().constData(), 1);
    ASSERT_GT(panel, 0);
    DisplayPanel(panel);
    QWidget* window = ui->panelWidget(panel);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* field = get<NumericField>(panel, 2);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), "0.0");

    SetCtrlVal(panel, 2, 0.0537);
    EXPECT_TRUE(recorded.empty());
    // Through the field and out again: nothing typed, nothing committed.
    field->setFocus();
    window->findChild<QPushButton*>("OTHER")->setFocus();
    EXPECT_TRUE(recorded.empty());

    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "2.25");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(recorded, (std::vector<Call>{{"dimmen", panel, 2, EVENT_COMMIT}}));
    double value = 0;
    GetCtrlVal(panel, 2, &value);
    EXPECT_EQ(value, 2.25);
    EXPECT_EQ(field->text(), "2.3");

    // A command's mnemonic leaves the focus in the field: the edit is
    // finished first, as the click that moves the focus finishes it.
    recorded.clear();
    QTest::keyClicks(field, "5");
    QTest::keyClick(field, Qt::Key_O, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(recorded.size(), 2u, 5000);
    EXPECT_EQ(recorded, (std::vector<Call>{{"dimmen", panel, 2, EVENT_COMMIT},
                                           {"go", panel, 3, EVENT_COMMIT}}));
    GetCtrlVal(panel, 2, &value);
    EXPECT_EQ(value, 2.35);
}

// ---- Start-up on the real logic ----------------------------------------------

TEST_F(QtFixture, StartUpShowsTheMainPanelWithTheComPortInsideAndModesRelabel) {
    QTemporaryDir dir;
    ASSERT_TRUE(
        QFile::copy(QCoreApplication::applicationDirPath() + "/" + kUir, dir.filePath(kUir)));
    QFile ini(dir.filePath("K960.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(" 4  Ve-Data_2014\n");
    ini.close();
    SetProjectDir(dir.path().toLocal8Bit().constData());
    InstallCallbacks(kCallbacks, kCallbackCount);

    starten();

    QWidget* main = ui->panelWidget(p1);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    EXPECT_EQ(main->windowTitle(), "K964 V3        ");
    EXPECT_TRUE(ui->panelWidget(p4)->isVisible());
    EXPECT_TRUE(main->isAncestorOf(ui->panelWidget(p4)));
    EXPECT_FALSE(ui->panelWidget(p3)->isVisible());
    EXPECT_EQ(get<QSpinBox>(p4, COM_PORT)->value(), 4);
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    EXPECT_TRUE(get<QSpinBox>(p4, COM_PORT)->hasFocus());

    auto* mode = get<QComboBox>(p1, MAIN_MODE);
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_End);
    EXPECT_EQ(mode->currentIndex(), 2);
    QLabel* zeroLabel = nullptr;
    for (QLabel* l : main->findChildren<QLabel*>()) {
        if (l->buddy() == get<NumericField>(p1, MAIN_ZERO_POINT))
            zeroLabel = l;
    }
    ASSERT_NE(zeroLabel, nullptr);
    EXPECT_EQ(zeroLabel->text(), "ZERO POINT (mV ) ");
    EXPECT_EQ(get<NumericField>(p1, MAIN_ZERO_POINT)->text(), "0.0");
    EXPECT_EQ(get<NumericField>(p3, SERVICE_OXYGEN)->accessibleName(), "Sensor Voltage");
}

} // namespace
