// The trend's plot, drawn with QPainter: the main value on the left axis in
// the unit of the mode the transmitter was in, u1 on the right axis in mV,
// wall-clock time below; "no data" where polls failed, the points of another
// unit left out (never drawn against this unit's axis), and a marker where a
// zero or span calibration was taken, constants were stored or the mode
// changed. Dragging a rectangle zooms into it (a drag across only the time
// zooms the time); a double click or Escape goes back to the live view.
#pragma once

#include "trend/trend.h"

#include <QPoint>
#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <functional>

class TrendPlot : public QWidget {
  public:
    // `now`: the trend's monotonic seconds; `wall`: the same moment as
    // wall-clock seconds since the epoch.
    TrendPlot(const Trend& trend, std::function<double()> now, std::function<double()> wall,
              QWidget* parent = nullptr);
    QSize sizeHint() const override { return {520, 220}; }
    QSize minimumSizeHint() const override { return {260, 120}; }

    // The live view shows the last `seconds`, up to the longest span (the
    // hour the live trend keeps, unless set otherwise).
    void setSpan(double seconds);
    void setLongestSpan(double seconds) { longest_ = seconds; }
    // A plot of one series (the drift of a constant): `title` above the
    // left axis instead of the unit, and no u1 axis.
    void setValueOnly(const QString& title);
    double span() const { return span_; }
    // A fixed value range instead of auto-scaling (unless zoomed).
    void setFixedRange(bool fixed, double lo, double hi);
    bool zoomed() const { return zoomed_; }
    void zoomTo(double from, double to, double lo, double hi);
    void resetZoom();
    // Called when the zoom changes, by the user or not.
    void onZoomChanged(std::function<void()> changed) { zoomChanged_ = std::move(changed); }

    // What the last paint showed: the time window (monotonic), the value
    // range, the main axis' unit, and every text drawn.
    double shownFrom() const { return from_; }
    double shownTo() const { return to_; }
    double shownLo() const { return lo_; }
    double shownHi() const { return hi_; }
    QString shownUnit() const { return unit_; }
    const QStringList& drawnTexts() const { return drawn_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // A drag shorter than this (pixels) in a direction does not zoom it.
    static constexpr int kLeastDrag = 5;

    double timeAt(double x) const;
    double valueAt(double y) const;

    const Trend& trend_;
    std::function<double()> now_;
    std::function<double()> wall_;
    std::function<void()> zoomChanged_;
    double span_ = 600.0;
    double longest_ = Trend::kKeptSeconds;
    QString valueTitle_; // empty: the unit, and u1 on the right
    bool fixed_ = false;
    double fixedLo_ = 0.0, fixedHi_ = 1.0;
    bool zoomed_ = false;
    double zoomFrom_ = 0.0, zoomTo_ = 0.0, zoomLo_ = 0.0, zoomHi_ = 1.0;
    bool dragging_ = false;
    QPoint dragFrom_, dragTo_;
    // The last paint's plot area and scales.
    QRectF area_;
    double from_ = 0.0, to_ = 1.0, lo_ = 0.0, hi_ = 1.0;
    QString unit_;
    QStringList drawn_;
};
