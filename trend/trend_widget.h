// The trend on the service panel: above the plot the time span (1, 10 or
// 60 minutes) and the auto or fixed value scale with its range; below it the
// stability text and the way back from a zoom. Repaints after each poll and
// once a second, so that the time axis moves.
#pragma once

#include "trend/trend.h"
#include "trend/trend_plot.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

class TrendView : public QWidget {
  public:
    // `now`: the trend's monotonic seconds; `wall`: wall-clock seconds since
    // the epoch (default: the system's clock).
    TrendView(const Trend& trend, std::function<double()> now, std::function<double()> wall = {},
              QWidget* parent = nullptr);
    // Shows the trend and the stability as they are now.
    void refresh();
    QString stabilityText() const;
    TrendPlot* plot() const { return plot_; }

    // The spans offered, in seconds.
    static constexpr double kSpans[] = {60.0, 600.0, 3600.0};

  private:
    void scaleChosen();
    void rangeEdited();
    void zoomChanged();

    const Trend& trend_;
    std::function<double()> now_;
    TrendPlot* plot_;
    QComboBox* span_;
    QComboBox* scale_;
    QDoubleSpinBox* from_;
    QDoubleSpinBox* to_;
    QLabel* rangeUnit_;
    QPushButton* reset_;
    QLabel* stability_;
};
