#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "archive/site_report_data.h"
#include "data/safe_file.h"

namespace kelmor {

class Archive;

struct SiteReportRequest {
    QString site;
    QString pdfPath;
    QString csvPath;  // the site's hourly data written beside the report; none when empty
    double referenceLevelBqm3 = 0;
    QDateTime made;  // when the report was made
};

// The site report as PDF bytes, made in memory: a cover page (site, client, address,
// testers, period, reference level), the table of places with their instruments, the
// highest place named, one chart per place, the duplicates and the deviations. Every page
// ends with the program, its version and the date made. Empty when it could not be drawn.
QByteArray RenderSiteReportPdf(const Archive& archive, const SiteReportData& data,
                               const QDateTime& made);

// Gathers, renders and writes the report (and the CSV when asked) through the safe writer,
// so a failing disk leaves earlier files as they were; the error names the site or file.
FileWrite SaveSiteReport(const Archive& archive, const SiteReportRequest& request);

}  // namespace kelmor
