#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "data/date_time.h"

namespace kelmor {

// The figure reference levels are about: the annual average radon concentration of a place.
//
// - Each hourly sample stands for the hour that ends at its time, so it belongs to the
//   calendar month (and day) in which that hour begins. The instrument's clock keeps local
//   time without daylight saving: a month has days x 24 hours.
// - A month's mean is the plain mean of its samples; its covered fraction is the share of
//   its hours that have a sample (an hour two instruments measured counts once).
// - The annual average is the mean of the 12 monthly means of the latest 12 consecutive
//   calendar months each at least half covered: months are weighted alike, so that a
//   heavily measured winter does not outweigh a summer.
// - Without such 12 months: how far from one, in days measured (hours with a sample / 24),
//   months at least half covered, and the share of measured hours in the heating season
//   (1 October to 31 March), when radon indoors is usually highest.
// - The running 365-day mean, for each day with a sample: the mean of the samples of the
//   365 days ending that day, given only when at least half of those days' hours have a
//   sample.

struct HourlyValue {
    DateTime time = 0;  // the end of the hour
    double bqm3 = 0;
};

struct MonthlyMean {
    int year = 0;
    int month = 0;  // 1..12
    double meanBqm3 = 0;
    double coveredFraction = 0;  // 0..1
    int samples = 0;
};

struct DailyMean {
    int year = 0;
    int month = 0;
    int day = 0;
    double meanBqm3 = 0;
};

struct AnnualAverage {
    std::vector<MonthlyMean> months;  // every calendar month from the first to the last
    std::optional<double> annualMeanBqm3;
    std::vector<MonthlyMean> annualMonths;  // the 12 months of the annual average
    double daysMeasured = 0;
    int monthsCovered = 0;  // months at least half covered
    double heatingSeasonFraction = 0;
    std::vector<DailyMean> running365;
};

constexpr double kHalfCovered = 0.5;

// `samples` in time order.
AnnualAverage ComputeAnnualAverage(const std::vector<HourlyValue>& samples);

// "2024-05".
QString MonthName(int year, int month);

}  // namespace kelmor
