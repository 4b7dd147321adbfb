#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "date_time.h"
#include "extended.h"
#include "measurement_image.h"

namespace kelmor {

constexpr int kSampleSlots = 100001;
constexpr int kMeasurementRows = 51;
constexpr int kDirectoryEntries = 27;

struct SampleRecord {
    Extended Concentration = 0;  // Bq/m3
    Extended PulseCount = 0;     // whole pulses counted in the hour
    DateTime Time = 0;
    Extended Error = 0;        // Bq/m3, a whole number
    Extended Temperature = 0;  // degrees Celsius (V6, V7)
    Extended Humidity = 0;     // per cent relative humidity (V6, V7)
    Extended Pressure = 0;     // kPa (V7)
};

// A measurement's samples are SampleTable[FirstSample..LastSample]; LastSample ==
// FirstSample - 1 for a measurement without samples.
struct MeasurementEntry {
    std::int32_t FirstSample = 0;
    std::int32_t LastSample = 0;
    DateTime StartTime = 0;
};

using SampleTableType = std::array<SampleRecord, kSampleSlots>;
// Each sample's climate readings as stored (sample_conversion.h), in step with SampleTable.
using ClimateTableType = std::array<std::uint32_t, kSampleSlots>;
using MeasurementTableType = std::array<MeasurementEntry, kMeasurementRows>;

// The program's measurement state: the image, the values taken from its header and what
// the decoder made of it. One instance lives for the whole run (about 21 MB, allocated
// once); each read-out or opened file replaces all of it.
struct MeasurementData {
    ImageBuffer MeasurementImage{};
    bool ImageLoaded = false;  // an image of a known model has been decoded
    HeaderValues Header;

    SampleTableType SampleTable{};
    ClimateTableType ClimateTable{};
    MeasurementTableType MeasurementTable{};
    std::int32_t LastSampleIndex = -1;
    std::int32_t MeasurementCount = 0;

    // The directory diagnostics of every V6 and V7 decode since start, never cleared.
    QString Memo = QStringLiteral("Memo1");

    // Decoder working storage, kept for the run so that a decode allocates no samples.
    SampleTableType WorkingSamples{};
    ClimateTableType WorkingClimate{};

    std::uint8_t ModelTag() const { return MeasurementImage[0]; }
};

}  // namespace kelmor
