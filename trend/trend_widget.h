// The trend on the service panel, drawn with QPainter: the main value (left
// scale) and u1 (right scale) over the last ten minutes, gaps left open, a
// dashed line where the measuring mode changed; beside it the stability
// text. Repaints after each poll and once a second, so the time axis moves.
#pragma once

#include "trend/trend.h"

#include <QLabel>
#include <QWidget>
#include <functional>

class TrendPlot : public QWidget {
  public:
    TrendPlot(const Trend& trend, std::function<double()> now, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {420, 150}; }
    QSize minimumSizeHint() const override { return {240, 100}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Trend& trend_;
    std::function<double()> now_;
};

class TrendView : public QWidget {
  public:
    TrendView(const Trend& trend, std::function<double()> now, QWidget* parent = nullptr);
    // Shows the trend and the stability as they are now.
    void refresh();
    QString stabilityText() const { return stability_->text(); }

  private:
    const Trend& trend_;
    std::function<double()> now_;
    TrendPlot* plot_;
    QLabel* stability_;
};
