// The trend as painted and handled: the axis in the unit of the newest
// point, points of another unit left out and said so, markers and no data
// labelled, the auto range never narrower than the stability limit makes
// sensible, a fixed range until the unit changes, the time span, and zoom by
// dragging and back.
#include "trend/trend_scale.h"
#include "trend/trend_widget.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

template <typename T> T* named(QWidget* in, const char* name) {
    for (T* w : in->findChildren<T*>()) {
        if (w->accessibleName() == QLatin1String(name))
            return w;
    }
    return nullptr;
}

TEST(TrendPlot, UnitsMarkersNoDataScalesAndZoom) {
    Trend trend;
    double now = 1000.0;
    TrendView view(trend, [&] { return now; });
    view.resize(640, 320);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    TrendPlot* plot = view.plot();
    trend.setMode(0, 0.0);
    for (int t = 880; t <= 940; ++t)
        trend.add(t, 5.0 + 0.001 * (t % 2), 0.0);
    trend.mark(TrendMarker::Zero, 900.0);
    for (int t = 941; t <= 945; ++t)
        trend.noData(t);
    trend.setMode(2, 946.0);
    for (int t = 946; t <= 1000; ++t)
        trend.add(t, -100.0 + 0.01 * (t % 2), 0.1);
    auto paint = [&] {
        view.refresh();
        plot->grab();
    };
    paint();
    EXPECT_EQ(plot->shownUnit(), "mV");
    for (const char* text :
         {"mV", "u1 mV", "Zero", "Mode 2 (mV)", "no data", "ppm: not drawn on this axis"})
        EXPECT_TRUE(plot->drawnTexts().contains(QString::fromUtf8(text))) << text;
    EXPECT_LE(plot->shownLo(), -100.01);
    EXPECT_GE(plot->shownHi(), -99.99);
    EXPECT_GE(plot->shownHi() - plot->shownLo(), least_value_span(-100.0));
    EXPECT_TRUE(plot->accessibleDescription().contains("Mode 2 (mV)"));

    auto* span = named<QComboBox>(&view, "Time span");
    ASSERT_NE(span, nullptr);
    span->setFocus();
    QTest::keyClick(span, Qt::Key_Up);
    paint();
    EXPECT_DOUBLE_EQ(plot->shownTo() - plot->shownFrom(), 60.0);
    EXPECT_FALSE(plot->drawnTexts().contains("Zero")) << "a minute ago and more";

    // Fixed starts from the range shown and takes what is typed.
    auto* scale = named<QComboBox>(&view, "Value scale");
    auto* from = named<QDoubleSpinBox>(&view, "Scale from");
    auto* to = named<QDoubleSpinBox>(&view, "Scale to");
    ASSERT_TRUE(scale && from && to);
    EXPECT_FALSE(from->isEnabled());
    scale->setFocus();
    QTest::keyClick(scale, Qt::Key_Down);
    EXPECT_TRUE(from->isEnabled());
    EXPECT_DOUBLE_EQ(from->value(), plot->shownLo());
    from->setValue(-105.0);
    to->setValue(-95.0);
    paint();
    EXPECT_DOUBLE_EQ(plot->shownLo(), -105.0);
    EXPECT_DOUBLE_EQ(plot->shownHi(), -95.0);

    // A drag zooms into the rectangle; a double click goes back.
    QPushButton* live = view.findChild<QPushButton*>();
    ASSERT_NE(live, nullptr);
    EXPECT_FALSE(live->isEnabled());
    const QRect r = plot->rect();
    const QPoint a(r.width() / 4, r.height() / 4), b(r.width() / 2, r.height() / 2);
    QTest::mousePress(plot, Qt::LeftButton, {}, a);
    QTest::mouseMove(plot, b);
    QTest::mouseRelease(plot, Qt::LeftButton, {}, b);
    paint();
    EXPECT_TRUE(plot->zoomed());
    EXPECT_TRUE(live->isEnabled());
    EXPECT_GT(plot->shownFrom(), now - 60.0);
    EXPECT_LT(plot->shownTo(), now);
    EXPECT_GT(plot->shownLo(), -105.0);
    EXPECT_LT(plot->shownHi(), -95.0);
    now += 30.0; // zoomed, the view stays where it is
    const double zoomedTo = plot->shownTo();
    paint();
    EXPECT_DOUBLE_EQ(plot->shownTo(), zoomedTo);
    QTest::mouseDClick(plot, Qt::LeftButton, {}, b);
    paint();
    EXPECT_FALSE(plot->zoomed());
    EXPECT_FALSE(live->isEnabled());
    EXPECT_DOUBLE_EQ(plot->shownTo(), now);

    // The fixed range was in mV: a point in ppm scales anew.
    trend.setMode(0, now);
    trend.add(now, 20.9, 0.0);
    paint();
    view.refresh();
    EXPECT_EQ(plot->shownUnit(), "ppm");
    EXPECT_EQ(scale->currentIndex(), 0);
    EXPECT_FALSE(from->isEnabled());
}

} // namespace
