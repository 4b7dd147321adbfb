// The chart's fixed settings, its series and the automatic ranges.
#include "chart/day_ticker.h"
#include "chart_fixture.h"

namespace kelmor::testing {
namespace {

TEST_F(ChartTest, StartsWithTheInstrumentChartSettings) {
    EXPECT_EQ(chart->TitleLines(), QStringList{QStringLiteral("Measurements")});
    EXPECT_TRUE(chart->FootLines().isEmpty());
    EXPECT_EQ(chart->xAxis->label(), QStringLiteral("Time"));
    EXPECT_EQ(chart->yAxis->label(), QStringLiteral("Bq/m3"));
    EXPECT_EQ(chart->yAxis2->label(), QStringLiteral("Temp/RH/Press"));
    EXPECT_TRUE(chart->yAxis2->visible());
    EXPECT_TRUE(chart->yAxis2->tickLabels());
    EXPECT_FALSE(chart->xAxis2->visible());
    EXPECT_FALSE(chart->legend->visible());
    EXPECT_EQ(chart->legend->itemCount(), 0);
    EXPECT_EQ(chart->interactions(), QCP::Interactions());

    EXPECT_EQ(chart->yAxis->tickLabelColor(), QColor(255, 0, 0));
    EXPECT_EQ(chart->yAxis->tickLabelFont().pixelSize(), 13);
    EXPECT_EQ(chart->yAxis2->tickLabelColor(), QColor(0, 128, 0));

    auto* title = qobject_cast<QCPTextElement*>(chart->plotLayout()->element(0, 0));
    auto* foot = qobject_cast<QCPTextElement*>(chart->plotLayout()->element(2, 0));
    ASSERT_NE(title, nullptr);
    ASSERT_NE(foot, nullptr);
    EXPECT_EQ(title->font().pixelSize(), 13);
    EXPECT_EQ(foot->font().pixelSize(), 13);

    const QImage image = Render();
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));
}

TEST_F(ChartTest, SeriesHaveTheirNamesColoursAxesAndDrawingOrder) {
    struct Expected {
        QCPAbstractPlottable* series;
        const char* objectName;
        const char* title;
        QColor colour;
        QCPAxis* axis;
    };
    const Expected expected[] = {
        {chart->MeanErrorSeries(), "meanErrorSeries", "MeanErrorSeries", QColor(0, 128, 0),
         chart->yAxis},
        {chart->MeanSeries(), "meanSeries", "MeanSeries", QColor(0, 128, 0), chart->yAxis},
        {chart->PulseSeries(), "pulseSeries", "PulseSeries", QColor(255, 0, 0), chart->yAxis},
        {chart->TemperatureSeries(), "temperatureSeries", "Tempseries", QColor(64, 0, 64),
         chart->yAxis2},
        {chart->HumiditySeries(), "humiditySeries", "Humseries", QColor(0, 0, 255), chart->yAxis2},
        {chart->PressureSeries(), "pressureSeries", "Pressseries", QColor(0, 0, 255),
         chart->yAxis2},
    };
    // QCustomPlot paints its layer's children in order: later ones over earlier ones.
    QList<QCPAbstractPlottable*> drawn;
    for (QCPLayerable* child : chart->layer(QStringLiteral("main"))->children()) {
        auto* plottable = qobject_cast<QCPAbstractPlottable*>(child);
        if (plottable && plottable->visible()) {
            drawn.append(plottable);
        }
    }
    ASSERT_EQ(drawn.size(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(expected[i].objectName);
        EXPECT_EQ(drawn[i], expected[i].series);
        EXPECT_EQ(drawn[i]->objectName(), QLatin1String(expected[i].objectName));
        EXPECT_EQ(drawn[i]->name(), QLatin1String(expected[i].title));
        EXPECT_EQ(drawn[i]->pen().color(), expected[i].colour);
        EXPECT_EQ(drawn[i]->valueAxis(), expected[i].axis);
        EXPECT_EQ(drawn[i]->keyAxis(), chart->xAxis);
    }
    EXPECT_EQ(chart->MeanErrorSeries()->whiskerWidth(), 10);
    EXPECT_EQ(chart->PulseSeries()->whiskerWidth(), 10);
    EXPECT_EQ(chart->MeanSeries()->scatterStyle().shape(), QCPScatterStyle::ssNone);
}

TEST_F(ChartTest, LaterSeriesAreDrawnOverEarlierOnes) {
    // A long pulse bar crossed by the temperature line: the crossing shows the line.
    SetPoints(chart->PulseSeries(),
              {{kFirstDay + 1, 50, 50}, {kFirstDay, 0, 0.1}, {kFirstDay + 2, 0, 0.1}});
    SetPoints(chart->TemperatureSeries(), {{kFirstDay, 20}, {kFirstDay + 2, 20}});
    chart->TemperatureSeries()->setAntialiased(false);  // its exact colour on every pixel
    chart->RepaintNow();
    const QImage image = Render();
    const int y = qRound(chart->yAxis2->coordToPixel(20));
    int barColumn = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (IsRed(image.pixel(x, y + 20)) && IsRed(image.pixel(x, y - 20))) {
            barColumn = x;
        }
    }
    ASSERT_GE(barColumn, 0);
    int lineRows = 0;
    for (int row = y - 1; row <= y + 1; ++row) {
        lineRows += image.pixel(barColumn, row) == qRgb(64, 0, 64) ? 1 : 0;
    }
    EXPECT_EQ(lineRows, 1);
}

