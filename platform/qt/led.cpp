#include "platform/qt/led.h"

#include <QPainter>
#include <algorithm>

const QColor Led::kOffColor(140, 140, 140);
const QColor Led::kOnColor(255, 176, 0);

Led::Led(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Led::setOn(bool on) {
    if (on_ == on)
        return;
    on_ = on;
    update();
}

void Led::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = on_ ? kOnColor : kOffColor;
    painter.setPen(QPen(fill.darker(160), 1.0));
    painter.setBrush(fill);
    int side = std::min(width(), height()) - 2;
    painter.drawEllipse(QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side));
}
