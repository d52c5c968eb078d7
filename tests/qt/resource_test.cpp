// The real K964_Vx.uir held to what the program expects of it (damaged
// files: damaged_resource_test.cpp).
#include "platform/qt/led.h"
#include "platform/qt/numeric_field.h"
#include "qt_fixture.h"
#include "ui/contract.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

bool hasKind(QObject* object, CtrlKind kind) {
    switch (kind) {
    case CtrlKind::Switch:
        return qobject_cast<QCheckBox*>(object);
    case CtrlKind::Selector:
        return qobject_cast<QComboBox*>(object);
    case CtrlKind::Real:
        return qobject_cast<NumericField*>(object);
    case CtrlKind::Integer: {
        auto* spin = qobject_cast<QSpinBox*>(object);
        return spin && spin->minimum() == INT_MIN && spin->maximum() == INT_MAX;
    }
    case CtrlKind::Text: {
        auto* line = qobject_cast<QLineEdit*>(object);
        return (line && line->isReadOnly() && !qobject_cast<NumericField*>(object)) ||
               qobject_cast<QLabel*>(object);
    }
    case CtrlKind::Indicator:
        return qobject_cast<Led*>(object);
    case CtrlKind::Command:
        return qobject_cast<QPushButton*>(object);
    case CtrlKind::Timer:
        return object->isWidgetType() && object->property("interval").isValid();
    case CtrlKind::MenuItem:
        return qobject_cast<QAction*>(object);
    }
    return false;
}

QString caption(QString text) {
    return text.remove(u'&').trimmed();
}

QLabel* buddyOf(QWidget* panel, QWidget* control) {
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->buddy() == control)
            return label;
    }
    return nullptr;
}

class ResourceTest : public QtFixture {
  protected:
    void SetUp() override {
        QtFixture::SetUp();
        loadAll();
    }

    int handleOf(int resource) const {
        return resource == PANEL_MAIN ? mainPanel : resource == PANEL_COM ? comPanel : servicePanel;
    }
};

TEST_F(ResourceTest, EveryControlOfTheContractIsThereWithItsKindAndCallback) {
    for (int i = 0; i < kControlCount; ++i) {
        const CtrlContract& c = kControls[i];
        SCOPED_TRACE(c.name);
        QObject* object =
            c.kind == CtrlKind::MenuItem
                ? static_cast<QObject*>(ui->menuItem(GetPanelMenuBar(mainPanel), c.id))
                : ui->control(handleOf(c.panel), c.id);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->objectName(), QString::fromLatin1(c.name));
        EXPECT_TRUE(hasKind(object, c.kind));
        QVariant callback = object->property("callback");
        if (c.callback)
            EXPECT_EQ(callback.toString(), QString::fromLatin1(c.callback));
        else
            EXPECT_FALSE(callback.isValid());
    }
}

TEST_F(ResourceTest, NothingOutsideTheContractCarriesAnIdOrACallback) {
    for (int resource : {PANEL_MAIN, PANEL_COM, PANEL_SERVICE}) {
        QWidget* panel = ui->panelWidget(handleOf(resource));
        QWidget* comWidget = ui->panelWidget(comPanel);
        for (QObject* object : panel->findChildren<QObject*>()) {
            if (resource != PANEL_COM &&
                (object == comWidget || comWidget->isAncestorOf(qobject_cast<QWidget*>(object))))
                continue;
            if (!object->property("ctrlId").isValid() && !object->property("callback").isValid())
                continue;
            SCOPED_TRACE(object->objectName().toStdString());
            const CtrlContract* match = nullptr;
            for (int i = 0; i < kControlCount; ++i) {
                if (kControls[i].panel == resource &&
                    object->objectName() == QLatin1String(kControls[i].name))
                    match = &kControls[i];
            }
            ASSERT_NE(match, nullptr);
            EXPECT_EQ(object->property("ctrlId").toInt(), match->id);
        }
    }
}

