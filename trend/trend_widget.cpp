#include "trend/trend_widget.h"

#include "platform/qt/caption.h"

#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

double system_wall_seconds() {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

QDoubleSpinBox* rangeField(const QString& name, QWidget* parent) {
    auto* field = new QDoubleSpinBox(parent);
    field->setAccessibleName(name);
    // The point as decimal separator, as on every other value shown.
    field->setLocale(QLocale::c());
    field->setRange(-99999.0, 99999.0);
    field->setDecimals(3);
    field->setKeyboardTracking(false);
    return field;
}

} // namespace

TrendView::TrendView(const Trend& trend, std::function<double()> now, std::function<double()> wall,
                     QWidget* parent)
    : QWidget(parent), trend_(trend), now_(now),
      plot_(new TrendPlot(trend, now, wall ? std::move(wall) : system_wall_seconds, this)),
      span_(new QComboBox(this)), scale_(new QComboBox(this)),
      from_(rangeField(tr("Scale from"), this)), to_(rangeField(tr("Scale to"), this)),
      rangeUnit_(new QLabel(this)), reset_(new QPushButton(tr("&Live view"), this)),
      stability_(new QLabel(this)) {
    span_->setAccessibleName(tr("Time span"));
    for (double s : kSpans)
        span_->addItem(tr("%1 min").arg(s / 60.0));
    span_->setCurrentIndex(1);
    plot_->setSpan(kSpans[1]);
    scale_->setAccessibleName(tr("Value scale"));
    scale_->addItems({tr("Auto"), tr("Fixed")});
    reset_->setToolTip(tr("Leave the zoom and follow the trend again"));
    reset_->setEnabled(false);

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->addWidget(caption(tr("T&ime span"), span_, this));
    controls->addWidget(span_);
    controls->addSpacing(8);
    controls->addWidget(caption(tr("Sc&ale"), scale_, this));
    controls->addWidget(scale_);
    controls->addWidget(caption(tr("from"), from_, this));
    controls->addWidget(from_);
    controls->addWidget(caption(tr("to"), to_, this));
    controls->addWidget(to_);
    controls->addWidget(rangeUnit_);
    controls->addStretch(1);
    auto* below = new QHBoxLayout;
    below->setContentsMargins(0, 0, 0, 0);
    below->addWidget(stability_, 1);
    below->addWidget(reset_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(plot_, 1);
    layout->addLayout(below);

    connect(span_, &QComboBox::activated, this, [this](int i) {
        plot_->setSpan(kSpans[i]);
        plot_->resetZoom();
    });
    connect(scale_, &QComboBox::activated, this, [this] { scaleChosen(); });
    connect(from_, &QDoubleSpinBox::valueChanged, this, [this] { rangeEdited(); });
    connect(to_, &QDoubleSpinBox::valueChanged, this, [this] { rangeEdited(); });
    connect(reset_, &QPushButton::clicked, plot_, &TrendPlot::resetZoom);
    plot_->onZoomChanged([this] { zoomChanged(); });
    scaleChosen();

    auto* timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    timer->start();
    refresh();
}

// Fixed starts from the range shown, so that nothing jumps.
void TrendView::scaleChosen() {
    const bool fixed = scale_->currentIndex() == 1;
    if (fixed) {
        const QSignalBlocker a(from_), b(to_);
        from_->setValue(plot_->shownLo());
        to_->setValue(plot_->shownHi());
    }
    from_->setEnabled(fixed);
    to_->setEnabled(fixed);
    plot_->setFixedRange(fixed, from_->value(), to_->value());
}

void TrendView::rangeEdited() {
    if (scale_->currentIndex() == 1)
        plot_->setFixedRange(true, from_->value(), to_->value());
}

void TrendView::zoomChanged() {
    reset_->setEnabled(plot_->zoomed());
}

QString TrendView::stabilityText() const {
    return stability_->text();
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
    // A fixed range is in the unit it was set in: another unit scales anew.
    const QString unit = plot_->shownUnit();
    if (unit != rangeUnit_->text() && scale_->currentIndex() == 1) {
        scale_->setCurrentIndex(0);
        scaleChosen();
    }
    rangeUnit_->setText(unit);
    plot_->update();
}
