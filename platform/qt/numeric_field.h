// A field for a real number that keeps the exact value it was given or the
// user typed. Display format and precision change only what is shown: a zero
// point of 0.0537 shown as "0.1" still goes back to the transmitter as 0.0537.
//
// The two formats: fixed-point, `precision` digits after the point; and
// significant digits, `precision` + 1 of them as in the mantissa of
// scientific notation, written out in fixed-point where the value's size
// allows that without inventing digits (1e-4 <= |v| < 10^(precision + 1):
// "0.05370", "20.90", "1234") and in e-notation otherwise ("1.235e+04").
#pragma once

#include <QLineEdit>

class NumericField : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue)
    Q_PROPERTY(bool significant READ significant WRITE setSignificant)
    Q_PROPERTY(int precision READ precision WRITE setPrecision)

  public:
    explicit NumericField(QWidget* parent = nullptr);

    double value() const { return value_; }
    // Programmatic: shows the value and emits nothing.
    void setValue(double value);
    // Significant digits ("0.05370") or fixed-point ("0.054") display.
    bool significant() const { return significant_; }
    void setSignificant(bool on);
    // Digits after the decimal point, 0 to kMaxPrecision.
    int precision() const { return precision_; }
    void setPrecision(int digits);

    static constexpr int kMaxPrecision = 15;

    // A live value that is not live: "no data", greyed, until the next
    // setValue. value() is still the one held before.
    bool noData() const { return noData_; }
    void setNoData(bool on);

    // The field holds text the user typed that is not a number: the text
    // stays, marked, and value() is still the one held before. A new value,
    // valid input or Escape ends it.
    bool refused() const { return refused_; }

    // Reads a technician's input: the number grammar of the command set, or
    // the same with one decimal comma in place of the point, as a German
    // technician types it ("0,5" is 0.5), except where the comma may be a
    // thousands separator ("1,000" is refused: a thousand or one?).
    static bool parseInput(const QString& text, double* value);
    // A value as a field of that format and precision shows it.
    static QString format(double value, bool significant, int precision);

    // Takes or refuses the text being edited, as leaving the field does;
    // nothing when the text is the value shown.
    void finishEdit();

  signals:
    // The user finished an edit that changed the text to a valid number;
    // nothing is emitted for refused text.
    void committed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void showValue();
    void setRefused(bool on);
    QString formatted() const;

    double value_ = 0.0;
    bool significant_ = false;
    int precision_ = 2;
    bool refused_ = false;
    bool noData_ = false;
};
