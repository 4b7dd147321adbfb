#include "archive/annual_average.h"

#include <QDate>
#include <cmath>

namespace kelmor {

namespace {

constexpr long long kMsPerHour = 3600000;
constexpr long long kMsPerDay = 24 * kMsPerHour;
constexpr int kWindowDays = 365;

bool InHeatingSeason(int month) {
    return month >= 10 || month <= 3;
}

long long FloorDiv(long long a, long long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

QString MonthName(int year, int month) {
    return QStringLiteral("%1-%2")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'));
}

AnnualAverage ComputeAnnualAverage(const std::vector<HourlyValue>& samples) {
    AnnualAverage result;
    if (samples.empty()) {
        return result;
    }
    struct Sums {
        double sum = 0;
        int samples = 0;
        int hours = 0;
    };
    auto hourStartMs = [](const HourlyValue& v) { return MillisecondsOf(v.time) - kMsPerHour; };
    const long long firstMs = hourStartMs(samples.front());
    const long long lastMs = hourStartMs(samples.back());
    const DateTimeFields firstFields = DecodeDateTime(static_cast<DateTime>(firstMs) / kMsPerDay);
    const DateTimeFields lastFields = DecodeDateTime(static_cast<DateTime>(lastMs) / kMsPerDay);
    const int firstMonth = firstFields.year * 12 + firstFields.month - 1;
    const int monthCount = lastFields.year * 12 + lastFields.month - 1 - firstMonth + 1;
    const long long firstDay = FloorDiv(firstMs, kMsPerDay);
    const long long dayCount = FloorDiv(lastMs, kMsPerDay) - firstDay + 1;
    if (monthCount <= 0 || dayCount <= 0) {
        return result;  // not in time order
    }
    std::vector<Sums> months(static_cast<std::size_t>(monthCount));
    std::vector<Sums> days(static_cast<std::size_t>(dayCount));

    long long previousHour = 0;
    bool first = true;
    int hours = 0;
    int heatingHours = 0;
    for (const HourlyValue& v : samples) {
        const long long startMs = hourStartMs(v);
        const long long hour = FloorDiv(startMs, kMsPerHour);
        const DateTimeFields f = DecodeDateTime(static_cast<DateTime>(startMs) / kMsPerDay);
        const long long m = f.year * 12 + f.month - 1 - firstMonth;
        const long long d = FloorDiv(startMs, kMsPerDay) - firstDay;
        if (m < 0 || m >= monthCount || d < 0 || d >= dayCount) {
            continue;  // out of time order
        }
        const bool newHour = first || hour != previousHour;
        first = false;
        previousHour = hour;
        Sums& month = months[static_cast<std::size_t>(m)];
        Sums& day = days[static_cast<std::size_t>(d)];
        month.sum += v.bqm3;
        month.samples += 1;
        day.sum += v.bqm3;
        day.samples += 1;
        if (newHour) {
            month.hours += 1;
            day.hours += 1;
            hours += 1;
            heatingHours += InHeatingSeason(f.month) ? 1 : 0;
        }
    }

    for (int i = 0; i < monthCount; ++i) {
        const int year = (firstMonth + i) / 12;
        const int month = (firstMonth + i) % 12 + 1;
        const Sums& s = months[static_cast<std::size_t>(i)];
        MonthlyMean mean;
        mean.year = year;
        mean.month = month;
        mean.samples = s.samples;
        mean.meanBqm3 = s.samples > 0 ? s.sum / s.samples : 0;
        mean.coveredFraction =
            static_cast<double>(s.hours) / (QDate(year, month, 1).daysInMonth() * 24);
        result.monthsCovered += mean.coveredFraction >= kHalfCovered ? 1 : 0;
        result.months.push_back(mean);
    }
    int run = 0;
    for (int i = 0; i < monthCount; ++i) {
        run = result.months[static_cast<std::size_t>(i)].coveredFraction >= kHalfCovered ? run + 1
                                                                                         : 0;
        if (run >= 12) {
            result.annualMonths.assign(result.months.begin() + (i - 11),
                                       result.months.begin() + (i + 1));
        }
    }
    if (!result.annualMonths.empty()) {
        double sum = 0;
        for (const MonthlyMean& m : result.annualMonths) {
            sum += m.meanBqm3;
        }
        result.annualMeanBqm3 = sum / 12;
    }
    result.daysMeasured = hours / 24.0;
    result.heatingSeasonFraction = hours > 0 ? static_cast<double>(heatingHours) / hours : 0;

    // Running sums over the days, the window's hours needing half of 365 days.
    Sums window;
    for (long long d = 0; d < dayCount; ++d) {
        const Sums& in = days[static_cast<std::size_t>(d)];
        window.sum += in.sum;
        window.samples += in.samples;
        window.hours += in.hours;
        if (d >= kWindowDays) {
            const Sums& out = days[static_cast<std::size_t>(d - kWindowDays)];
            window.sum -= out.sum;
            window.samples -= out.samples;
            window.hours -= out.hours;
        }
        if (in.samples == 0 || window.hours * 2 < kWindowDays * 24) {
            continue;
        }
        const DateTimeFields f = DecodeDateTime(static_cast<DateTime>(firstDay + d));
        result.running365.push_back({f.year, f.month, f.day, window.sum / window.samples});
    }
    return result;
}

}  // namespace kelmor