TEST_F(ResourceTest, PanelsCarryTheirResourceNumbersAndCallbacks) {
    for (int i = 0; i < kPanelCount; ++i) {
        const PanelContract& p = kPanels[i];
        SCOPED_TRACE(p.name);
        QWidget* panel = ui->panelWidget(handleOf(p.resource));
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->objectName(), QString::fromLatin1(p.name));
        EXPECT_EQ(panel->property("panelResource").toInt(), p.resource);
        QVariant callback = panel->property("callback");
        if (p.callback)
            EXPECT_EQ(callback.toString(), QString::fromLatin1(p.callback));
        else
            EXPECT_FALSE(callback.isValid());
    }
}

TEST_F(ResourceTest, MainPanelIsAWindowWithTheServiceItemInItsMenuBar) {
    auto* window = qobject_cast<QMainWindow*>(ui->panelWidget(mainPanel));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(ui->panelWidget(servicePanel)->isWindow());
    EXPECT_GT(GetPanelMenuBar(mainPanel), 0);
    EXPECT_EQ(GetPanelMenuBar(servicePanel), 0);
    QAction* item = serviceItem();
    ASSERT_NE(item, nullptr);
    auto* bar = qobject_cast<QMenuBar*>(window->menuWidget());
    ASSERT_NE(bar, nullptr);
    bool inMenu = false;
    for (QAction* top : bar->actions()) {
        if (top->menu() && top->menu()->actions().contains(item))
            inMenu = caption(top->text()) == "Service";
    }
    EXPECT_TRUE(inMenu);
    // The line trace and the service record follow the panel in that menu.
    QMenu* service = nullptr;
    for (QAction* top : bar->actions()) {
        if (top->menu() && top->menu()->actions().contains(item))
            service = top->menu();
    }
    ASSERT_NE(service, nullptr);
    // The calibration's two after a separator; the settings files in File.
    const QList<QAction*> items = service->actions();
    ASSERT_EQ(items.size(), 6);
    EXPECT_TRUE(items[3]->isSeparator());
    QMenu* file = bar->findChild<QMenu*>(QStringLiteral("fileMenu"));
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->actions().size(), 3);
    const struct {
        QAction* action;
        int id;
        const char* text;
    } rows[] = {
        {items[1], MENUBAR_LINE_TRACE, "Line trace"},
        {items[2], MENUBAR_SERVICE_RECORD, "Save service record..."},
        {items[4], MENUBAR_CALIBRATE, "Calibrate..."},
        {items[5], MENUBAR_HISTORY, "Calibration history..."},
        {file->actions()[0], MENUBAR_SAVE_SETTINGS, "Save transmitter settings..."},
        {file->actions()[1], MENUBAR_COMPARE_SETTINGS, "Compare transmitter settings..."},
        {file->actions()[2], MENUBAR_WRITE_SETTINGS, "Write settings from file..."},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.action, ui->menuItem(GetPanelMenuBar(mainPanel), row.id)) << row.text;
        EXPECT_EQ(caption(row.action->text()), row.text);
    }
}

TEST_F(ResourceTest, ModeSelectorOffersTheThreeModesInOrder) {
    auto* mode = get<QComboBox>(mainPanel, MAIN_MODE);
    ASSERT_EQ(mode->count(), 3);
    EXPECT_EQ(mode->itemText(0), "Oxygen ppm");
    EXPECT_EQ(mode->itemText(1), "Oxygen ppm, linear");
    EXPECT_EQ(mode->itemText(2), "Sensor voltage mV");
}

TEST_F(ResourceTest, LiveValuesAreIndicatorsAndEverythingTheUserEntersIsEditable) {
    struct Field {
        int panel;
        int id;
        bool readOnly;
    };
    const Field fields[] = {
        {PANEL_SERVICE, SERVICE_U1_VALUE, true}, {PANEL_SERVICE, SERVICE_U5_VALUE, true},
        {PANEL_SERVICE, SERVICE_U9_VALUE, true}, {PANEL_SERVICE, SERVICE_OXYGEN, true},
        {PANEL_SERVICE, SERVICE_CAL_8, false},   {PANEL_SERVICE, SERVICE_CAL_9, false},
        {PANEL_SERVICE, SERVICE_CAL_0, false},   {PANEL_MAIN, MAIN_ZERO_POINT, false},
        {PANEL_MAIN, MAIN_END_MARK, false},      {PANEL_MAIN, MAIN_LIMIT, false},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.id);
        auto* field = get<NumericField>(handleOf(f.panel), f.id);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->isReadOnly(), f.readOnly);
    }
}

