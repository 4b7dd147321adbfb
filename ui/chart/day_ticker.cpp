#include "day_ticker.h"

#include <QDateTime>
#include <array>
#include <cmath>

#include "data/date_time.h"

namespace kelmor {

namespace {

// 1 January 0001 and 1 January 10000 as DateTime days: the dates QDate and the instrument's
// format can both name.
constexpr double kFirstNamedDay = -693593;
constexpr double kLastNamedDay = 2958466;

constexpr std::array<double, 14> kSteps = {
    1.0 / 48, 1.0 / 24, 2.0 / 24, 3.0 / 24, 6.0 / 24, 12.0 / 24, 1, 2, 7, 14, 28, 91, 182, 364};

}  // namespace

double DayTicker::getTickStep(const QCPRange& range) {
    const double wanted = range.size() / std::max(tickCount(), 1);
    for (const double step : kSteps) {
        if (step >= wanted) {
            return step;
        }
    }
    return kSteps.back() * std::ceil(wanted / kSteps.back());
}

int DayTicker::getSubTickCount(double) {
    return 1;
}

QString DayTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    if (!(tick >= kFirstNamedDay && tick < kLastNamedDay)) {
        return QString();
    }
    const DateTimeFields f = DecodeDateTime(tick);
    // The fields are wall-clock time already: UTC keeps Qt from shifting hours that a
    // daylight-saving change skips.
    const QDateTime wallClock(QDate(f.year, f.month, f.day),
                              QTime(f.hour, f.minute, f.second, f.millisecond), Qt::UTC);
    return wallClock.toString(format_);
}

}  // namespace kelmor