TEST_F(ChartTest, AxesFollowThePointsIncludingErrorBars) {
    SetPoints(chart->PulseSeries(), {{kFirstDay, 100, 50}, {kFirstDay + 1, 200, 20}});
    SetPoints(chart->MeanErrorSeries(), {{kFirstDay + 0.5, 150, 90}});
    SetPoints(chart->HumiditySeries(), {{kFirstDay + 2, 40}, {kFirstDay + 3, 60}});
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), kFirstDay);
    EXPECT_EQ(chart->BottomMaximum(), kFirstDay + 3);
    EXPECT_EQ(chart->LeftRange(), QCPRange(50, 240));
    EXPECT_EQ(chart->RightRange(), QCPRange(40, 60));

    // The data lies on each axis's band: the left axis from the top down to 97 %, the
    // right over 5 % to 95 %, the time axis over 1 % to 99 % less 4 pixels at each end.
    // (QCustomPlot maps a vertical axis onto one pixel above the rect to its bottom row.)
    const QRect plot = chart->axisRect()->rect();
    const auto fromTop = [&](double fraction) { return plot.top() - 1 + fraction * plot.height(); };
    EXPECT_NEAR(chart->yAxis->coordToPixel(240), fromTop(0), 0.01);
    EXPECT_NEAR(chart->yAxis->coordToPixel(50), fromTop(0.97), 0.01);
    EXPECT_NEAR(chart->yAxis2->coordToPixel(60), fromTop(0.05), 0.01);
    EXPECT_NEAR(chart->yAxis2->coordToPixel(40), fromTop(0.95), 0.01);
    EXPECT_NEAR(chart->xAxis->coordToPixel(kFirstDay), plot.left() + 0.01 * plot.width() + 4, 0.01);
    EXPECT_NEAR(chart->xAxis->coordToPixel(kFirstDay + 3), plot.left() + 0.99 * plot.width() - 4,
                0.01);

    // Ticks only where the data is.
    for (const double tick : chart->yAxis->tickVector()) {
        EXPECT_GE(tick, 50);
        EXPECT_LE(tick, 240);
    }
    // An axis without points gets no ticks.
    chart->HumiditySeries()->Clear();
    chart->RepaintNow();
    EXPECT_TRUE(chart->yAxis2->tickVector().isEmpty());
}

TEST_F(ChartTest, NothingDrawnReadsZero) {
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), 0.0);
    EXPECT_EQ(chart->BottomMaximum(), 0.0);
    SetPoints(chart->MeanSeries(), {{kFirstDay, 10}});
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), kFirstDay);
    chart->MeanSeries()->Clear();
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), 0.0);
}

TEST_F(ChartTest, RangesFollowTheDataWhileTheChartIsHidden) {
    chart->hide();
    SetPoints(chart->PressureSeries(), {{kFirstDay + 1, 101}, {kFirstDay + 2, 99}});
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), kFirstDay + 1);
    EXPECT_EQ(chart->BottomMaximum(), kFirstDay + 2);
    EXPECT_EQ(chart->RightRange(), QCPRange(99, 101));
}