TEST_F(ResourceTest, EveryControlHasItsCaptionAsAccessibleName) {
    for (int i = 0; i < kControlCount; ++i) {
        const CtrlContract& c = kControls[i];
        SCOPED_TRACE(c.name);
        if (c.kind == CtrlKind::Timer || c.kind == CtrlKind::MenuItem)
            continue;
        QWidget* control = ui->control(handleOf(c.panel), c.id);
        ASSERT_NE(control, nullptr);
        QString shown;
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            shown = button->text();
        } else {
            QLabel* label = buddyOf(ui->panelWidget(handleOf(c.panel)), control);
            ASSERT_NE(label, nullptr);
            shown = label->text();
        }
        EXPECT_FALSE(control->accessibleName().isEmpty());
        EXPECT_EQ(control->accessibleName(), caption(shown));
    }
}

QRect placeIn(QWidget* window, QWidget* w) {
    return {w->mapTo(window, QPoint(0, 0)), w->size()};
}

// Each Tab moves right along a row or down to a later one, from the control
// read first around the ring to the control read last.
void expectReadingOrder(QWidget* window) {
    std::vector<QWidget*> ring;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        bool insideAnother = (w->parentWidget()->focusPolicy() & Qt::TabFocus) != 0;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && !insideAnother)
            ring.push_back(w);
    }
    ASSERT_GE(ring.size(), 2u);
    auto first = std::min_element(ring.begin(), ring.end(), [window](QWidget* a, QWidget* b) {
        QRect ra = placeIn(window, a);
        QRect rb = placeIn(window, b);
        return ra.top() != rb.top() ? ra.top() < rb.top() : ra.left() < rb.left();
    });
    std::rotate(ring.begin(), first, ring.end());
    for (std::size_t i = 1; i < ring.size(); ++i) {
        QRect a = placeIn(window, ring[i - 1]);
        QRect b = placeIn(window, ring[i]);
        SCOPED_TRACE(ring[i - 1]->objectName().toStdString() + " -> " +
                     ring[i]->objectName().toStdString());
        bool sameRow = (b.center().y() >= a.top() && b.center().y() <= a.bottom()) ||
                       (a.center().y() >= b.top() && a.center().y() <= b.bottom());
        if (sameRow)
            EXPECT_GT(b.left(), a.left());
        else
            EXPECT_GT(b.center().y(), a.center().y());
    }
}

TEST_F(ResourceTest, TabOrderFollowsTheReadingOrder) {
    for (int panel : {mainPanel, comPanel, servicePanel})
        DisplayPanel(panel);
    for (int panel : {mainPanel, servicePanel}) {
        QWidget* window = ui->panelWidget(panel);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        SCOPED_TRACE(window->objectName().toStdString());
        expectReadingOrder(window);
    }
    // The COM port comes first: it is what the technician does first.
    QWidget* main = ui->panelWidget(mainPanel);
    EXPECT_TRUE(ui->panelWidget(comPanel)->isAncestorOf(main->focusWidget()));
}

TEST_F(ResourceTest, ComPortPanelConfirmsWithItsDefaultButton) {
    EXPECT_TRUE(get<QPushButton>(comPanel, COM_OK)->isDefault());
}

TEST_F(ResourceTest, PollTimerRunsFromLoadingBehindAHiddenPlaceholder) {
    QWidget* placeholder = ui->control(servicePanel, POLL_TIMER);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_TRUE(placeholder->isHidden());
    auto* timer = placeholder->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), placeholder->property("interval").toInt());
}

} // namespace
