#include "measurement_summary.h"

#include <algorithm>
#include <cmath>

#include "row_samples.h"

namespace kelmor {

namespace {

constexpr long long kHourMs = 3600000;
constexpr long long kDayMs = 24 * kHourMs;
constexpr Extended kZ95 = 1.96L;  // two-sided 95 % of a normal distribution

long long WholeHours(long long ms) {
    return (ms + kHourMs / 2) / kHourMs;
}

int HourOfDay(long long ms) {
    return static_cast<int>((ms % kDayMs + kDayMs) % kDayMs / kHourMs);
}

class Extremes {
  public:
    void Add(Extended value) {
        sum_ += value;
        lowest_ = count_ == 0 ? value : std::min(lowest_, value);
        highest_ = count_ == 0 ? value : std::max(highest_, value);
        ++count_;
    }

    ClimateFigures Figures() const {
        return {static_cast<double>(sum_ / count_), static_cast<double>(lowest_),
                static_cast<double>(highest_)};
    }

  private:
    Extended sum_ = 0;
    Extended lowest_ = 0;
    Extended highest_ = 0;
    int count_ = 0;
};

// Gathers the samples the scope selects, in time order.
void GatherItems(const MeasurementData& data, const SummaryScope& scope,
                 std::vector<SummaryWorkspace::Item>& items) {
    items.clear();
    const SampleSpan span = RowSamples(data, scope.row);
    for (int k = span.first; k <= span.last; ++k) {
        const SampleRecord& s = data.SampleTable[static_cast<std::size_t>(k)];
        if (s.Time == 0 ||
            (scope.range && !WithinRange(s.Time, scope.range->from, scope.range->to))) {
            continue;
        }
        items.push_back({MillisecondsOf(s.Time), k});
    }
    const auto earlier = [](const SummaryWorkspace::Item& a, const SummaryWorkspace::Item& b) {
        return a.ms < b.ms;
    };
    if (!std::is_sorted(items.begin(), items.end(), earlier)) {
        std::stable_sort(items.begin(), items.end(), earlier);
    }
}

ReferenceVerdict VerdictOf(const MeasurementSummary& summary, double level) {
    if (summary.low95Bqm3 > level) {
        return ReferenceVerdict::Above;
    }
    if (summary.high95Bqm3 < level) {
        return ReferenceVerdict::Below;
    }
    return ReferenceVerdict::Close;
}

}  // namespace

MeasurementSummary Summarise(const MeasurementData& data, const SummaryScope& scope,
                             std::optional<double> referenceBqm3, SummaryWorkspace& workspace) {
    MeasurementSummary summary;
    std::vector<SummaryWorkspace::Item>& items = workspace.items;
    GatherItems(data, scope, items);
    if (items.empty()) {
        return summary;
    }
    const auto sample = [&data](const SummaryWorkspace::Item& item) -> const SampleRecord& {
        return data.SampleTable[static_cast<std::size_t>(item.index)];
    };
    const std::optional<Model> model = ModelFromTag(data.ModelTag());
    const bool hasClimate = model && *model != Model::V5;
    const bool hasPressure = model && *model == Model::V7;

    const int n = static_cast<int>(items.size());
    Extended sum = 0;
    Extended pulses = 0;
    long long coveredMs = 0;
    int run = 0;  // samples so far lying exactly one hour apart
    std::optional<Extended> best24h;
    std::array<Extended, 24> hourSums{};
    std::array<int, 24> hourCounts{};
    Extremes temperature;
    Extremes humidity;
    Extremes pressure;
    int above = 0;

    for (int i = 0; i < n; ++i) {
        const SampleRecord& s = sample(items[static_cast<std::size_t>(i)]);
        const long long ms = items[static_cast<std::size_t>(i)].ms;
        if (i == 0) {
            coveredMs = kHourMs;
            run = 1;
        } else {
            const long long gap = ms - items[static_cast<std::size_t>(i - 1)].ms;
            coveredMs += std::min(gap, kHourMs);
            run = gap == kHourMs ? run + 1 : 1;
        }
        sum += s.Concentration;
        pulses += s.PulseCount;
        if (i == 0 || s.Concentration > summary.maxBqm3) {
            summary.maxBqm3 = static_cast<double>(s.Concentration);
            summary.maxTime = s.Time;
        }
        if (run >= kWindowHours) {
            // Summed afresh for each window: a carried sum would drift by rounding and
            // could let a later window of equal level pass an earlier one.
            Extended windowSum = 0;
            for (int j = i - kWindowHours + 1; j <= i; ++j) {
                windowSum += sample(items[static_cast<std::size_t>(j)]).Concentration;
            }
            const Extended mean = windowSum / kWindowHours;
            if (!best24h || mean > *best24h) {
                best24h = mean;
                summary.max24hEnd = s.Time;
            }
        }
        const int hour = HourOfDay(ms);
        hourSums[static_cast<std::size_t>(hour)] += s.Concentration;
        ++hourCounts[static_cast<std::size_t>(hour)];
        if (hasClimate) {
            temperature.Add(s.Temperature);
            humidity.Add(s.Humidity);
        }
        if (hasPressure) {
            pressure.Add(s.Pressure);
        }
        if (referenceBqm3 && s.Concentration > *referenceBqm3) {
            ++above;
        }
    }

    summary.samples = n;
    summary.first = sample(items.front()).Time;
    summary.last = sample(items.back()).Time;
    summary.durationHours =
        static_cast<int>(WholeHours(items.back().ms - items.front().ms + kHourMs));
    summary.measuredHours = static_cast<int>(WholeHours(coveredMs));
    summary.missingHours = summary.durationHours - summary.measuredHours;
    summary.term = summary.measuredHours >= kLongTermHours ? MeasurementTerm::LongTerm
                                                           : MeasurementTerm::ShortTerm;

    const Extended mean = sum / n;
    summary.totalPulses = static_cast<double>(pulses);
    summary.meanBqm3 = static_cast<double>(mean);
    summary.low95Bqm3 = summary.meanBqm3;
    summary.high95Bqm3 = summary.meanBqm3;
    if (pulses > 0) {
        const Extended error = mean / std::sqrt(pulses);
        summary.errorBqm3 = static_cast<double>(error);
        summary.low95Bqm3 = static_cast<double>(std::max<Extended>(0, mean - kZ95 * error));
        summary.high95Bqm3 = static_cast<double>(mean + kZ95 * error);
    }
    if (best24h) {
        summary.max24hMeanBqm3 = static_cast<double>(*best24h);
    }
    for (std::size_t h = 0; h < hourSums.size(); ++h) {
        if (hourCounts[h] > 0) {
            summary.hourlyProfileBqm3[h] = static_cast<double>(hourSums[h] / hourCounts[h]);
        }
    }
    if (hasClimate) {
        summary.temperature = temperature.Figures();
        summary.humidity = humidity.Figures();
    }
    if (hasPressure) {
        summary.pressure = pressure.Figures();
    }
    if (referenceBqm3) {
        ReferenceComparison& reference = summary.reference.emplace();
        reference.levelBqm3 = *referenceBqm3;
        reference.hoursAbove = above;
        reference.hoursAboveFraction = static_cast<double>(above) / n;
        reference.verdict = VerdictOf(summary, *referenceBqm3);
    }

    // The median last: selecting it reorders the items.
    const auto lower = [&sample](const SummaryWorkspace::Item& a, const SummaryWorkspace::Item& b) {
        return sample(a).Concentration < sample(b).Concentration;
    };
    const auto middle = items.begin() + n / 2;
    std::nth_element(items.begin(), middle, items.end(), lower);
    Extended median = sample(*middle).Concentration;
    if (n % 2 == 0) {
        median =
            (median + sample(*std::max_element(items.begin(), middle, lower)).Concentration) / 2;
    }
    summary.medianBqm3 = static_cast<double>(median);
    return summary;
}

}  // namespace kelmor
