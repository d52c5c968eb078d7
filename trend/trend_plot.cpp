#include "trend/trend_plot.h"

#include "trend/trend_scale.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const QColor kValueColour(0, 90, 170);
const QColor kU1Colour(200, 110, 0);
const QColor kNoDataColour(140, 140, 140);
// u1 is auto-scaled over at least this many mV.
constexpr double kLeastU1Span = 0.1;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString unitName(int mode) {
    const char* unit = Trend::unitOf(mode);
    return *unit ? QString::fromUtf8(unit) : QObject::tr("unit not read");
}

QString markerText(const TrendMarker& m) {
    switch (m.kind) {
    case TrendMarker::Zero:
        return QObject::tr("Zero");
    case TrendMarker::Span:
        return QObject::tr("Span");
    case TrendMarker::Store:
        return QObject::tr("Store");
    case TrendMarker::Mode:
        break;
    }
    return QObject::tr("Mode %1 (%2)").arg(m.mode).arg(unitName(m.mode));
}

QPen markerPen(const TrendMarker& m, const QColor& text) {
    switch (m.kind) {
    case TrendMarker::Zero:
        return QPen(QColor(0, 140, 60), 1.5);
    case TrendMarker::Span:
        return QPen(QColor(150, 60, 170), 1.5);
    case TrendMarker::Store:
        return QPen(QColor(0, 120, 130), 1.5);
    case TrendMarker::Mode:
        break;
    }
    return QPen(text, 1.5, Qt::DashLine);
}

} // namespace

