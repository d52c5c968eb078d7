// Values and attributes as the Qt user interface shows them: formats,
// precisions and labels, the title, the indicator, text of any bytes, and
// what it refuses.
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
        EXPECT_EQ(field->text(), "0.05370");
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

} // namespace
