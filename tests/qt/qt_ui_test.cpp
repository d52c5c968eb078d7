// The Qt user interface: events from the user reach the right callbacks one
// at a time, values and attributes show as the logic sets them, and the COM
// port panel sits inside the main panel and answers to Enter.
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

class QtUiTest : public QtFixture {
  protected:
    void SetUp() override {
        QtFixture::SetUp();
        loadAll();
        // Ticks would mix into the calls a test expects; the tests about the
        // timer start it again.
        pollTimer()->stop();
    }

    QTimer* pollTimer() { return ui->control(servicePanel, POLL_TIMER)->findChild<QTimer*>(); }

    void showAll() {
        DisplayPanel(mainPanel);
        DisplayPanel(comPanel);
        DisplayPanel(servicePanel);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui->panelWidget(mainPanel)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui->panelWidget(servicePanel)));
    }

    void activate(int panel) {
        QWidget* window = ui->panelWidget(panel);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    int handleOf(int resource) const {
        return resource == PANEL_MAIN ? mainPanel : resource == PANEL_COM ? comPanel : servicePanel;
    }
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

TEST_F(QtUiTest, FormatPrecisionAndLabelOfTheFourRealFields) {
    struct Field {
        int resource;
        int id;
        const char* label;
    };
    const Field fields[] = {
        {PANEL_MAIN, MAIN_ZERO_POINT, "ZERO POINT (ppm] "},
        {PANEL_MAIN, MAIN_END_MARK, "END MARK (mV ) "},
        {PANEL_MAIN, MAIN_LIMIT, "LIMIT (ppm) "},
        {PANEL_SERVICE, SERVICE_OXYGEN, "Oxygen         "},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.label);
        int panel = handleOf(f.resource);
        auto* field = get<NumericField>(panel, f.id);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(SetCtrlVal(panel, f.id, 0.0537), 0);
        EXPECT_EQ(SetCtrlAttribute(panel, f.id, ATTR_FORMAT, VAL_SCIENTIFIC_FORMAT), 0);
        EXPECT_EQ(SetCtrlAttribute(panel, f.id, ATTR_PRECISION, 3), 0);
        EXPECT_EQ(field->text(), "5.370e-02");
        EXPECT_EQ(SetCtrlAttribute(panel, f.id, ATTR_FORMAT, VAL_FLOATING_PT_FORMAT), 0);
        EXPECT_EQ(SetCtrlAttribute(panel, f.id, ATTR_PRECISION, 1), 0);
        EXPECT_EQ(field->text(), "0.1");
        double value = 0;
        EXPECT_EQ(GetCtrlVal(panel, f.id, &value), 0);
        EXPECT_EQ(value, 0.0537);

        EXPECT_EQ(SetCtrlAttribute(panel, f.id, ATTR_LABEL_TEXT, f.label), 0);
        QLabel* label = nullptr;
        for (QLabel* l : ui->panelWidget(panel)->findChildren<QLabel*>()) {
            if (l->buddy() == field)
                label = l;
        }
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(f.label));
        EXPECT_EQ(field->accessibleName(), QString::fromLatin1(f.label).trimmed());

        EXPECT_LT(SetCtrlAttribute(panel, f.id, ATTR_FORMAT, 5), 0);
        EXPECT_LT(SetCtrlAttribute(panel, f.id, ATTR_PRECISION, -1), 0);
        EXPECT_LT(SetCtrlAttribute(panel, f.id, ATTR_PRECISION, 16), 0);
        EXPECT_EQ(field->text(), "0.1");
    }
    EXPECT_TRUE(recorded.empty());
}

TEST_F(QtUiTest, TitleAttributeSetsTheWindowTitle) {
    EXPECT_EQ(SetPanelAttribute(mainPanel, ATTR_TITLE, "K964 V3        "), 0);
    EXPECT_EQ(ui->panelWidget(mainPanel)->windowTitle(), "K964 V3        ");
}

