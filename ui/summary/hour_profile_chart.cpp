#include "hour_profile_chart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "chart/reference_line.h"

namespace kelmor {

namespace {

const QColor kBarColour(255, 0, 0);  // the pulse distribution's red
const QColor kGridColour(200, 200, 200);

// The smallest of 1, 2 or 5 times a power of ten that is at least `value`.
double NiceCeiling(double value) {
    if (!(value > 0)) {
        return 1;
    }
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (step * power >= value * (1 - 1e-12)) {
            return step * power;
        }
    }
    return 10 * power;
}

}  // namespace

void PaintHourProfile(QPainter& painter, const QRectF& area, const HourProfile& profile,
                      std::optional<double> referenceBqm3, const QFont& font) {
    painter.save();
    painter.setFont(font);
    painter.setClipRect(area);
    painter.fillRect(area, Qt::white);
    const QFontMetricsF metrics(font, painter.device());
    const double line = metrics.height();
    const double pen = std::max(1.0, line / 14);

    double highest = 0;
    for (const std::optional<double>& mean : profile) {
        highest = std::max(highest, mean.value_or(0));
    }
    if (referenceBqm3) {
        highest = std::max(highest, *referenceBqm3);
    }
    const double top = NiceCeiling(highest);

    const QString title = QStringLiteral("Mean by hour of day (Bq/m3)");
    painter.setPen(Qt::black);
    painter.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignCenter, title);

    const double labelWidth = metrics.horizontalAdvance(QString::number(top, 'g', 6)) + line / 2;
    const QRectF plot(area.left() + labelWidth, area.top() + 1.5 * line,
                      area.width() - labelWidth - line / 2, area.height() - 3 * line);
    if (plot.width() <= 0 || plot.height() <= 0) {
        painter.restore();
        return;
    }
    const auto y = [&plot, top](double value) {
        return plot.bottom() - value / top * plot.height();
    };

    // Value grid at quarters of the scale.
    for (int i = 0; i <= 4; ++i) {
        const double value = top * i / 4;
        painter.setPen(QPen(i == 0 ? Qt::black : kGridColour, pen));
        painter.drawLine(QPointF(plot.left(), y(value)), QPointF(plot.right(), y(value)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y(value) - line / 2, labelWidth - line / 4, line),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(value, 'g', 6));
    }

    const double slot = plot.width() / 24;
    for (int hour = 0; hour < 24; ++hour) {
        const double left = plot.left() + hour * slot;
        const std::optional<double>& mean = profile[static_cast<std::size_t>(hour)];
        if (mean) {
            const QRectF bar(QPointF(left + slot * 0.15, y(*mean)),
                             QPointF(left + slot * 0.85, plot.bottom()));
            painter.fillRect(bar, kBarColour);
        }
        if (hour % 3 == 0) {
            painter.setPen(Qt::black);
            painter.drawText(QRectF(left - slot, plot.bottom() + line / 4, 3 * slot, line),
                             Qt::AlignHCenter | Qt::AlignTop, QString::number(hour));
        }
    }

    if (referenceBqm3) {
        QPen dashed(ReferenceLine::Colour(), 2 * pen, Qt::DashLine);
        dashed.setCapStyle(Qt::FlatCap);
        painter.setPen(dashed);
        painter.drawLine(QPointF(plot.left(), y(*referenceBqm3)),
                         QPointF(plot.right(), y(*referenceBqm3)));
    }
    painter.restore();
}

HourProfileChart::HourProfileChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Mean by hour of day"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void HourProfileChart::SetProfile(const HourProfile& profile, std::optional<double> referenceBqm3) {
    profile_ = profile;
    reference_ = referenceBqm3;
    QStringList hours;
    for (std::size_t h = 0; h < profile.size(); ++h) {
        hours << QStringLiteral("%1 h: %2")
                     .arg(h)
                     .arg(profile[h] ? QString::number(std::round(*profile[h]))
                                     : QStringLiteral("no sample"));
    }
    setAccessibleDescription(hours.join(QStringLiteral(", ")));
    update();
}

QSize HourProfileChart::sizeHint() const {
    const int line = fontMetrics().height();
    return QSize(30 * line, 14 * line);
}

QSize HourProfileChart::minimumSizeHint() const {
    const int line = fontMetrics().height();
    return QSize(16 * line, 9 * line);
}

void HourProfileChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintHourProfile(painter, rect(), profile_, reference_, font());
}

}  // namespace kelmor
