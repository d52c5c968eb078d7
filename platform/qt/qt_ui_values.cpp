// The values and attributes of controls as the Qt user interface shows
// them: SetCtrlVal, GetCtrlVal, SetCtrlAttribute and GetCtrlAttribute.
#include "platform/qt/qt_ui.h"

#include "platform/qt/led.h"
#include "platform/qt/numeric_field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QSpinBox>

namespace {

// While a callback waits on the line the event loop does not run: paint now
// so that "GET", "SAVE" and the busy indicator are seen during the wait.
void repaintNow(QWidget* widget) {
    if (widget->isVisible())
        widget->repaint();
}

// The label text without its mnemonic marks ("Constant &8" is "Constant 8").
QString withoutMnemonic(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

} // namespace

int QtUi::setCtrlVal(int panel, int control, int value) {
    QWidget* w = this->control(panel, control);
    if (auto* sw = qobject_cast<QCheckBox*>(w)) {
        sw->setChecked(value != 0);
    } else if (auto* selector = qobject_cast<QComboBox*>(w)) {
        if (value < 0 || value >= selector->count())
            return UIE_BAD_HANDLE;
        selector->setCurrentIndex(value);
    } else if (auto* field = qobject_cast<NumericField*>(w)) {
        field->setValue(value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setValue(value);
    } else if (auto* led = qobject_cast<Led*>(w)) {
        led->setOn(value != 0);
    } else {
        return UIE_BAD_HANDLE;
    }
    repaintNow(w);
    return 0;
}

int QtUi::setCtrlVal(int panel, int control, double value) {
    auto* field = qobject_cast<NumericField*>(this->control(panel, control));
    if (!field)
        return UIE_BAD_HANDLE;
    field->setValue(value);
    repaintNow(field);
    return 0;
}

int QtUi::setCtrlVal(int panel, int control, const char* value) {
    QWidget* w = this->control(panel, control);
    auto* line = qobject_cast<QLineEdit*>(w);
    if (line && !qobject_cast<NumericField*>(w)) {
        line->setText(displayText(value));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(displayText(value));
    } else {
        return UIE_BAD_HANDLE;
    }
    repaintNow(w);
    return 0;
}

int QtUi::getCtrlInt(int panel, int control, int* value) {
    QWidget* w = this->control(panel, control);
    if (auto* sw = qobject_cast<QCheckBox*>(w))
        *value = sw->isChecked() ? 1 : 0;
    else if (auto* selector = qobject_cast<QComboBox*>(w))
        *value = selector->currentIndex();
    else if (auto* spin = qobject_cast<QSpinBox*>(w))
        *value = spin->value();
    else if (auto* led = qobject_cast<Led*>(w))
        *value = led->isOn() ? 1 : 0;
    else
        return UIE_BAD_HANDLE;
    return 0;
}

int QtUi::getCtrlReal(int panel, int control, double* value) {
    auto* field = qobject_cast<NumericField*>(this->control(panel, control));
    if (!field)
        return UIE_BAD_HANDLE;
    *value = field->value();
    return field->refused() ? UIE_NOT_A_NUMBER : 0;
}

int QtUi::setCtrlAttribute(int panel, int control, int attribute, int value) {
    auto* field = qobject_cast<NumericField*>(this->control(panel, control));
    if (!field)
        return UIE_BAD_HANDLE;
    if (attribute == ATTR_FORMAT && value == VAL_SCIENTIFIC_FORMAT)
        field->setSignificant(true);
    else if (attribute == ATTR_FORMAT && value == VAL_FLOATING_PT_FORMAT)
        field->setSignificant(false);
    else if (attribute == ATTR_PRECISION && value >= 0 && value <= NumericField::kMaxPrecision)
        field->setPrecision(value);
    else if (attribute == ATTR_NO_DATA)
        field->setNoData(value != 0);
    else
        return UIE_BAD_HANDLE;
    repaintNow(field);
    return 0;
}

QLabel* QtUi::labelOf(int panel, QWidget* control) const {
    for (QLabel* label : find(panel)->widget->findChildren<QLabel*>()) {
        if (label->buddy() == control)
            return label;
    }
    return nullptr;
}

int QtUi::setCtrlAttribute(int panel, int control, int attribute, const char* value) {
    QWidget* w = this->control(panel, control);
    if (w && attribute == ATTR_TOOLTIP_TEXT) {
        w->setToolTip(displayText(value));
        return 0;
    }
    QLabel* label = w && attribute == ATTR_LABEL_TEXT ? labelOf(panel, w) : nullptr;
    if (!label)
        return UIE_BAD_HANDLE;
    QString text = displayText(value);
    label->setText(text);
    w->setAccessibleName(text.trimmed());
    repaintNow(label);
    return 0;
}

int QtUi::getCtrlAttribute(int panel, int control, int attribute, char* value, int size) {
    QWidget* w = this->control(panel, control);
    QString text;
    if (w && attribute == ATTR_TOOLTIP_TEXT) {
        text = w->toolTip();
    } else if (QLabel* label = w && attribute == ATTR_LABEL_TEXT ? labelOf(panel, w) : nullptr) {
        text = withoutMnemonic(label->text());
    } else {
        return UIE_BAD_HANDLE;
    }
    QByteArray bytes = text.toLatin1();
    std::snprintf(value, static_cast<std::size_t>(size), "%s", bytes.constData());
    return 0;
}

QString QtUi::displayText(const char* bytes) {
    QString text;
    for (const char* p = bytes; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c < 0x20)
            text += QChar(0x2400 + c); // control pictures: a CR shows as U+240D
        else if (c == 0x7F)
            text += QChar(0x2421);
        else if (c >= 0x80 && c < 0xA0)
            text += QChar(QChar::ReplacementCharacter);
        else
            text += QLatin1Char(static_cast<char>(c));
    }
    return text;
}
