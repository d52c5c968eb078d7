// The numeric field keeps the exact value; format and precision only change
// what is shown, and the technician's input is read without locale surprises.
#include "platform/qt/numeric_field.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct Shown {
    double value;
    bool significant;
    int precision;
    const char* text;
};

TEST(NumericFieldTest, ShowsTheValueInTheChosenFormat) {
    const Shown cases[] = {
        {0.0537, true, 3, "0.05370"},
        {0.0537, false, 1, "0.1"},
        {0.0537, false, 3, "0.054"},
        {20.9, true, 3, "20.90"},
        {-1234.5678, true, 2, "-1.23e+03"},
        {-1234.5678, true, 3, "-1235"},
        {0.0, true, 3, "0.000"},
        {9.9996, true, 3, "10.00"},
        {999.96, true, 3, "1000"},
        {12346.0, true, 3, "1.235e+04"},
        {0.00012346, true, 3, "0.0001235"},
        {0.000012346, true, 3, "1.235e-05"},
        {0.0, false, 1, "0.0"},
        {209.0, false, 0, "209"},
        {1.25e-300, true, 1, "1.2e-300"},
        {-0.04, false, 1, "-0.0"},
        {123456.789, false, 2, "123456.79"},
    };
    NumericField field;
    for (const Shown& c : cases) {
        SCOPED_TRACE(c.text);
        field.setValue(c.value);
        field.setSignificant(c.significant);
        field.setPrecision(c.precision);
        EXPECT_EQ(field.text(), c.text);
        EXPECT_EQ(field.value(), c.value);
    }
}

TEST(NumericFieldTest, FormatAndPrecisionNeverChangeTheValue) {
    NumericField field;
    field.setValue(0.0537);
    for (int digits : {0, 1, 3, 15, 2}) {
        for (bool significant : {true, false}) {
            field.setSignificant(significant);
            field.setPrecision(digits);
            EXPECT_EQ(field.value(), 0.0537);
        }
    }
    field.setSignificant(false);
    field.setPrecision(1);
    EXPECT_EQ(field.text(), "0.1");
    EXPECT_EQ(field.value(), 0.0537);
}

TEST(NumericFieldTest, PrecisionStaysWithinWhatADoubleCanShow) {
    NumericField field;
    field.setPrecision(-3);
    EXPECT_EQ(field.precision(), 0);
    field.setPrecision(40);
    EXPECT_EQ(field.precision(), NumericField::kMaxPrecision);
}

TEST(NumericFieldTest, ShowsAPointUnderAGermanLocale) {
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // where installed
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    NumericField field;
    field.setSignificant(true);
    field.setPrecision(3);
    field.setValue(20.9);
    QString significant = field.text();
    field.setSignificant(false);
    QString fixed = field.text();
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(significant, "20.90");
    EXPECT_EQ(fixed, "20.900");
}

struct Input {
    const char* text;
    bool valid;
    double value;
};

TEST(NumericFieldTest, ReadsTheNumberGrammarAndAnUnambiguousDecimalComma) {
    const Input inputs[] = {
        {"2.5", true, 2.5},    {" 1e-3 ", true, 0.001},  {"-4.75E+02", true, -475.0},
        {"+7", true, 7.0},     {"0,05", true, 0.05},     {"-0,5", true, -0.5},
        {"0,5", true, 0.5},    {"12,75", true, 12.75},   {"1,5e3", true, 1500.0},
        {"0,050", true, 0.05}, {"1,0005", true, 1.0005}, {"2,5e-2", true, 0.025},
        {"1,000", false, 0},   {"-12,345", false, 0},    {"1,2,3", false, 0},
        {"1.5,2", false, 0},   {"1.5.2", false, 0},      {"", false, 0},
        {"abc", false, 0},     {"nan", false, 0},        {"inf", false, 0},
        {"0x10", false, 0},    {"5 ppm", false, 0},
    };
    for (const Input& in : inputs) {
        SCOPED_TRACE(in.text);
        double value = -99.0;
        EXPECT_EQ(NumericField::parseInput(QString::fromLatin1(in.text), &value), in.valid);
        EXPECT_EQ(value, in.valid ? in.value : -99.0);
    }
}

