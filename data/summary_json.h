#pragma once

#include <QByteArray>

#include "measurement_summary.h"

namespace kelmor {

// A summary as one JSON object, for kelmor-cli summary --json. Times are ISO local times
// ("2024-05-02T15:00:00"); concentrations in Bq/m3 unless a key says pCi/L. A figure that
// does not exist (no sample, no pulse, no 24 hours in a row, a climate value the model
// does not record) is null. The reference keys appear only with a reference level and at
// least one sample:
//   first, last, samples, duration_hours, measured_hours, missing_hours, term, pulses,
//   mean_bq_m3, error_bq_m3, interval_95_bq_m3 [low, high], mean_pci_l, error_pci_l,
//   max_bq_m3, max_time, median_bq_m3, max_24h_mean_bq_m3, max_24h_mean_end,
//   hourly_profile_bq_m3 (24 values, hour 0 first), temperature_c, humidity_percent,
//   pressure_kpa ({mean, lowest, highest}), reference_bq_m3, reference_pci_l, hours_above,
//   hours_above_fraction, verdict ("below", "close", "above"), assessment (the sentence).
QByteArray SummaryJson(const MeasurementSummary& summary);

}  // namespace kelmor
