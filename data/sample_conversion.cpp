#include "sample_conversion.h"

#include <cmath>

namespace kelmor {

DateTime SampleTime(DateTime startTime, int hour) {
    return static_cast<DateTime>(startTime + static_cast<Extended>(hour + 1) / 24);
}

SampleRecord ConvertReadings(Model model, int pulses, ClimateReadings climate,
                             Extended calibrationFactor, DateTime startTime, int hour,
                             const PressureCoefficients& p) {
    SampleRecord sample;
    sample.PulseCount = pulses;
    sample.Concentration = pulses == 0 ? 0 : pulses * calibrationFactor;
    sample.Time = SampleTime(startTime, hour);
    // Reciprocal, root, product, in this order: 225 pulses at 6.0 give 89.
    sample.Error = sample.PulseCount > 0
                       ? std::trunc(sample.Concentration * std::sqrt(1 / sample.PulseCount))
                       : 0;
    if (model == Model::V6) {
        const Extended h = climate >> 16;
        const Extended t = climate & 0xFFFF;
        sample.Temperature = 0.01L * t - 40;
        sample.Humidity = (0.00008L * h + 0.01L) * (sample.Temperature - 25) +
                          (0.0405L * h - 4 - 0.0000028L * h * h);
    } else if (model == Model::V7) {
        const int hb = (climate >> 16) & 0xFF;
        const int tb = (climate >> 8) & 0xFF;
        const int pb = climate & 0xFF;
        // The sensor's 10-bit temperature: the byte with its bits 3..2 repeated below.
        const Extended tr = 4 * tb + (tb / 4) % 4;
        sample.Temperature = std::trunc(-((tr - 605.75L) / 5.35L) + 9);
        sample.Humidity = std::trunc((hb / 255.0L * 3.3L - 0.5L) * 45);
        const Extended padc = 4 * pb;
        const Extended tadc = 4 * tb;
        const Extended pcomp = p.A0 + (p.B1 + p.C12 * tadc) * padc + p.B2 * tadc;
        sample.Pressure = pcomp * 65 / 1023 + 50;
    }
    return sample;
}

}  // namespace kelmor
