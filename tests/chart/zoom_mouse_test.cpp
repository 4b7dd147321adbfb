// Zoom, undo zoom, click and double click, driven by real mouse events.
#include <QSignalSpy>
#include <QTest>

#include "chart_fixture.h"

namespace kelmor::testing {
namespace {

class ZoomTest : public ChartTest {
  protected:
    void SetUp() override {
        ChartTest::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
        FillPulses(480);
        SetPoints(chart->TemperatureSeries(), {{kFirstDay, 20}, {kFirstDay + 19, 25}});
        chart->RepaintNow();
    }

    void Drag(const QPoint& from, const QPoint& to) {
        QTest::mousePress(chart.get(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(chart.get(), (from + to) / 2);
        QTest::mouseMove(chart.get(), to);
        QTest::mouseRelease(chart.get(), Qt::LeftButton, Qt::NoModifier, to);
    }

    QPoint PlotPoint(double fx, double fy) const {
        const QRect plot = chart->axisRect()->rect();
        return QPoint(plot.left() + qRound(fx * plot.width()),
                      plot.top() + qRound(fy * plot.height()));
    }
};

TEST_F(ZoomTest, DragTowardsLowerRightZoomsAndBackUndoes) {
    QSignalSpy zoomed(chart.get(), &KelmorChart::zoomed);
    QSignalSpy undone(chart.get(), &KelmorChart::zoomUndone);
    QSignalSpy clicked(chart.get(), &KelmorChart::clicked);
    const double automaticMinimum = chart->BottomMinimum();
    const double automaticMaximum = chart->BottomMaximum();
    const QCPRange automaticLeft = chart->LeftRange();
    const QCPRange automaticRight = chart->RightRange();

    const QPoint from = PlotPoint(0.25, 0.2);
    const QPoint to = PlotPoint(0.5, 0.6);
    const double expectedMinimum = chart->xAxis->pixelToCoord(from.x());
    const double expectedMaximum = chart->xAxis->pixelToCoord(to.x());
    Drag(from, to);
    EXPECT_EQ(zoomed.count(), 1);
    EXPECT_EQ(undone.count(), 0);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_TRUE(chart->IsZoomed());
    const double pixelDays = (automaticMaximum - automaticMinimum) / chart->axisRect()->width();
    EXPECT_NEAR(chart->BottomMinimum(), expectedMinimum, 1.5 * pixelDays);
    EXPECT_NEAR(chart->BottomMaximum(), expectedMaximum, 1.5 * pixelDays);
    EXPECT_LT(chart->LeftRange().size(), automaticLeft.size() / 2);
    // Once zoomed, a new point does not move the axes.
    SetPoints(chart->PulseSeries(), {{kFirstDay + 100, 5000, 10}});
    chart->RepaintNow();
    EXPECT_NEAR(chart->BottomMaximum(), expectedMaximum, 1.5 * pixelDays);
    chart->PulseSeries()->Clear();
    FillPulses(480);

    Drag(PlotPoint(0.6, 0.7), PlotPoint(0.3, 0.3));
    EXPECT_EQ(undone.count(), 1);
    EXPECT_EQ(zoomed.count(), 1);
    EXPECT_FALSE(chart->IsZoomed());
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), automaticMinimum);
    EXPECT_EQ(chart->BottomMaximum(), automaticMaximum);
    EXPECT_EQ(chart->LeftRange(), automaticLeft);
    EXPECT_EQ(chart->RightRange(), automaticRight);
}

TEST_F(ZoomTest, ZoomedInFarEnoughDenseBarsAreExact) {
    chart->PulseSeries()->Clear();
    FillPulses(3 * chart->axisRect()->width());
    chart->RepaintNow();
    ASSERT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::Envelope);
    Drag(PlotPoint(0.5, 0.0), PlotPoint(0.52, 1.0));
    EXPECT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::Exact);
}

TEST_F(ZoomTest, OtherDragsDoNothing) {
    QSignalSpy zoomed(chart.get(), &KelmorChart::zoomed);
    QSignalSpy undone(chart.get(), &KelmorChart::zoomUndone);
    QSignalSpy clicked(chart.get(), &KelmorChart::clicked);
    Drag(PlotPoint(0.2, 0.6), PlotPoint(0.5, 0.2));  // towards the upper right
    Drag(PlotPoint(0.5, 0.2), PlotPoint(0.2, 0.6));  // towards the lower left
    EXPECT_EQ(zoomed.count() + undone.count() + clicked.count(), 0);
    EXPECT_FALSE(chart->IsZoomed());
}

