#pragma once

#include <QString>
#include <array>

#include "date_time.h"
#include "measurement_data.h"
#include "overlay.h"

namespace kelmor {

// The intervals of the "Mean" list. Samples lie one hour apart, so a window of N samples
// is N hours long; a window of 0 is the cumulative mean from the measurement's start.
struct MeanInterval {
    const char* item;
    int window;
    const char* titleLine;
};

constexpr int kMeanIntervalCount = 8;
const std::array<MeanInterval, kMeanIntervalCount>& MeanIntervals();
// The index of an item text ("2h" .. "Mean"), or -1.
int MeanIntervalIndex(const QString& item);

inline const QString kMeanTooLongText = QStringLiteral("Mean intervall > number of measurements");

// Where a drawing of the mean puts its points: the chart in the window, a list in tests
// and the command-line tool.
class MeanSink : public OverlaySink {
  public:
    // Before every drawing: the mean, its errors and the overlays are emptied.
    virtual void BeginMean() = 0;
    virtual void AddMean(DateTime time, double mean) = 0;
    virtual void AddMeanError(DateTime time, double mean, double error) = 0;
    // After every drawing, also one that found the measurement too short.
    virtual void EndMean() {}
};

struct MeanOptions {
    bool withErrors = false;  // the mean-error flag
    OverlayChoice overlays;
};

// The trailing mean over `window` samples (0: cumulative) of measurement row `row`, in one
// pass. False when the measurement has fewer than window + 2 samples: nothing is drawn.
bool DrawMean(const MeasurementData& data, int window, int row, const MeanOptions& options,
              MeanSink& sink);

struct MeanSelection {
    int interval = -1;      // the item finally drawn or tried
    bool tooShort = false;  // some interval was longer than the measurement
    bool drawn = false;
};

// Draws the mean of interval item `interval`; while the measurement is too short for it,
// steps to the next shorter interval, down to "2h".
MeanSelection DrawMeanSteppingDown(const MeasurementData& data, int interval, int row,
                                   const MeanOptions& options, MeanSink& sink);

}  // namespace kelmor
