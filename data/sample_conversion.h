#pragma once

#include <cstdint>

#include "date_time.h"
#include "measurement_data.h"

namespace kelmor {

// An hour's climate readings as the instrument stores them, packed into one number: V6
// humidity word << 16 | temperature word; V7 humidity byte << 16 | temperature byte << 8 |
// pressure byte; 0 for the V5, which records none. Kept beside the converted sample so
// that an archive can store the readings as small integers and convert them again into
// exactly the values the window shows.
using ClimateReadings = std::uint32_t;

// The time of hour `hour`'s sample: the end of that hour of a measurement started at
// `startTime`.
DateTime SampleTime(DateTime startTime, int hour);

// The converted values of hour `hour` (0 = the first) of a measurement started at
// `startTime`: the sample the decoder makes of `pulses` and `climate`.
SampleRecord ConvertReadings(Model model, int pulses, ClimateReadings climate,
                             Extended calibrationFactor, DateTime startTime, int hour,
                             const PressureCoefficients& coefficients);

}  // namespace kelmor
