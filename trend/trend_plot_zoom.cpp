// The plot's zoom: a rectangle dragged over it, back to the live view by a
// double click or Escape.
#include "trend/trend_plot.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

void TrendPlot::zoomTo(double from, double to, double lo, double hi) {
    if (!(to > from) || !(hi > lo))
        return;
    zoomed_ = true;
    zoomFrom_ = from;
    zoomTo_ = to;
    zoomLo_ = lo;
    zoomHi_ = hi;
    if (zoomChanged_)
        zoomChanged_();
    update();
}

void TrendPlot::resetZoom() {
    zoomed_ = false;
    if (zoomChanged_)
        zoomChanged_();
    update();
}

double TrendPlot::timeAt(double x) const {
    return from_ + (x - area_.left()) / area_.width() * (to_ - from_);
}

double TrendPlot::valueAt(double y) const {
    return lo_ + (area_.bottom() - y) / area_.height() * (hi_ - lo_);
}

void TrendPlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !area_.contains(event->position())) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    dragFrom_ = dragTo_ = event->position().toPoint();
}

void TrendPlot::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    const QPointF at = event->position();
    dragTo_ = QPointF(std::clamp(at.x(), area_.left(), area_.right()),
                      std::clamp(at.y(), area_.top(), area_.bottom()))
                  .toPoint();
    update();
}

void TrendPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    mouseMoveEvent(event);
    dragging_ = false;
    const QRect r = QRect(dragFrom_, dragTo_).normalized();
    if (r.width() >= kLeastDrag) {
        const bool values = r.height() >= kLeastDrag;
        zoomTo(timeAt(r.left()), timeAt(r.right()), values ? valueAt(r.bottom()) : lo_,
               values ? valueAt(r.top()) : hi_);
    }
    update();
}

void TrendPlot::mouseDoubleClickEvent(QMouseEvent* event) {
    (void)event;
    dragging_ = false;
    resetZoom();
}

void TrendPlot::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && zoomed_) {
        resetZoom();
        return;
    }
    QWidget::keyPressEvent(event);
}
