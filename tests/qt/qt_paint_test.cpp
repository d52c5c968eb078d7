// What the Qt user interface paints and when: a value set during a callback,
// a window shown before its first exchange; refused text; the clock.
#include "app/globals.h"
#include "app/shell.h"
#include "platform/qt/led.h"
#include "platform/qt/numeric_field.h"
#include "platform/qt/qt_clock.h"
#include "qt_fixture.h"
#include "qt_ui_fixture.h"
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

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST_F(QtUiTest, ValueSetOnAVisibleControlIsPaintedBeforeTheCallbackGoesOn) {
    showAll();
    QApplication::processEvents();
    PaintCounter counter;
    const std::pair<int, int> controls[] = {{mainPanel, MAIN_STATUS}, {servicePanel, SERVICE_BUSY}};
    for (const auto& [panel, id] : controls)
        ui->control(panel, id)->installEventFilter(&counter);
    SetCtrlVal(mainPanel, MAIN_STATUS, "GET");
    EXPECT_EQ(counter.paints, 1);
    SetCtrlVal(servicePanel, SERVICE_BUSY, 1);
    EXPECT_EQ(counter.paints, 2);
}

TEST_F(QtUiTest, AWindowShownIsPaintedBeforeDisplayPanelReturnsAndNoCallbackRunsMeanwhile) {
    QWidget* service = ui->panelWidget(servicePanel);
    PaintCounter counter;
    service->installEventFilter(&counter);
    pollTimer()->start(1);
    DisplayPanel(servicePanel);
    EXPECT_GE(counter.paints, 1);
    EXPECT_TRUE(service->windowHandle()->isExposed());
    EXPECT_TRUE(recorded.empty()) << "no timer tick while waiting for the paint";
    // Shown already: nothing to wait for.
    counter.paints = 0;
    DisplayPanel(servicePanel);
    EXPECT_EQ(counter.paints, 0);
    pollTimer()->stop();
}

TEST_F(QtUiTest, RefusedTextIsNoNumberAndLabelsAndTooltipsReadBack) {
    showAll();
    auto* field = get<NumericField>(servicePanel, SERVICE_CAL_9);
    SetCtrlVal(servicePanel, SERVICE_CAL_9, 2.5);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "zwei");
    QTest::keyClick(field, Qt::Key_Return);
    double value = 0;
    EXPECT_EQ(GetCtrlVal(servicePanel, SERVICE_CAL_9, &value), UIE_NOT_A_NUMBER);
    EXPECT_EQ(value, 2.5);
    SetCtrlVal(servicePanel, SERVICE_CAL_9, 3.5);
    EXPECT_EQ(GetCtrlVal(servicePanel, SERVICE_CAL_9, &value), 0);
    EXPECT_EQ(value, 3.5);

    char label[12];
    EXPECT_EQ(GetCtrlAttribute(servicePanel, SERVICE_CAL_9, ATTR_LABEL_TEXT, label), 0);
    EXPECT_STREQ(label, "Constant 9") << "without its mnemonic mark, cut to the buffer";
    char tip[40];
    EXPECT_EQ(SetCtrlAttribute(servicePanel, SERVICE_STATUS, ATTR_TOOLTIP_TEXT, "D? OK\x01"), 0);
    EXPECT_EQ(ui->control(servicePanel, SERVICE_STATUS)->toolTip(),
              QString("D? OK") + QChar(0x2401));
    EXPECT_EQ(GetCtrlAttribute(mainPanel, MAIN_ZERO_POINT, ATTR_LABEL_TEXT, tip), 0);
    EXPECT_STREQ(tip, "ZERO POINT");
    char tiny[4];
    EXPECT_EQ(GetCtrlAttribute(mainPanel, MAIN_ZERO_POINT, ATTR_LABEL_TEXT, tiny), 0);
    EXPECT_STREQ(tiny, "ZER");
}

TEST(QtClockTest, DelayBlocksTheThreadWithoutServingEvents) {
    QtClock clock;
    bool served = false;
    QTimer::singleShot(0, [&] { served = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    clock.delay(0.2);
    EXPECT_GE(elapsed.elapsed(), 200);
    EXPECT_FALSE(served);
    QTRY_VERIFY_WITH_TIMEOUT(served, 5000);

    elapsed.restart();
    clock.delay(0.0);
    clock.delay(-1.0);
    clock.delay(std::nan(""));
    EXPECT_LT(elapsed.elapsed(), 100);
}

} // namespace
