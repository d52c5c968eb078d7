// A field for a real number that keeps the exact value it was given or the
// user typed. Display format and precision change only what is shown: a zero
// point of 0.0537 shown as "0.1" still goes back to the transmitter as 0.0537.
#pragma once

#include <QLineEdit>

class NumericField : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue)
    Q_PROPERTY(bool scientific READ scientific WRITE setScientific)
    Q_PROPERTY(int precision READ precision WRITE setPrecision)

  public:
    explicit NumericField(QWidget* parent = nullptr);

    double value() const { return value_; }
    // Programmatic: shows the value and emits nothing.
    void setValue(double value);
    // Scientific ("5.370e-02") or fixed-point ("0.054") display.
    bool scientific() const { return scientific_; }
    void setScientific(bool on);
    // Digits after the decimal point, 0 to kMaxPrecision.
    int precision() const { return precision_; }
    void setPrecision(int digits);

    static constexpr int kMaxPrecision = 15;

    // Reads a technician's input: the number grammar of the command set, or
    // the same with a decimal comma where the comma cannot be a thousands
    // separator ("0,05" yes; "1,000" is refused, it might mean a thousand).
    static bool parseInput(const QString& text, double* value);

  signals:
    // The user finished an edit that changed the text to a valid number.
    void committed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void finishEdit();
    void showValue();
    QString formatted() const;

    double value_ = 0.0;
    bool scientific_ = false;
    int precision_ = 2;
};
