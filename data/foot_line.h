#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "date_time.h"
#include "measurement_data.h"

namespace kelmor {

// The mean radon level of every sample of the image whose time lies in a range (both ends
// included), with its Poisson error: the error is relative 1 / sqrt(pulses), never below
// a tenth of the level.
struct FootLevel {
    Extended sum = 0;  // Bq/m3 summed over the range
    int count = 0;     // samples in the range
    long long level = 0;
    long long error = 0;
};

FootLevel ComputeFootLevel(const MeasurementData& data, DateTime from, DateTime to,
                           Extended calibrationFactor);

// A date-time as the user's regional settings write it: short date, a blank and the long
// time, the time left out at midnight exactly; the separators given replace the locale's.
QString FormatLocaleDateTime(DateTime value, const QLocale& locale, const Separators& separators);

// "StartTime: <from>, EndTime: <to> Radonlevel :<level>±<error>" for the range on show,
// or nothing while the range starts at 0 (no points drawn yet).
std::optional<QString> FootLine(const MeasurementData& data, DateTime from, DateTime to,
                                Extended calibrationFactor, const QLocale& locale,
                                const Separators& separators);

}  // namespace kelmor
