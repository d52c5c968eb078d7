// The drift of one transmitter's calibration constants 8, 9 and 0: each
// constant as read before and after every calibration of the tag, over
// the time they span, in a trend plot of its own.
#pragma once

#include "history/calibration_entry.h"
#include "trend/trend.h"

#include <QWidget>
#include <array>
#include <vector>

class QLabel;
class TrendPlot;

class DriftView : public QWidget {
  public:
    explicit DriftView(QWidget* parent = nullptr);

    // The entries of one tag, in any order; `tag` empty: entries of several
    // transmitters, which are not plotted together.
    void setEntries(const std::vector<CalibrationEntry>& entries, const QString& tag);

    TrendPlot* plot(int i) const { return plots_[static_cast<std::size_t>(i)]; }
    const Trend& trend(int i) const { return trends_[static_cast<std::size_t>(i)]; }
    QString caption() const;

  private:
    std::array<Trend, 3> trends_;
    std::array<TrendPlot*, 3> plots_{};
    QLabel* caption_;
    double end_ = 0.0; // wall-clock seconds at the plots' right edge
};
