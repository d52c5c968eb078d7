#include "history/drift_view.h"

#include "trend/trend_plot.h"

#include <QDateTime>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kAllJoined = std::numeric_limits<double>::infinity();
constexpr double kHour = 3600.0;

// Seconds since the epoch of a local "2026-12-09T10:32:05"; NaN when it
// cannot be read.
double seconds_of(const std::string& iso) {
    const QDateTime t = QDateTime::fromString(QString::fromUtf8(iso.c_str()), Qt::ISODate);
    return t.isValid() ? static_cast<double>(t.toSecsSinceEpoch()) : std::nan("");
}

} // namespace

DriftView::DriftView(QWidget* parent)
    : QWidget(parent), trends_{Trend(kAllJoined), Trend(kAllJoined), Trend(kAllJoined)},
      caption_(new QLabel(this)) {
    static const char* const kNames[] = {"Constant 8", "Constant 9", "Constant 0"};
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    caption_->setWordWrap(true);
    layout->addWidget(caption_);
    for (std::size_t i = 0; i < plots_.size(); ++i) {
        auto clock = [this] { return end_; };
        plots_[i] = new TrendPlot(trends_[i], clock, clock, this);
        plots_[i]->setValueOnly(tr(kNames[i]));
        plots_[i]->setLongestSpan(std::numeric_limits<double>::max());
        plots_[i]->setToolTip(tr("Drag to zoom; double-click or Escape for all calibrations"));
        plots_[i]->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(plots_[i], 1);
    }
    setEntries({}, {});
}

QString DriftView::caption() const {
    return caption_->text();
}

void DriftView::setEntries(const std::vector<CalibrationEntry>& entries, const QString& tag) {
    struct Reading {
        double t;
        std::size_t i;
        double value;
    };
    std::vector<Reading> readings;
    if (!tag.isEmpty()) {
        for (const CalibrationEntry& e : entries) {
            const double started = seconds_of(e.started);
            double finished = seconds_of(e.finished);
            if (std::isnan(finished))
                finished = started;
            for (std::size_t i = 0; i < 3; ++i) {
                if (e.before[i] && !std::isnan(started))
                    readings.push_back({started, i, *e.before[i]});
                if (e.after[i] && !std::isnan(finished))
                    readings.push_back({finished, i, *e.after[i]});
            }
        }
    }
    std::stable_sort(readings.begin(), readings.end(),
                     [](const Reading& a, const Reading& b) { return a.t < b.t; });
    for (Trend& t : trends_)
        t = Trend(kAllJoined);
    for (const Reading& r : readings)
        trends_[r.i].add(r.t, r.value, 0.0);

    if (tag.isEmpty())
        caption_->setText(tr("Choose a tag to see how its calibration constants drift."));
    else if (readings.empty())
        caption_->setText(tr("No constants were read in the calibrations of %1.").arg(tag));
    else
        caption_->setText(
            tr("The calibration constants of %1 as read before and after each calibration.")
                .arg(tag));
    caption_->setAccessibleName(caption_->text());

    const double first = readings.empty() ? 0.0 : readings.front().t;
    const double last = readings.empty() ? kHour : readings.back().t;
    const double pad = std::max((last - first) * 0.05, kHour);
    end_ = last + pad;
    for (TrendPlot* p : plots_) {
        p->resetZoom();
        p->setSpan(last - first + 2 * pad);
    }
}