// A field in a window that has the keyboard.
class NumericFieldEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(200, 60);
        field = new NumericField(&window);
        other = new QLineEdit(&window);
        other->move(0, 30);
        field->setPrecision(1);
        field->setValue(0.0537);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        field->setFocus();
    }

    void type(const char* text) {
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    QWidget window;
    NumericField* field = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(NumericFieldEditTest, PassingThroughKeepsTheExactValue) {
    QSignalSpy committed(field, &NumericField::committed);
    EXPECT_EQ(field->text(), "0.1");
    QTest::keyClick(field, Qt::Key_Return);
    other->setFocus();
    EXPECT_EQ(field->value(), 0.0537);
    EXPECT_EQ(committed.count(), 0);
}

TEST_F(NumericFieldEditTest, RetypingTheShownTextKeepsTheExactValue) {
    QSignalSpy committed(field, &NumericField::committed);
    type("0.1");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->value(), 0.0537);
    EXPECT_EQ(committed.count(), 0);
}

TEST_F(NumericFieldEditTest, AnEditTakesTheTypedValueExactly) {
    QSignalSpy committed(field, &NumericField::committed);
    type("0.0549");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->value(), 0.0549);
    EXPECT_EQ(field->text(), "0.1");
    EXPECT_EQ(committed.count(), 1);
}

TEST_F(NumericFieldEditTest, LeavingTheFieldFinishesTheEdit) {
    QSignalSpy committed(field, &NumericField::committed);
    type("3,5");
    other->setFocus();
    EXPECT_EQ(field->value(), 3.5);
    EXPECT_EQ(committed.count(), 1);
}

TEST_F(NumericFieldEditTest, TextThatIsNotANumberStaysMarkedAndIsNotTaken) {
    QSignalSpy committed(field, &NumericField::committed);
    for (const char* text : {"1,000", "5 ppm"}) {
        SCOPED_TRACE(text);
        type(text);
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(field->text(), text) << "not silently put back";
        EXPECT_TRUE(field->refused());
        EXPECT_EQ(field->value(), 0.0537);
        EXPECT_FALSE(field->styleSheet().isEmpty()) << "marked";
    }
    // The focus is free to go, and the text stays.
    other->setFocus();
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(field->text(), "5 ppm");
    // A new format keeps the text; a new value replaces it.
    field->setPrecision(3);
    EXPECT_EQ(field->text(), "5 ppm");
    field->setValue(0.25);
    EXPECT_FALSE(field->refused());
    EXPECT_TRUE(field->styleSheet().isEmpty());
    EXPECT_EQ(field->text(), "0.250");
    EXPECT_EQ(committed.count(), 0);
}

TEST_F(NumericFieldEditTest, ANumberTypedOverRefusedTextIsTaken) {
    QSignalSpy committed(field, &NumericField::committed);
    type("abc");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(field->refused());
    type("0,5");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(field->refused());
    EXPECT_EQ(field->value(), 0.5);
    EXPECT_EQ(committed.count(), 1);
    type("x");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->refused());
    EXPECT_EQ(field->text(), "0.5");
}

TEST_F(NumericFieldEditTest, EscapeDropsTheEdit) {
    QSignalSpy committed(field, &NumericField::committed);
    type("7");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), "0.1");
    other->setFocus();
    EXPECT_EQ(field->value(), 0.0537);
    EXPECT_EQ(committed.count(), 0);
}

TEST_F(NumericFieldEditTest, ReadOnlyFieldTakesNoInput) {
    QSignalSpy committed(field, &NumericField::committed);
    field->setReadOnly(true);
    type("9");
    QTest::keyClick(field, Qt::Key_Return);
    other->setFocus();
    EXPECT_EQ(field->text(), "0.1");
    EXPECT_EQ(field->value(), 0.0537);
    EXPECT_EQ(committed.count(), 0);
}

TEST_F(NumericFieldEditTest, ProgrammaticValuesCommitNothing) {
    QSignalSpy committed(field, &NumericField::committed);
    field->setValue(4.0);
    field->setPrecision(3);
    field->setSignificant(true);
    other->setFocus();
    EXPECT_EQ(committed.count(), 0);
    EXPECT_EQ(field->value(), 4.0);
}

} // namespace