TEST_F(QtUiTest, LedIsAmberWhenOnAndGreyWhenOff) {
    showAll();
    auto* led = get<Led>(servicePanel, SERVICE_BUSY);
    const std::pair<int, QColor> states[] = {
        {1, Led::kOnColor}, {0, Led::kOffColor}, {7, Led::kOnColor}};
    for (const auto& [value, colour] : states) {
        SCOPED_TRACE(value);
        EXPECT_EQ(SetCtrlVal(servicePanel, SERVICE_BUSY, value), 0);
        int got = -1;
        GetCtrlVal(servicePanel, SERVICE_BUSY, &got);
        EXPECT_EQ(got, value != 0 ? 1 : 0);
        QImage image = led->grab().toImage();
        EXPECT_EQ(image.pixelColor(image.rect().center()).rgb(), colour.rgb());
    }
}

TEST_F(QtUiTest, TextFieldsShowAnyByteOfALineSafely) {
    struct Text {
        const char* bytes;
        QString shown;
    };
    const Text texts[] = {
        {"ok", "ok"},
        {"NO CONNECT", "NO CONNECT"},
        {"u\x01\x1b", QString::fromUtf16(u"u\u2401\u241B")},
        {"\xe9t\xe9", QString::fromUtf16(u"\u00e9t\u00e9")},
        {"M\x85\x7f", QString::fromUtf16(u"M\uFFFD\u2421")},
        {"<b>x</b>", "<b>x</b>"},
    };
    for (const Text& t : texts) {
        SCOPED_TRACE(t.bytes);
        EXPECT_EQ(SetCtrlVal(servicePanel, SERVICE_STATUS, t.bytes), 0);
        EXPECT_EQ(get<QLineEdit>(servicePanel, SERVICE_STATUS)->text(), t.shown);
    }
}

TEST_F(QtUiTest, UnknownHandlesAttributesAndWrongTypesAreRefused) {
    int i = 0;
    double d = 0;
    const std::pair<const char*, std::function<int()>> calls[] = {
        {"value of unknown panel", [] { return SetCtrlVal(99, 2, 1); }},
        {"value of unknown control", [&] { return SetCtrlVal(mainPanel, 99, 1); }},
        {"integer from a text", [&] { return GetCtrlVal(mainPanel, MAIN_STATUS, &i); }},
        {"real from a switch", [&] { return GetCtrlVal(mainPanel, MAIN_CONFIG_BIT0, &d); }},
        {"integer from a real", [&] { return GetCtrlVal(mainPanel, MAIN_LIMIT, &i); }},
        {"real into a text", [&] { return SetCtrlVal(mainPanel, MAIN_STATUS, 1.5); }},
        {"text into a real", [&] { return SetCtrlVal(mainPanel, MAIN_LIMIT, "1.5"); }},
        {"mode beyond the items", [&] { return SetCtrlVal(mainPanel, MAIN_MODE, 3); }},
        {"integer into a button", [&] { return SetCtrlVal(mainPanel, MAIN_READ, 1); }},
        {"precision of a selector",
         [&] { return SetCtrlAttribute(mainPanel, MAIN_MODE, ATTR_PRECISION, 2); }},
        {"unknown attribute", [&] { return SetCtrlAttribute(mainPanel, MAIN_LIMIT, 999, 1); }},
        {"label of a control without one",
         [&] { return SetCtrlAttribute(mainPanel, MAIN_READ, ATTR_LABEL_TEXT, "x"); }},
        {"label attribute as a number",
         [&] { return SetCtrlAttribute(mainPanel, MAIN_LIMIT, ATTR_LABEL_TEXT, 1); }},
        {"unknown panel attribute", [&] { return SetPanelAttribute(mainPanel, 999, "x"); }},
        {"title of unknown panel", [] { return SetPanelAttribute(99, ATTR_TITLE, "x"); }},
        {"show unknown panel", [] { return DisplayPanel(99); }},
        {"hide unknown panel", [] { return HidePanel(99); }},
        {"menu bar of unknown panel", [] { return GetPanelMenuBar(99); }},
        {"label of a control without one, read",
         [&] {
             char text[20];
             return GetCtrlAttribute(mainPanel, MAIN_READ, ATTR_LABEL_TEXT, text);
         }},
        {"precision read as text",
         [&] {
             char text[20];
             return GetCtrlAttribute(mainPanel, MAIN_LIMIT, ATTR_PRECISION, text);
         }},
    };
    for (const auto& [what, call] : calls) {
        SCOPED_TRACE(what);
        EXPECT_LT(call(), 0);
    }
    EXPECT_TRUE(recorded.empty());
}

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
     <widget class="QPushButton" name="OTHER"/>
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
