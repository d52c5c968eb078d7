#include "platform/qt/numeric_field.h"

#include "platform/fmt.h"

#include <QKeyEvent>
#include <algorithm>

NumericField::NumericField(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::editingFinished, this, &NumericField::finishEdit);
    showValue();
}

void NumericField::setValue(double value) {
    value_ = value;
    setRefused(false);
    setNoData(false);
}

void NumericField::setNoData(bool on) {
    if (noData_ != on)
        setEnabled(!on);
    noData_ = on;
    showValue();
}

// A new format leaves refused text as the user typed it.
void NumericField::setSignificant(bool on) {
    significant_ = on;
    if (!refused_)
        showValue();
}

void NumericField::setPrecision(int digits) {
    precision_ = std::clamp(digits, 0, kMaxPrecision);
    if (!refused_)
        showValue();
}

void NumericField::setRefused(bool on) {
    if (refused_ == on)
        return;
    refused_ = on;
    setStyleSheet(on ? QStringLiteral("NumericField { background: #ffd0d0; color: #800000; }")
                     : QString());
    setAccessibleDescription(on ? tr("Not a number") : QString());
}

QString NumericField::formatted() const {
    return format(value_, significant_, precision_);
}

QString NumericField::format(double value, bool significant, int precision) {
    // QString::number ignores the locale: a German desktop still sees '.'
    // as on the transmitter's own display.
    if (!significant)
        return QString::number(value, 'f', precision);
    const QString scientific = QString::number(value, 'e', precision);
    // The exponent after rounding: 9.9996 to four digits is 1.000e+01.
    const qsizetype e = scientific.indexOf(u'e');
    bool ok = false;
    const int exponent = e < 0 ? 0 : scientific.mid(e + 1).toInt(&ok);
    if (!ok || exponent < -4 || exponent > precision)
        return scientific;
    return QString::number(value, 'f', precision - exponent);
}

void NumericField::showValue() {
    setText(noData_ ? tr("no data") : formatted());
}

bool NumericField::parseInput(const QString& text, double* value) {
    QString s = text.trimmed();
    if (s.count(u',') == 1 && !s.contains(u'.')) {
        qsizetype comma = s.indexOf(u',');
        qsizetype digits = 0;
        while (comma + 1 + digits < s.size() && s[comma + 1 + digits].isDigit())
            ++digits;
        QString whole = s.left(comma);
        if (whole.startsWith(u'-') || whole.startsWith(u'+'))
            whole.remove(0, 1);
        bool mayBeGrouping = digits == 3 && !whole.isEmpty() && !whole.startsWith(u'0');
        if (mayBeGrouping)
            return false;
        s[comma] = u'.';
    }
    return ParseReal(s.toUtf8().constData(), value);
}

void NumericField::finishEdit() {
    if (isReadOnly())
        return;
    if (text() == formatted()) {
        setRefused(false);
        return;
    }
    double typed = 0.0;
    if (!parseInput(text(), &typed)) {
        // Kept as typed, so that the technician sees what was not taken;
        // the focus is free to go on.
        setRefused(true);
        return;
    }
    value_ = typed;
    setRefused(false);
    showValue();
    emit committed();
}

void NumericField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !isReadOnly() && text() != formatted()) {
        setRefused(false);
        showValue();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
