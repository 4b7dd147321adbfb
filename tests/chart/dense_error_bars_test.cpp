// How the error series draws itself at different densities, checked on rendered pixels
// against QCustomPlot's own error bars.
#include "chart_fixture.h"

namespace kelmor::testing {
namespace {

struct ColumnExtent {
    int top = -1;
    int bottom = -1;
};

// The topmost and bottommost red pixel of every column inside the plot.
std::vector<ColumnExtent> RedExtents(const QImage& image, const QRect& plot) {
    std::vector<ColumnExtent> columns(image.width());
    for (int x = plot.left(); x <= plot.right(); ++x) {
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            if (IsRed(image.pixel(x, y))) {
                if (columns[x].top < 0) {
                    columns[x].top = y;
                }
                columns[x].bottom = y;
            }
        }
    }
    return columns;
}

class DenseErrorBarsTest : public ChartTest {
  protected:
    QImage RenderPlain(double whiskers) {
        ErrorBarSeries* series = chart->PulseSeries();
        series->SetDrawing(ErrorBarSeries::Drawing::Plain);
        series->setWhiskerWidth(whiskers);
        const QImage image = Render();
        series->SetDrawing(ErrorBarSeries::Drawing::Adaptive);
        series->setWhiskerWidth(10);
        return image;
    }
};

TEST_F(DenseErrorBarsTest, DrawingFollowsTheDensityOnShow) {
    const int columns = chart->axisRect()->width();
    FillPulses(3 * columns);
    chart->RepaintNow();
    EXPECT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::Envelope);

    chart->PulseSeries()->Clear();
    FillPulses(columns / 2);  // two pixels apart, closer than the whiskers are wide
    chart->RepaintNow();
    EXPECT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::BarsWithoutWhiskers);

    chart->PulseSeries()->Clear();
    FillPulses(columns / 20);
    chart->RepaintNow();
    EXPECT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::Exact);

    chart->PulseSeries()->Clear();
    chart->RepaintNow();
    EXPECT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::Nothing);
}

TEST_F(DenseErrorBarsTest, EnvelopesCoverEveryBarAndNoMore) {
    FillPulses(5 * chart->axisRect()->width());
    chart->RepaintNow();
    const QRect plot = chart->axisRect()->rect();
    const QImage envelope = Render();
    ASSERT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::Envelope);
    // QCustomPlot's bars without whiskers. (Its zero-width whiskers leave a dot at each bar
    // end, rounded to the nearest column, so columns are compared with their neighbours.)
    const QImage plain = RenderPlain(0);

    int uncovered = 0;
    for (int x = plot.left() + 1; x < plot.right(); ++x) {
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            if (IsRed(plain.pixel(x, y)) && !IsRed(envelope.pixel(x - 1, y)) &&
                !IsRed(envelope.pixel(x, y)) && !IsRed(envelope.pixel(x + 1, y))) {
                ++uncovered;
            }
        }
    }
    EXPECT_EQ(uncovered, 0);

    const std::vector<ColumnExtent> shown = RedExtents(envelope, plot);
    const std::vector<ColumnExtent> bars = RedExtents(plain, plot);
    int columnsWithBars = 0;
    int fullColour = 0;
    for (int x = plot.left() + 1; x < plot.right(); ++x) {
        if (shown[x].top < 0) {
            continue;
        }
        SCOPED_TRACE(x);
        int highest = plot.bottom();
        int lowest = plot.top();
        for (int near = x - 1; near <= x + 1; ++near) {
            if (bars[near].top >= 0) {
                highest = std::min(highest, bars[near].top);
                lowest = std::max(lowest, bars[near].bottom);
            }
        }
        EXPECT_GE(shown[x].top, highest);
        EXPECT_LE(shown[x].bottom, lowest);
        ++columnsWithBars;
        for (int y = shown[x].top; y <= shown[x].bottom; ++y) {
            fullColour += envelope.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
        }
    }
    EXPECT_GT(columnsWithBars, plot.width() * 9 / 10);
    // The values stand out in the full colour within the lighter envelopes.
    EXPECT_GT(fullColour, columnsWithBars);
    EXPECT_LT(fullColour, columnsWithBars * plot.height() / 2);
}

TEST_F(DenseErrorBarsTest, SparseBarsAreDrawnExactlyAsQCustomPlotDrawsThem) {
    FillPulses(chart->axisRect()->width() / 20);
    chart->RepaintNow();
    const QImage adaptive = Render();
    ASSERT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::Exact);
    EXPECT_EQ(adaptive, RenderPlain(10));
    int red = 0;
    for (int y = 0; y < adaptive.height(); ++y) {
        for (int x = 0; x < adaptive.width(); ++x) {
            red += IsRed(adaptive.pixel(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(red, 10 * chart->PulseSeries()->Count());
}

TEST_F(DenseErrorBarsTest, CloseBarsLoseOnlyTheirWhiskers) {
    FillPulses(chart->axisRect()->width() / 3);
    chart->RepaintNow();
    const QRect plot = chart->axisRect()->rect();
    const QImage adaptive = Render();
    ASSERT_EQ(chart->PulseSeries()->LastStyle(), ErrorBarSeries::Style::BarsWithoutWhiskers);
    const QImage plain = RenderPlain(0);
    const QImage whiskered = RenderPlain(10);
    int differing = 0;
    int whiskerPixels = 0;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            differing += IsRed(adaptive.pixel(x, y)) != IsRed(plain.pixel(x, y)) ? 1 : 0;
            whiskerPixels += IsRed(whiskered.pixel(x, y)) && !IsRed(adaptive.pixel(x, y)) ? 1 : 0;
        }
    }
    // Zero-width whiskers may still leave a dot at a bar end.
    EXPECT_LE(differing, 2 * chart->PulseSeries()->Count());
    EXPECT_GT(whiskerPixels, chart->PulseSeries()->Count());
}

}  // namespace
}  // namespace kelmor::testing
