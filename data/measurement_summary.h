#pragma once

#include <array>
#include <optional>
#include <vector>

#include "date_time.h"
#include "measurement_data.h"

namespace kelmor {

// The figures a homeowner reads a radon monitor for, computed from the decoded samples of
// one measurement row (or "All measurements", the last row), or of the samples of that row
// that lie in a time range (the zoomed range on show).
//
// How the figures are counted:
// - Samples whose Time is 0 were never written and take no part. Times are compared at
//   millisecond resolution.
// - Each hourly sample stands for the hour that ends at its time (a measurement started at
//   12:30 has its first sample at 13:30). The period therefore begins one hour before the
//   first sample: a measurement of 2160 samples lasts 2160 hours, 90 days.
// - The samples are taken in time order. Within a measurement that is table order; in
//   "All measurements" two measurements overlap only when the clock was set back, and an
//   hour covered twice is counted once in the measured time.
// - Missing hours: the hours of the period covered by no sample (between measurements, or
//   samples never written), rounded to whole hours.
// - Mean: the plain mean of the hourly concentrations, S / n. Its counting error is
//   mean / sqrt(total pulses): the concentration is pulses times the calibration factor,
//   so this is the Poisson error of the mean. The 95 % interval is mean +- 1.96 errors,
//   its lower end held at 0. With no pulse counted at all there is no error.
// - Median: of an even count, the mean of the two middle values.
// - Highest 24-hour mean: the highest mean of 24 samples lying exactly one hour apart (24
//   consecutive hours, whole windows only); a window with a missing hour is not a window.
//   Its time is that of the window's last sample, as the chart draws a trailing mean.
//   Without 24 consecutive hours there is none.
// - Hour-of-day profile: the mean of the samples whose time shows that hour (the hour of
//   the time stamp, as on the chart and in every list); none for an hour without a sample.
// - Climate: mean, lowest and highest of temperature and humidity (V6, V7) and pressure
//   (V7), the model told by the image's tag byte.
// - Term: long-term when 90 days (2160 hours) or more were measured, short-term below.
//   Measured hours are counted, not the calendar span, so that two short measurements a
//   year apart in "All measurements" are not taken for a long-term one.
// - Against a reference level: the share of samples (hours) strictly above it, and whether
//   the mean lies above or below it, or so close that the level lies inside the 95 %
//   interval.

struct TimeRange {
    DateTime from = 0;  // both ends included
    DateTime to = 0;
};

struct SummaryScope {
    int row = -1;                    // a row of MeasurementTable
    std::optional<TimeRange> range;  // only the row's samples in this range
};

struct ClimateFigures {
    double mean = 0;
    double lowest = 0;
    double highest = 0;
};

enum class MeasurementTerm { ShortTerm, LongTerm };

// Where the mean lies against the reference level.
enum class ReferenceVerdict { Below, Close, Above };

struct ReferenceComparison {
    double levelBqm3 = 0;
    int hoursAbove = 0;
    double hoursAboveFraction = 0;  // of all samples
    ReferenceVerdict verdict = ReferenceVerdict::Below;
};

constexpr int kLongTermHours = 90 * 24;
constexpr int kWindowHours = 24;

struct MeasurementSummary {
    int samples = 0;  // nothing below is meaningful while this is 0
    DateTime first = 0;
    DateTime last = 0;
    int durationHours = 0;  // from one hour before the first sample to the last
    int measuredHours = 0;  // hours covered by a sample
    int missingHours = 0;   // durationHours - measuredHours
    MeasurementTerm term = MeasurementTerm::ShortTerm;

    double totalPulses = 0;
    double meanBqm3 = 0;
    std::optional<double> errorBqm3;  // none when no pulse was counted
    double low95Bqm3 = 0;
    double high95Bqm3 = 0;

    double maxBqm3 = 0;
    DateTime maxTime = 0;  // the earliest hour with the highest value
    double medianBqm3 = 0;
    std::optional<double> max24hMeanBqm3;
    DateTime max24hEnd = 0;

    std::array<std::optional<double>, 24> hourlyProfileBqm3{};

    std::optional<ClimateFigures> temperature;
    std::optional<ClimateFigures> humidity;
    std::optional<ClimateFigures> pressure;

    std::optional<ReferenceComparison> reference;
};

// Storage a summary works in, kept by the caller so that summarising again (every zoom)
// allocates nothing once it has grown to the largest selection.
class SummaryWorkspace {
  public:
    struct Item {
        long long ms;  // the sample's time at millisecond resolution
        int index;     // its slot in SampleTable
    };
    std::vector<Item> items;
};

MeasurementSummary Summarise(const MeasurementData& data, const SummaryScope& scope,
                             std::optional<double> referenceBqm3, SummaryWorkspace& workspace);

}  // namespace kelmor
