#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <vector>

#include "archive/annual_average.h"
#include "data/measurement_data.h"
#include "data/measurement_summary.h"

namespace kelmor {

// The samples of a measurement row as the annual average takes them, in time order.
std::vector<HourlyValue> HourlyValuesOf(const MeasurementData& data, int row);

// The annual keys of a place's summary, added to those of the measurement summary:
//   annual_mean_bq_m3 (null without 12 such months), annual_months (["YYYY-MM", ...]),
//   monthly_means ([{month, mean_bq_m3, covered_fraction}]), heating_season_fraction,
//   days_measured, months_covered.
void AddAnnualKeys(const AnnualAverage& annual, QJsonObject& object);
// The measurement summary's JSON object with the annual keys.
QByteArray PlaceSummaryJson(const MeasurementSummary& summary, const AnnualAverage& annual);

// The annual average with its twelve months, or how far the place is from one, as lines
// of plain text.
QStringList AnnualTextLines(const AnnualAverage& annual, const QLocale& locale);
// The same without the months: the annual average and its heating season, or how far the
// place is from one.
QStringList AnnualVerdictLines(const AnnualAverage& annual, const QLocale& locale);

}  // namespace kelmor