TEST_F(ZoomTest, GreyRectangleFollowsTheDrag) {
    const QPoint from = PlotPoint(0.2, 0.2);
    const QPoint to = PlotPoint(0.6, 0.7);
    QTest::mousePress(chart.get(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(chart.get(), to);
    const QImage during = chart->grab().toImage();
    const QRgb edge = during.pixel(from.x() + (to.x() - from.x()) / 3, from.y());
    EXPECT_EQ(edge, qRgb(128, 128, 128));
    QTest::mouseRelease(chart.get(), Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_TRUE(chart->IsZoomed());
    const QImage after = chart->grab().toImage();
    EXPECT_NE(after.pixel(from.x() + (to.x() - from.x()) / 3, from.y()), qRgb(128, 128, 128));
}

TEST_F(ZoomTest, UndoZoomFromCodeAlwaysRaisesTheSignal) {
    QSignalSpy undone(chart.get(), &KelmorChart::zoomUndone);
    const double automaticMaximum = chart->BottomMaximum();
    chart->UndoZoom();
    EXPECT_EQ(undone.count(), 1);
    Drag(PlotPoint(0.1, 0.1), PlotPoint(0.3, 0.3));
    ASSERT_TRUE(chart->IsZoomed());
    chart->UndoZoom();
    EXPECT_EQ(undone.count(), 2);
    // The window reads the range in its handler, before any repaint.
    EXPECT_EQ(chart->BottomMaximum(), automaticMaximum);
}

TEST_F(ZoomTest, NothingDrawnNothingToZoomInto) {
    chart->PulseSeries()->Clear();
    chart->TemperatureSeries()->Clear();
    chart->RepaintNow();
    QSignalSpy zoomed(chart.get(), &KelmorChart::zoomed);
    Drag(PlotPoint(0.1, 0.1), PlotPoint(0.5, 0.5));
    EXPECT_EQ(zoomed.count(), 0);
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), 0.0);
}

TEST_F(ZoomTest, ClickDoubleClickAndDragAreTold) {
    QSignalSpy clicked(chart.get(), &KelmorChart::clicked);
    QSignalSpy doubleClicked(chart.get(), &KelmorChart::doubleClicked);
    const QPoint here = PlotPoint(0.5, 0.5);

    QTest::mouseClick(chart.get(), Qt::LeftButton, Qt::NoModifier, here);
    EXPECT_EQ(clicked.count(), 1);
    // A little tremble of the hand is still a click, and zooms nothing.
    QTest::mousePress(chart.get(), Qt::LeftButton, Qt::NoModifier, here);
    QTest::mouseMove(chart.get(), here + QPoint(2, 1));
    QTest::mouseRelease(chart.get(), Qt::LeftButton, Qt::NoModifier, here + QPoint(2, 1));
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_FALSE(chart->IsZoomed());
    // The right button is no click.
    QTest::mouseClick(chart.get(), Qt::RightButton, Qt::NoModifier, here);
    EXPECT_EQ(clicked.count(), 2);

    // The first click of a double click is a click; the release ending it is none. Qt
    // delivers a double click as press, release, press, double click, release.
    QTest::mousePress(chart.get(), Qt::LeftButton, Qt::NoModifier, here);
    QTest::mouseRelease(chart.get(), Qt::LeftButton, Qt::NoModifier, here);
    QTest::mousePress(chart.get(), Qt::LeftButton, Qt::NoModifier, here);
    QTest::mouseDClick(chart.get(), Qt::LeftButton, Qt::NoModifier, here);
    QTest::mouseRelease(chart.get(), Qt::LeftButton, Qt::NoModifier, here);
    EXPECT_EQ(doubleClicked.count(), 1);
    EXPECT_EQ(clicked.count(), 3);

    Drag(PlotPoint(0.2, 0.2), PlotPoint(0.4, 0.4));
    EXPECT_EQ(clicked.count(), 3);
    EXPECT_EQ(doubleClicked.count(), 1);
}

}  // namespace
}  // namespace kelmor::testing
