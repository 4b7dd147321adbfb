#pragma once

#include <gtest/gtest.h>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <memory>
#include <vector>

#include "chart/kelmor_chart.h"

namespace kelmor::testing {

inline void SetPoints(ErrorBarSeries* series, std::vector<ErrorBarSeries::Point> points) {
    series->SetPoints(points);
}

inline void SetPoints(LineSeries* series, std::vector<LineSeries::Point> points) {
    series->SetPoints(points);
}

constexpr double kFirstDay = 45000;  // 15 March 2023
constexpr double kHour = 1.0 / 24;

// A chart on screen (offscreen platform) at a fixed size.
class ChartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        chart = std::make_unique<KelmorChart>();
        chart->resize(800, 400);
        chart->show();
    }

    // Hourly pulse distribution with a daily cycle, as the instrument records it.
    void FillPulses(int count, ErrorBarSeries* series = nullptr) {
        std::vector<ErrorBarSeries::Point> points;
        for (int i = 0; i < count; ++i) {
            const double concentration = 200 + 150 * std::sin(i * 2 * M_PI / 24) + (i % 5) * 10;
            points.push_back({kFirstDay + i * kHour, concentration,
                              concentration / std::sqrt(concentration / 6)});
        }
        (series ? series : chart->PulseSeries())->SetPoints(points);
    }

    QImage Render() {
        QImage image(chart->size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QCPPainter painter(&image);
        chart->RenderTo(painter, image.rect());
        painter.end();
        return image;
    }

    std::unique_ptr<KelmorChart> chart;
};

// Reddish: the red of the pulse distribution or its lighter envelope shade.
inline bool IsRed(QRgb pixel) {
    return qRed(pixel) > 200 && qRed(pixel) - qGreen(pixel) > 60 && qGreen(pixel) == qBlue(pixel);
}

}  // namespace kelmor::testing
