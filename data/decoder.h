#pragma once

#include <QString>
#include <QStringList>

#include "date_time.h"
#include "measurement_data.h"

namespace kelmor {

struct DecodeContext {
    DateTime now = 0;  // the PC's local time: a V7 measurement may not start after it
    Separators separators;
};

// What the main window applies after a decode. Before a decode it disables the View
// menu and clears the measurement list (and for V5 disables the climate items).
struct DecodeOutcome {
    Model model = Model::V5;
    bool measurementsFound = false;
    QStringList listItems;  // one per measurement in start order, then "All measurements"
    QString message;        // shown in an error box when no measurement was found
    bool climateItemsEnabled = false;  // "Temperature (V6 & V7)", "Humidity (V6 & V7)"
};

inline const QString kAllMeasurementsItem = QStringLiteral("All measurements");
inline const QString kNoMeasurementsMessage = QStringLiteral("No measurements saved in V5! ");

// Each decoder reads data.MeasurementImage and data.Header and replaces the tables.
DecodeOutcome DecodeV5Image(MeasurementData& data, const DecodeContext& context);
DecodeOutcome DecodeV6Image(MeasurementData& data, const DecodeContext& context);
DecodeOutcome DecodeV7Image(MeasurementData& data, const DecodeContext& context);
DecodeOutcome DecodeImage(MeasurementData& data, Model model, const DecodeContext& context);

// The sample list of the file "v5dat.tmp", one line per sample ending in `lineEnd`:
// "DD/MM HH.00; 600".
QString SampleListText(const MeasurementData& data, const Separators& separators,
                       QLatin1String lineEnd);

}  // namespace kelmor
