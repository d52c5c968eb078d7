#include "trend/trend_widget.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const QColor kValueColour(0, 90, 170);
const QColor kU1Colour(200, 110, 0);

struct Range {
    double lo = INFINITY;
    double hi = -INFINITY;
    void take(double v) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    // Never empty: a flat line sits in the middle.
    void settle() {
        if (!std::isfinite(lo)) {
            lo = 0.0;
            hi = 1.0;
        }
        double pad = (hi - lo) * 0.1;
        if (pad <= 0.0)
            pad = std::max(std::fabs(hi) * 0.01, 0.01);
        lo -= pad;
        hi += pad;
    }
};

QString scaleText(double v) {
    return QString::number(v, 'g', 4);
}

} // namespace

TrendPlot::TrendPlot(const Trend& trend, std::function<double()> now, QWidget* parent)
    : QWidget(parent), trend_(trend), now_(std::move(now)) {
    setAccessibleName(QStringLiteral("Trend"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TrendPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    const QFontMetrics fm = p.fontMetrics();
    const double now = now_();
    const std::vector<TrendPoint> pts = trend_.points(now);
    Range value, u1;
    for (const TrendPoint& pt : pts) {
        value.take(pt.value);
        u1.take(pt.u1);
    }
    value.settle();
    u1.settle();
    // Each scale as wide as its own numbers.
    auto widest = [&](const Range& r, const QString& name) {
        return std::max({fm.horizontalAdvance(scaleText(r.hi)),
                         fm.horizontalAdvance(scaleText(r.lo)), fm.horizontalAdvance(name)}) +
               6;
    };
    const int left = widest(value, QString::fromUtf8(trend_.unit()));
    const int right = widest(u1, QStringLiteral("u1"));
    // The texts drawn, for whoever cannot see them.
    const QString told =
        tr("%1 from %2 to %3, u1 from %4 to %5, %6 to %7")
            .arg(QString::fromUtf8(trend_.unit()), scaleText(value.lo), scaleText(value.hi),
                 scaleText(u1.lo), scaleText(u1.hi), tr("-10 min"), tr("now"));
    if (accessibleDescription() != told)
        setAccessibleDescription(told);
    const QRectF area(left, fm.height(), width() - left - right, height() - 2.5 * fm.height());
    if (area.width() < 10 || area.height() < 10)
        return;

    p.setPen(palette().mid().color());
    p.drawRect(area);
    // One vertical line a minute, labelled at the ends.
    for (int m = 1; m < 10; ++m) {
        const double x = area.left() + area.width() * m / 10.0;
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    p.setPen(palette().text().color());
    const double base = area.bottom() + fm.ascent() + 2;
    p.drawText(QPointF(area.left(), base), tr("-10 min"));
    p.drawText(QPointF(area.right() - fm.horizontalAdvance(tr("now")), base), tr("now"));

    auto x = [&](double t) {
        return area.left() + area.width() * (1.0 - (now - t) / Trend::kSpanSeconds);
    };
    auto y = [&](double v, const Range& r) {
        return area.bottom() - area.height() * (v - r.lo) / (r.hi - r.lo);
    };

    p.setPen(kValueColour);
    p.drawText(QPointF(2, area.top() + fm.ascent()), scaleText(value.hi));
    p.drawText(QPointF(2, area.bottom()), scaleText(value.lo));
    p.drawText(QPointF(2, area.top() - 2), QString::fromUtf8(trend_.unit()));
    p.setPen(kU1Colour);
    p.drawText(QPointF(area.right() + 4, area.top() + fm.ascent()), scaleText(u1.hi));
    p.drawText(QPointF(area.right() + 4, area.bottom()), scaleText(u1.lo));
    p.drawText(QPointF(area.right() + 4, area.top() - 2), QStringLiteral("u1"));

    // A dashed line where a new segment (measuring mode) begins.
    QPen dashed(palette().text().color(), 1, Qt::DashLine);
    for (std::size_t i = 1; i < pts.size(); ++i) {
        if (pts[i].segment != pts[i - 1].segment) {
            p.setPen(dashed);
            p.drawLine(QPointF(x(pts[i].t), area.top()), QPointF(x(pts[i].t), area.bottom()));
        }
    }

    auto series = [&](double TrendPoint::*field, const Range& r, const QColor& colour) {
        QPainterPath path;
        for (const TrendPoint& pt : pts) {
            const QPointF at(x(pt.t), y(pt.*field, r));
            if (pt.joined)
                path.lineTo(at);
            else
                path.moveTo(at);
        }
        p.setPen(QPen(colour, 1.5));
        p.drawPath(path);
        // A single point between gaps is still seen.
        p.setBrush(colour);
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const bool alone = !pts[i].joined && (i + 1 == pts.size() || !pts[i + 1].joined);
            if (alone)
                p.drawEllipse(QPointF(x(pts[i].t), y(pts[i].*field, r)), 1.5, 1.5);
        }
        p.setBrush(Qt::NoBrush);
    };
    p.setClipRect(area);
    series(&TrendPoint::u1, u1, kU1Colour);
    series(&TrendPoint::value, value, kValueColour);
}

TrendView::TrendView(const Trend& trend, std::function<double()> now, QWidget* parent)
    : QWidget(parent), trend_(trend), now_(now), plot_(new TrendPlot(trend, now, this)),
      stability_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_, 1);
    // "stable ±" over the number and unit: the plot keeps the width.
    stability_->setFixedWidth(
        stability_->fontMetrics().horizontalAdvance(QStringLiteral("0.000123 ppm")) + 4);
    stability_->setWordWrap(true);
    layout->addWidget(stability_);
    auto* timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    timer->start();
    refresh();
}

void TrendView::refresh() {
    const Stability s = trend_.stability(now_());
    stability_->setText(QString::fromStdString(s.text));
    const QString why = s.stable ? QString()
                                 : tr("Stable once the main value stays within "
                                      "0.5 % (at least 0.01) for 30 s");
    stability_->setToolTip(why);
    // The text is the label's name; what it is, and why, its description.
    stability_->setAccessibleDescription(why.isEmpty()
                                             ? tr("Stability of the main value")
                                             : tr("Stability of the main value. %1").arg(why));
    plot_->update();
}