TrendPlot::TrendPlot(const Trend& trend, std::function<double()> now, std::function<double()> wall,
                     QWidget* parent)
    : QWidget(parent), trend_(trend), now_(std::move(now)), wall_(std::move(wall)) {
    setAccessibleName(tr("Trend"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::ClickFocus);
    setToolTip(tr("Drag to zoom; double-click or Escape for the live view"));
}

void TrendPlot::setSpan(double seconds) {
    span_ = std::clamp(seconds, 1.0, std::max(longest_, 1.0));
    update();
}

void TrendPlot::setValueOnly(const QString& title) {
    valueTitle_ = title;
    setAccessibleName(title);
    update();
}

void TrendPlot::setFixedRange(bool fixed, double lo, double hi) {
    fixed_ = fixed;
    fixedLo_ = lo;
    fixedHi_ = hi;
    update();
}

void TrendPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    drawn_.clear();
    const QFontMetrics fm = p.fontMetrics();
    auto text = [&](const QPointF& at, const QString& s) {
        p.drawText(at, s);
        drawn_ << s;
    };
    const double now = now_();
    const double toWall = wall_() - now;
    const int offset = QDateTime::currentDateTime().offsetFromUtc();
    from_ = zoomed_ ? zoomFrom_ : now - span_;
    to_ = zoomed_ ? zoomTo_ : now;
    const std::vector<TrendPoint> pts = trend_.points(from_, to_);
    // The axis is in the unit of the newest point shown.
    const int axisMode = pts.empty() ? trend_.mode() : pts.back().mode;
    auto onAxis = [&](const TrendPoint& pt) {
        return std::strcmp(Trend::unitOf(pt.mode), Trend::unitOf(axisMode)) == 0;
    };
    unit_ = unitName(axisMode);
    const bool withU1 = valueTitle_.isEmpty();

    double vlo = INFINITY, vhi = -INFINITY, ulo = INFINITY, uhi = -INFINITY;
    for (const TrendPoint& pt : pts) {
        if (onAxis(pt) && std::isfinite(pt.value)) {
            vlo = std::min(vlo, pt.value);
            vhi = std::max(vhi, pt.value);
        }
        if (std::isfinite(pt.u1)) {
            ulo = std::min(ulo, pt.u1);
            uhi = std::max(uhi, pt.u1);
        }
    }
    const int rows = std::max(2, static_cast<int>(height() / (fm.height() * 2.5)));
    ValueTicks vt;
    if (zoomed_) {
        vt = value_ticks(zoomLo_, zoomHi_, rows, false);
    } else if (fixed_) {
        vt = value_ticks(fixedLo_, fixedHi_, rows, false);
    } else {
        widen_to(&vlo, &vhi, least_value_span(std::isfinite(vlo) ? (vlo + vhi) / 2.0 : 0.0));
        vt = value_ticks(vlo, vhi, rows, true);
    }
    widen_to(&ulo, &uhi, kLeastU1Span);
    const ValueTicks ut = value_ticks(ulo, uhi, rows, true);
    lo_ = vt.lo;
    hi_ = vt.hi;

    QStringList vLabels, uLabels;
    int left = 0, right = 0;
    for (double v : vt.at) {
        vLabels << qs(value_text(v, vt.decimals));
        left = std::max(left, fm.horizontalAdvance(vLabels.back()));
    }
    for (double v : withU1 ? ut.at : std::vector<double>{}) {
        uLabels << qs(value_text(v, ut.decimals));
        right = std::max(right, fm.horizontalAdvance(uLabels.back()));
    }
    // Room above for the axes' titles and half the top tick's label.
    const double top = fm.height() * 1.6 + 2;
    area_ = QRectF(left + 8, top, width() - left - right - 16, height() - top - fm.height() - 8);
    const QString valueTitle = withU1 ? unit_ : valueTitle_;
    const QString u1Title = tr("u1 mV");
    p.setPen(kValueColour);
    text(QPointF(2, fm.ascent() + 1), valueTitle);
    p.setPen(kU1Colour);
    if (withU1)
        text(QPointF(width() - 2 - fm.horizontalAdvance(u1Title), fm.ascent() + 1), u1Title);
    if (area_.width() < 20 || area_.height() < 20)
        return;

    auto x = [&](double t) { return area_.left() + area_.width() * (t - from_) / (to_ - from_); };
    auto y = [&](double v, const ValueTicks& s) {
        return area_.bottom() - area_.height() * (v - s.lo) / (s.hi - s.lo);
    };
    const QColor grid = palette().mid().color().lighter(130);
    const QColor ink = palette().text().color();

    // The value scale, its grid, and u1's labels at their own heights.
    for (std::size_t i = 0; i < vt.at.size(); ++i) {
        const double yy = y(vt.at[i], vt);
        const QString& label = vLabels[static_cast<qsizetype>(i)];
        p.setPen(grid);
        p.drawLine(QPointF(area_.left(), yy), QPointF(area_.right(), yy));
        p.setPen(kValueColour);
        text(QPointF(area_.left() - 4 - fm.horizontalAdvance(label), yy + fm.ascent() / 2.0 - 1),
             label);
    }
    p.setPen(kU1Colour);
    for (qsizetype i = 0; i < uLabels.size(); ++i)
        text(QPointF(area_.right() + 4,
                     y(ut.at[static_cast<std::size_t>(i)], ut) + fm.ascent() / 2.0 - 1),
             uLabels[i]);

    // Wall-clock time below; dates where the ticks are days apart.
    const bool days = to_ - from_ > 2 * 86400.0;
    const int timeWidth =
        fm.horizontalAdvance(days ? QStringLiteral("0000-00-00") : QStringLiteral("00:00:00")) + 24;
    const int wanted = std::max(2, static_cast<int>(area_.width() / timeWidth));
    for (const TimeTick& tick : time_ticks(from_ + toWall, to_ + toWall, offset, wanted)) {
        const double xx = x(tick.at - toWall);
        p.setPen(grid);
        p.drawLine(QPointF(xx, area_.top()), QPointF(xx, area_.bottom()));
        const QString label = qs(tick.text);
        const double w = fm.horizontalAdvance(label);
        p.setPen(ink);
        text(QPointF(std::clamp(xx - w / 2.0, 0.0, width() - w), area_.bottom() + fm.ascent() + 3),
             label);
    }

    p.save();
    p.setClipRect(area_);
    // A caption near the bottom (away from the middle, where autoscale
    // puts a steady line), in a row of its own for each kind: inside its
    // stretch where it fits, else beside it; left out where it would cover
    // the caption before it in its row.
    double captionFree[2] = {-1e9, -1e9};
    auto caption = [&](double x1, double x2, const QString& s, const QColor& colour, int row) {
        const double w = fm.horizontalAdvance(s);
        QPointF at((x1 + x2 - w) / 2.0, area_.bottom() - 4 - row * fm.height());
        if (x2 - x1 < w + 4)
            at.setX(x2 + w + 3 > area_.right() ? x1 - w - 3 : x2 + 3);
        if (at.x() < captionFree[row])
            return;
        captionFree[row] = at.x() + w + 4;
        p.setPen(colour);
        text(at, s);
    };
    // Points in another unit are not drawn against this axis; no data is
    // shown over them; the captions over both.
    struct Caption {
        double x1, x2;
        QString text;
        int row;
    };
    std::vector<Caption> captions;
    for (std::size_t i = 0; i < pts.size();) {
        if (onAxis(pts[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j + 1 < pts.size() && !onAxis(pts[j + 1]))
            ++j;
        const double x1 = x(pts[i].t), x2 = j + 1 < pts.size() ? x(pts[j + 1].t) : x(pts[j].t);
        p.fillRect(QRectF(x1, area_.top(), std::max(x2 - x1, 2.0), area_.height()),
                   palette().alternateBase());
        captions.push_back(
            {x1, x2, tr("%1: not drawn on this axis").arg(unitName(pts[i].mode)), 1});
        i = j + 1;
    }

    for (const NoData& nd : trend_.noData()) {
        if (nd.to < from_ || nd.from > to_)
            continue;
        double x1 = x(std::max(nd.from, from_)), x2 = x(std::min(nd.to, to_));
        if (x2 - x1 < 3) {
            x1 -= 1.5;
            x2 += 1.5;
        }
        const QRectF band(x1, area_.top(), x2 - x1, area_.height());
        p.fillRect(band,
                   QColor(kNoDataColour.red(), kNoDataColour.green(), kNoDataColour.blue(), 50));
        p.fillRect(band, QBrush(kNoDataColour, Qt::BDiagPattern));
        captions.push_back({x1, x2, tr("no data"), 0});
    }
    for (const Caption& c : captions)
        caption(c.x1, c.x2, c.text, ink, c.row);
    auto series = [&](double TrendPoint::*field, const ValueTicks& s, const QColor& colour,
                      bool all) {
        QPainterPath path;
        std::vector<QPointF> at;
        std::vector<bool> linked;
        bool broken = true;
        for (const TrendPoint& pt : pts) {
            if (!all && !onAxis(pt)) {
                broken = true;
                continue;
            }
            at.emplace_back(x(pt.t), y(pt.*field, s));
            linked.push_back(pt.joined && !broken);
            if (linked.back())
                path.lineTo(at.back());
            else
                path.moveTo(at.back());
            broken = false;
        }
        p.setPen(QPen(colour, 1.5));
        p.drawPath(path);
        // A single point between gaps is still seen.
        p.setBrush(colour);
        for (std::size_t i = 0; i < at.size(); ++i) {
            if (!linked[i] && (i + 1 == at.size() || !linked[i + 1]))
                p.drawEllipse(at[i], 1.5, 1.5);
        }
        p.setBrush(Qt::NoBrush);
    };
    if (withU1)
        series(&TrendPoint::u1, ut, kU1Colour, true);
    series(&TrendPoint::value, vt, kValueColour, false);

    // Markers, their labels stacked where they would overlap.
    double freeFrom[3] = {-1e9, -1e9, -1e9};
    for (const TrendMarker& m : trend_.markers()) {
        if (m.t < from_ || m.t > to_)
            continue;
        const double xx = x(m.t);
        const QPen pen = markerPen(m, ink);
        p.setPen(pen);
        p.drawLine(QPointF(xx, area_.top()), QPointF(xx, area_.bottom()));
        const QString label = markerText(m);
        const double w = fm.horizontalAdvance(label);
        const double lx = xx + w + 3 > area_.right() ? xx - w - 3 : xx + 3;
        int row = 0;
        while (row < 2 && freeFrom[row] > lx)
            ++row;
        freeFrom[row] = lx + w + 4;
        p.setPen(pen.color());
        text(QPointF(lx, area_.top() + fm.ascent() + 2 + row * fm.height()), label);
    }
    p.restore();

    if (dragging_) {
        QRectF r = QRectF(QPointF(dragFrom_), QPointF(dragTo_)).normalized();
        if (r.height() < kLeastDrag)
            r = QRectF(r.left(), area_.top(), r.width(), area_.height());
        p.setPen(QPen(ink, 1, Qt::DashLine));
        p.setBrush(QColor(0, 90, 170, 30));
        p.drawRect(r.intersected(area_));
        p.setBrush(Qt::NoBrush);
    }
    p.setPen(palette().mid().color());
    p.drawRect(area_);

    auto moment = [&](double t) {
        return qs((days ? date_text(t + toWall, offset) + " " : std::string()) +
                  clock_text(t + toWall, offset, true));
    };
    const QString told =
        !withU1
            ? tr("%1 from %2 to %3, %4 to %5%6. Shown: %7")
                  .arg(valueTitle_, qs(value_text(vt.lo, vt.decimals)),
                       qs(value_text(vt.hi, vt.decimals)), moment(from_), moment(to_),
                       zoomed_ ? tr(", zoomed") : QString(), drawn_.join(QStringLiteral("; ")))
            : tr("Main value in %1 from %2 to %3, u1 in mV from %4 to %5, %6 to %7%8. Shown: %9")
                  .arg(unit_, qs(value_text(vt.lo, vt.decimals)),
                       qs(value_text(vt.hi, vt.decimals)), qs(value_text(ut.lo, ut.decimals)),
                       qs(value_text(ut.hi, ut.decimals)),
                       qs(clock_text(from_ + toWall, offset, true)),
                       qs(clock_text(to_ + toWall, offset, true)),
                       zoomed_ ? tr(", zoomed") : QString(), drawn_.join(QStringLiteral("; ")));
    if (accessibleDescription() != told)
        setAccessibleDescription(told);
}