TEST_F(ChartTest, LeftMaximumCanBeHeldAndReleased) {
    FillPulses(48);
    chart->RepaintNow();
    const QCPRange automatic = chart->LeftRange();
    chart->SetLeftAxisMaximum(1000);
    chart->RepaintNow();
    EXPECT_EQ(chart->LeftRange(), QCPRange(automatic.lower, 1000));
    chart->SetLeftAxisMaximumAutomatic();
    chart->RepaintNow();
    EXPECT_EQ(chart->LeftRange(), automatic);
}

TEST(ErrorBarSeriesData, OutOfOrderPointsKeepTheirErrors) {
    QCustomPlot plot;  // owns the series
    ErrorBarSeries& series = *new ErrorBarSeries(plot.xAxis, plot.yAxis, Qt::red, 10);
    std::vector<ErrorBarSeries::Point> points = {
        {10, 100, 1},         {30, 300, 3},         {20, 200, 2},  // between
        {5, 50, -5},           // before all; negative error is its size
        {20, 201, 21},         // same time: after the earlier one
        {std::nan(""), 1, 1},  // not numbers: left out
        {1, INFINITY, 1},     {1, 1, std::nan("")},
    };
    EXPECT_EQ(series.SetPoints(points), 5);
    ASSERT_EQ(series.Count(), 5);
    const double keys[] = {5, 10, 20, 20, 30};
    const double values[] = {50, 100, 200, 201, 300};
    const double errors[] = {5, 1, 2, 21, 3};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(series.KeyAt(i), keys[i]);
        EXPECT_EQ(series.ValueAt(i), values[i]);
        EXPECT_EQ(series.ErrorAt(i), errors[i]);
    }
    series.Clear();
    EXPECT_EQ(series.Count(), 0);
    EXPECT_EQ(series.data()->size(), 0);
    EXPECT_EQ(series.KeyAt(0), 0);
}

TEST(LineSeriesData, RefusesValuesThatAreNoNumbers) {
    QCustomPlot plot;  // owns the series
    LineSeries& series = *new LineSeries(plot.xAxis, plot.yAxis, Qt::blue);
    std::vector<LineSeries::Point> points = {{2, 1}, {1, 1}, {3, std::nan("")}, {INFINITY, 1}};
    EXPECT_EQ(series.SetPoints(points), 2);
    ASSERT_EQ(series.Count(), 2);
    EXPECT_EQ(series.data()->at(0)->key, 1);
}

TEST(DayTickerLabels, HourLabelsInTheGivenFormatOverTheBandOnly) {
    DayTicker ticker;
    ticker.SetFormat(QStringLiteral("dd/MM hh"));
    ticker.SetBand(QCPRange(kFirstDay + 0.25, kFirstDay + 1.25));
    QVector<double> ticks;
    QVector<double> subTicks;
    QVector<QString> labels;
    ticker.generate(QCPRange(kFirstDay, kFirstDay + 2), QLocale::c(), QLatin1Char('g'), 6, ticks,
                    &subTicks, &labels);
    ASSERT_FALSE(ticks.isEmpty());
    EXPECT_EQ(labels.first(), QStringLiteral("15/03 06"));
    for (const double tick : ticks) {
        EXPECT_GE(tick, kFirstDay + 0.25);
        EXPECT_LE(tick, kFirstDay + 1.25);
    }
    EXPECT_EQ(subTicks.size(), ticks.size() - 1);  // one minor tick between labels

    // However small the range, labels stay at least half an hour apart.
    ticker.SetBand(QCPRange(kFirstDay, kFirstDay + 2));
    ticker.generate(QCPRange(kFirstDay, kFirstDay + 0.001), QLocale::c(), QLatin1Char('g'), 6,
                    ticks, nullptr, &labels);
    EXPECT_LE(ticks.size(), 1);
    ticker.ClearBand();
    ticker.generate(QCPRange(kFirstDay, kFirstDay + 2), QLocale::c(), QLatin1Char('g'), 6, ticks,
                    nullptr, &labels);
    EXPECT_TRUE(ticks.isEmpty());
}

}  // namespace
}  // namespace kelmor::testing
