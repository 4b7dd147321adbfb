#pragma once

#include <QByteArray>

#include "date_time.h"
#include "measurement_data.h"

namespace kelmor {

// The decoded samples of the whole image as "; "-separated text with CRLF line ends: a
// header line, then one row per sample. V7 rows carry the climate columns and end in one
// more separator; V5 and V6 rows stop after the error.
QByteArray ExportText(const MeasurementData& data, const Separators& separators);

}  // namespace kelmor
