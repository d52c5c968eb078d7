// The Qt user interface from resources of its own and on the real logic: a
// numeric field's commit, start-up with the real panels, and every text of
// the program's windows told to assistive technology.
#include "addons/addons.h"
#include "app/globals.h"
#include "app/shell.h"
#include "platform/memory/memory_serial.h"
#include "platform/qt/led.h"
#include "platform/qt/numeric_field.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_serial.h"
#include "ports/com_port_panel.h"
#include "qt_fixture.h"
#include "ui/callbacks.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
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

// ---- Every text shown is told ---------------------------------------------

// A paint device that keeps the text of every text item painted on it and
// draws nothing: what a widget shows, as the widget itself paints it.
class PaintedText : public QPaintDevice {
  public:
    explicit PaintedText(const QWidget* widget) : widget_(widget) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    QStringList runs() const { return engine_.runs; }

  protected:
    // The widget's size, one device pixel per pixel, the screen's resolution.
    int metric(PaintDeviceMetric m) const override {
        if (m == PdmWidth || m == PdmHeight)
            return m == PdmWidth ? widget_->width() : widget_->height();
        if (m == PdmDevicePixelRatioScaled)
            return int(devicePixelRatioFScale());
        return m == PdmDevicePixelRatio ? 1 : m == PdmDepth ? 32 : widget_->logicalDpiY();
    }

  private:
    struct Engine : QPaintEngine {
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { runs << item.text(); }
        Type type() const override { return User; }
        QStringList runs;
    };
    const QWidget* widget_;
    mutable Engine engine_;
};

// The widget whose accessible object tells what `w` paints: a scroll area's
// viewport, an item view's header and the line edit of a spin box are parts
// of the widget around them.
QWidget* teller(QWidget* w) {
    QWidget* p = w->parentWidget();
    auto* area = qobject_cast<QAbstractScrollArea*>(p);
    const bool part = (area && area->viewport() == w) ||
                      (qobject_cast<QHeaderView*>(w) && qobject_cast<QAbstractItemView*>(p)) ||
                      qobject_cast<QAbstractSpinBox*>(p) || qobject_cast<QComboBox*>(p);
    return part ? teller(p) : w;
}

// Name, value and description of an accessible object and everything in it.
void told(QAccessibleInterface* a, QStringList* out) {
    if (!a)
        return;
    for (QAccessible::Text t : {QAccessible::Name, QAccessible::Value, QAccessible::Description})
        *out << a->text(t).simplified();
    for (int i = 0; i < a->childCount(); ++i)
        told(a->child(i), out);
}

// Each text a visible widget of `window` paints, and the window's title, that
// its accessible object does not carry: "widget: text".
QStringList untold(QWidget* window, QStringList* painted) {
    QStringList missing;
    auto check = [&](QWidget* w, QString text) {
        text = text.simplified();
        if (text.endsWith(QChar(0x2026))) // elided
            text.chop(1);
        QStringList carried;
        told(QAccessible::queryAccessibleInterface(w), &carried);
        const bool found = std::any_of(carried.begin(), carried.end(),
                                       [&](const QString& c) { return c.contains(text); });
        if (!text.isEmpty() && !found)
            missing << QStringLiteral("%1 (%2): \"%3\"")
                           .arg(w->objectName(), w->metaObject()->className(), text);
    };
    check(window, window->windowTitle());
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (!w->isVisible())
            continue;
        PaintedText device(w);
        QPainter painter(&device);
        w->render(&painter, QPoint(), QRegion(), {});
        painter.end();
        for (const QString& run : device.runs()) {
            *painted << run;
            check(teller(w), run);
        }
    }
    return missing;
}

// Every window of the program as main() puts it together, with a value in
// every place that shows one: the main panel with the COM port panel and its
// device list, the service panel with the trend (its markers and a stretch
// of no data), the line trace, the manual, the Service menu, the popups and
// About.
TEST_F(QtFixture, EveryTextShownIsCarriedByAnAccessibleNameValueOrDescription) {
    struct OneAdapter : PortLister {
        std::vector<PortEntry> ports() override {
            return {{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K1234",
                     "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0"}};
        }
    } lister;
    struct LineGone {
        ~LineGone() { SetSerialBackend(nullptr); } // after the additions put it back
    } lineGone;
    DeviceModel model;
    FakeClock clock;
    MemorySerial line(model, clock);
    SetSerialBackend(&line);
    QtSerial serial;
    InstallPortPanel(*ui, serial, lister);
    InstallCallbacks(kCallbacks, kCallbackCount);
    const double now = 100.0;
    Addons addons([&] { return now; });
    starten();
    addons.attach(p1, p3);
    Trend& trend = addons.trend();
    trend.setMode(0);
    for (int t = 100; t >= 70; --t)
        trend.add(now - t, 20.9 + 0.01 * (t % 3), 0.2);
    trend.mark(TrendMarker::Zero, now - 80);
    for (int t = 69; t >= 65; --t)
        trend.noData(now - t);
    trend.setMode(2, now - 64);
    for (int t = 64; t >= 0; --t)
        trend.add(now - t, -100.0 + 0.01 * (t % 3), 0.2);
    addons.trendView()->plot()->setSpan(120.0);
    addons.trendView()->refresh();
    LineTrace& trace = addons.trace();
    trace.open(1, 9600, 0, 8, 1);
    trace.writeCommand(1, "s0\r", 3);
    char reply[24];
    int stored = 0;
    trace.readTerm(1, reply, 24, 13, &stored);
    trace.finish();
    SetCtrlVal(p1, MAIN_STATUS, "ok");
    SetCtrlVal(p3, SERVICE_STATUS, "u\x01 E5");
    DisplayPanel(p3);
    addons.showTrace();
    // The trace's exchanges opened onto their steps: those are shown too.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* exchanges = window->findChild<QTreeView*>(QString(), Qt::FindDirectChildrenOnly))
            exchanges->expandAll();
    }
    addons.showManual();
    auto* menu = ui->panelWidget(p1)->findChild<QMenu*>(QStringLiteral("serviceMenu"));
    ASSERT_NE(menu, nullptr);
    menu->popup(QPoint(10, 10));
    QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 5000);

    QStringList missing;
    QStringList painted;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            missing += untold(window, &painted);
    }
    menu->hide();
    for (int popup : {0, 1, 2}) {
        BoxCloser walker([] { return true; },
                         [&](QMessageBox* box) {
                             missing += untold(box, &painted);
                             box->done(0);
                         });
        if (popup == 0)
            MessagePopup("Input", "END MARK (ppm): not a number !");
        else if (popup == 1)
            ConfirmPopup("CALIBRATION", "SET Vcal = 0 mV ?");
        else
            addons.showAbout();
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(u'\n').toStdString();
    // The walk saw each window's own texts.
    for (const char* text : {"Save", "FT232R USB UART", "stable", "u1 mV", "no data", "Zero",
                             "Mode 2 (mV)", "Not connected", "Service panel", "reply",
                             "oxygen transmitter", "not a number", "SET Vcal", "Licence: MIT"}) {
        EXPECT_TRUE(painted.join(QString()).contains(QString::fromUtf8(text))) << text;
    }
}

} // namespace
