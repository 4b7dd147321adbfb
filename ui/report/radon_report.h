#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "data/data_file.h"
#include "data/measurement_summary.h"
#include "report/report_pages.h"

namespace kelmor {

class KelmorChart;

// What "Save report..." puts on paper: one or two A4 pages a homeowner can hand on.
struct ReportContent {
    QString chartTitle;            // the chart's title as the user edited it; lines split at '\n'
    QString fileName;              // the data file's name, or how the data came ("read-out")
    QString model;                 // "V5", "V6", "V7"
    double calibrationFactor = 0;  // Bq/m3 per counted pulse
    QString subject;               // what the summary covers (SummarySubject)
    MeasurementSummary summary;
    KelmorChart* chart = nullptr;  // drawn as it stands, in vectors
    QDateTime made;                // when the report was made
};

// The report as PDF bytes, made in memory: page 1 the title, the file, the model and its
// calibration factor, the chart and the summary table; page 2 the mean by hour of day, the
// comparison with the reference level and what the figures mean. Every page ends with the
// program, its version and the date made. Empty when the PDF could not be drawn.
QByteArray RenderReportPdf(const ReportContent& content);

// Renders the report and writes it through the safe writer, so a failing disk leaves an
// earlier file as it was; the error names the file and the reason.
FileWrite SaveReport(const QString& path, const ReportContent& content);

}  // namespace kelmor
