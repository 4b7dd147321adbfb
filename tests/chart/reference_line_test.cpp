// The reference level: a dashed line on the left axis, on screen and in every rendering.
#include <QPainter>

#include "chart/reference_line.h"
#include "chart_fixture.h"

namespace kelmor::testing {
namespace {

bool IsReferenceColour(QRgb pixel) {
    const QColor colour = ReferenceLine::Colour();
    return std::abs(qRed(pixel) - colour.red()) < 20 &&
           std::abs(qGreen(pixel) - colour.green()) < 20 && qBlue(pixel) < 40;
}

// Rows holding pixels of the reference colour, with the number of separate runs (dashes)
// each holds.
std::map<int, int> DashRuns(const QImage& image) {
    std::map<int, int> runs;
    for (int y = 0; y < image.height(); ++y) {
        bool inside = false;
        for (int x = 0; x < image.width(); ++x) {
            const bool hit = IsReferenceColour(image.pixel(x, y));
            if (hit && !inside) {
                ++runs[y];
            }
            inside = hit;
        }
    }
    return runs;
}

// The row with the most dashes.
std::pair<int, int> BusiestRow(const QImage& image) {
    std::pair<int, int> busiest{-1, 0};
    for (const auto& [y, count] : DashRuns(image)) {
        if (count > busiest.second) {
            busiest = {y, count};
        }
    }
    return busiest;
}

TEST_F(ChartTest, AReferenceLevelAboveEverySampleIsDrawnDashedAndTheAxisShowsIt) {
    FillPulses(200);  // at most about 440 Bq/m3 with the error bars
    chart->RepaintNow();
    EXPECT_LT(chart->LeftRange().upper, 600);
    EXPECT_TRUE(DashRuns(Render()).empty());

    chart->SetReferenceLevel(600);
    chart->RepaintNow();
    EXPECT_GE(chart->LeftRange().upper, 600);
    const QImage image = Render();
    const auto [row, dashes] = BusiestRow(image);
    EXPECT_NEAR(row, chart->yAxis->coordToPixel(600), 2);
    // Dashes across the plot, not one solid stroke.
    EXPECT_GT(dashes, 20);
    const QRect plot = chart->axisRect()->rect();
    EXPECT_TRUE(IsReferenceColour(image.pixel(plot.center().x(), row)) ||
                IsReferenceColour(image.pixel(plot.center().x() + 6, row)));
    // The line runs along the top of the plot: its label shows below it, not cut off.
    int labelPixels = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = plot.center().x(); x <= plot.right(); ++x) {
            labelPixels += std::abs(y - row) > 2 && IsReferenceColour(image.pixel(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(labelPixels, 50);

    // None: the line goes and the axis follows the data again.
    chart->SetReferenceLevel(std::nullopt);
    chart->RepaintNow();
    EXPECT_TRUE(DashRuns(Render()).empty());
    EXPECT_LT(chart->LeftRange().upper, 600);
}

TEST_F(ChartTest, TheReferenceLineIsOnPicturesAndPaperToo) {
    FillPulses(100);
    chart->SetReferenceLevel(300);
    chart->RepaintNow();
    // A plain QPainter records the chart as a picture and plays it back, as for a printer.
    QImage large(1600, 900, QImage::Format_RGB32);
    large.fill(Qt::white);
    {
        QPainter painter(&large);
        chart->RenderTo(painter, large.rect());
    }
    const auto [row, dashes] = BusiestRow(large);
    EXPECT_GT(dashes, 40);
    EXPECT_GT(row, 0);
    // The line lies where 300 Bq/m3 is on the enlarged chart: between the red bars' top
    // and bottom, as 300 lies between the data's extremes.
    int redAbove = 0;
    int redBelow = 0;
    for (int y = 0; y < large.height(); ++y) {
        for (int x = 0; x < large.width(); x += 3) {
            if (IsRed(large.pixel(x, y))) {
                (y < row ? redAbove : redBelow)++;
            }
        }
    }
    EXPECT_GT(redAbove, 0);
    EXPECT_GT(redBelow, redAbove);
}

TEST_F(ChartTest, AReferenceLevelAloneDrawsNothingAndLeavesTheRangesAtZero) {
    chart->SetReferenceLevel(148);
    chart->RepaintNow();
    EXPECT_EQ(chart->BottomMinimum(), 0);  // the foot line waits for points
    EXPECT_EQ(chart->LeftRange().upper, 0);
    EXPECT_EQ(chart->ReferenceLevel(), 148);
}

}  // namespace
}  // namespace kelmor::testing
