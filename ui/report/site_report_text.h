#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <vector>

#include "archive/site_report_data.h"
#include "data/summary_text.h"
#include "report/report_pages.h"

namespace kelmor {

// The words and figures of the site report, apart from drawing them. Numbers are written
// as the one-measurement report writes them, the same in every locale.

// pCi/L to one decimal, as US reports give a result: "2.8".
QString FormatPciL(double bqm3);
// "102 ± 3" and "2.8 ± 0.1": a mean and its counting error in one unit.
QString MeanAndErrorBqm3(const MeasurementSummary& summary);
QString MeanAndErrorPciL(const MeasurementSummary& summary);

// The cover's table: the site, its client and address, the testers, the period, the
// places, the reference level, the instruments, the duplicates, when it was made.
std::vector<SummaryRow> CoverRows(const SiteReportData& data, const QDateTime& made);

// "Each place is reported on its own ...": why there is no mean of the building.
QString PlacesNotAveragedSentence();
// "The highest mean was measured in: Cellar (102 ± 3 Bq/m3, 2.8 ± 0.1 pCi/L)."; empty
// without a place.
QString HighestPlaceSentence(const SiteReportData& data);
// The runs whose instrument's calibration is overdue, in a sentence; empty when none is.
QString OverdueSentence(const SiteReportData& data);
// Where the reference level comes from, when it is one of the presets; empty otherwise.
QString ReferenceSourceSentence(double referenceLevelBqm3);

// The table of places: one row per place, its annual average (or how far it is from
// one) and its instruments below, with a warning under each overdue calibration.
QList<ReportColumn> PlaceColumns(double referenceLevelBqm3);
QList<ReportRow> PlaceRows(const SiteReportData& data);

// The duplicate pairs, and the share of places with one.
QList<ReportColumn> DuplicateColumns();
QList<ReportRow> DuplicateRows(const SiteDuplicates& duplicates);
// "1 of 3 places (33.3 %)".
QString DuplicateShareSentence(const SiteDuplicates& duplicates);

// Each run's placement notes and deviations.
QList<ReportColumn> DeploymentColumns();
QList<ReportRow> DeploymentRows(const SiteReportData& data);

}  // namespace kelmor
