#include "running_mean.h"

#include <algorithm>
#include <cmath>

namespace kelmor {

namespace {

constexpr std::array<MeanInterval, kMeanIntervalCount> kIntervals = {{
    {"2h", 2, "2h-Mean"},
    {"4h", 4, "4h-Mean"},
    {"8h", 8, "8h-Mean"},
    {"12h", 12, "12h-Mean"},
    {"24h", 24, "24h-Mean"},
    {"2d", 48, "2d-Mean"},
    {"7d", 168, "7d-Mean"},
    {"Mean", 0, "Mean"},
}};

constexpr int kLongestWindow = 168;

// The sums of the samples in the window. The concentration sum is kept as a whole number:
// every addition and subtraction is rounded, halves to even.
class Window {
  public:
    explicit Window(int length) : length_(length) {}

    void Add(const SampleRecord& s, int index) {
        sum_ = RoundHalfEvenToInt(static_cast<Extended>(sum_) + s.Concentration);
        pulses_ += TruncToInt(s.PulseCount);
        if (length_ > 0) {
            members_[static_cast<std::size_t>((first_ + count_) % length_)] = index;
            ++count_;
        }
    }

    // Takes out the sample that entered first.
    void RemoveOldest(const SampleTableType& samples) {
        const SampleRecord& s =
            samples[static_cast<std::size_t>(members_[static_cast<std::size_t>(first_)])];
        sum_ = RoundHalfEvenToInt(static_cast<Extended>(sum_) - s.Concentration);
        pulses_ -= TruncToInt(s.PulseCount);
        first_ = (first_ + 1) % length_;
        --count_;
    }

    int Count() const { return count_; }
    long long Sum() const { return sum_; }
    long long Pulses() const { return pulses_; }

  private:
    int length_;
    long long sum_ = 0;
    long long pulses_ = 0;
    std::array<int, kLongestWindow> members_{};
    int first_ = 0;
    int count_ = 0;
};

bool DrawMeanPoints(const MeasurementData& data, int window, int row, const MeanOptions& options,
                    MeanSink& sink) {
    if (row < 0 || row >= kMeasurementRows || window < 0 || window > kLongestWindow) {
        return false;
    }
    const MeasurementEntry& m = data.MeasurementTable[static_cast<std::size_t>(row)];
    const int first = std::max(m.FirstSample, 0);
    const int last = std::min(m.LastSample, kSampleSlots - 1);
    if (!(window < last - first)) {
        return false;
    }
    const SampleTableType& samples = data.SampleTable;
    auto sample = [&samples](int i) -> const SampleRecord& {
        return samples[static_cast<std::size_t>(i)];
    };

    // Samples without a time (never written) take no part: they neither enter the window
    // nor leave it.
    Window sums(window);
    int i = first;
    if (window > 0) {
        while (sums.Count() < window && i <= last) {
            if (sample(i).Time != 0) {
                sums.Add(sample(i), i);
                ++i;
                if (sums.Count() == window) {
                    // The opening window's mean, drawn without an error bar.
                    sink.AddMean(sample(i - 1).Time, static_cast<double>(sums.Sum()) / window);
                }
            } else {
                ++i;
            }
        }
        if (sums.Count() < window) {
            return true;
        }
        sums.RemoveOldest(samples);
    }

    int validCount = 0;
    for (; i <= last; ++i) {
        const SampleRecord& s = sample(i);
        if (s.Time == 0) {
            continue;
        }
        ++validCount;
        sums.Add(s, i);
        const double mean = static_cast<double>(sums.Sum()) / (window > 0 ? window : validCount);
        sink.AddMean(s.Time, mean);
        if (options.withErrors) {
            // The Poisson error of the pulses counted in the window.
            const double error =
                sums.Pulses() > 1 ? static_cast<double>(
                                        mean * std::sqrt(1 / static_cast<Extended>(sums.Pulses())))
                                  : mean;
            sink.AddMeanError(s.Time, mean, error);
        }
        AddOverlays(s, options.overlays, sink);
        if (window > 0) {
            sums.RemoveOldest(samples);
        }
    }
    return true;
}

}  // namespace

const std::array<MeanInterval, kMeanIntervalCount>& MeanIntervals() {
    return kIntervals;
}

int MeanIntervalIndex(const QString& item) {
    for (int i = 0; i < kMeanIntervalCount; ++i) {
        if (item == QLatin1String(kIntervals[static_cast<std::size_t>(i)].item)) {
            return i;
        }
    }
    return -1;
}

bool DrawMean(const MeasurementData& data, int window, int row, const MeanOptions& options,
              MeanSink& sink) {
    sink.BeginMean();
    const bool drawn = DrawMeanPoints(data, window, row, options, sink);
    sink.EndMean();
    return drawn;
}

MeanSelection DrawMeanSteppingDown(const MeasurementData& data, int interval, int row,
                                   const MeanOptions& options, MeanSink& sink) {
    MeanSelection selection;
    if (interval < 0 || interval >= kMeanIntervalCount) {
        return selection;
    }
    for (selection.interval = interval;; --selection.interval) {
        const int window = kIntervals[static_cast<std::size_t>(selection.interval)].window;
        selection.drawn = DrawMean(data, window, row, options, sink);
        if (selection.drawn) {
            return selection;
        }
        selection.tooShort = true;
        if (selection.interval == 0) {
            return selection;
        }
    }
}

}  // namespace kelmor
