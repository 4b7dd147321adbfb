#pragma once

#include <QFont>
#include <QRectF>
#include <QWidget>
#include <array>
#include <optional>

class QPainter;

namespace kelmor {

using HourProfile = std::array<std::optional<double>, 24>;

// The mean radon concentration by hour of day as 24 bars on white, hour 0 first, with the
// reference level as a dashed line when one is chosen. One drawing routine for the summary
// panel and the report: `font` sets the size of every text and line, so the chart reads
// the same at the window's font size and on paper.
void PaintHourProfile(QPainter& painter, const QRectF& area, const HourProfile& profile,
                      std::optional<double> referenceBqm3, const QFont& font);

// PaintHourProfile as a widget, in the widget's font. Its accessible description lists the
// 24 means, for those who cannot see the bars.
class HourProfileChart : public QWidget {
    Q_OBJECT

  public:
    explicit HourProfileChart(QWidget* parent = nullptr);

    void SetProfile(const HourProfile& profile, std::optional<double> referenceBqm3);
    const HourProfile& Profile() const { return profile_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    HourProfile profile_{};
    std::optional<double> reference_;
};

}  // namespace kelmor
