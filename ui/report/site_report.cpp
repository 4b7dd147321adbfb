#include "site_report.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <optional>

#include "archive/archive.h"
#include "chart/chart_sink.h"
#include "chart/kelmor_chart.h"
#include "report_pages.h"
#include "site_report_text.h"

namespace kelmor {

namespace {

// The chart as a widget of the size it has in the window, laid out at it once and then
// drawn at the page's size, so that its texts keep their size on screen.
constexpr QSize kChartSize(900, 420);
constexpr double kChartHeight = 290;

void Cover(ReportPages& pages, const SiteReportData& data, const QDateTime& made) {
    pages.Text(QStringLiteral("Radon survey report"), ReportFont(20, true));
    pages.Text(data.site.name, ReportFont(16, true));
    pages.Table(CoverRows(data, made), ReportFont(10));
    pages.Text(PlacesNotAveragedSentence(), ReportFont(10));
    const QString highest = HighestPlaceSentence(data);
    if (!highest.isEmpty()) {
        pages.Text(highest, ReportFont(11, true));
    }
    const QString overdue = OverdueSentence(data);
    if (!overdue.isEmpty()) {
        pages.Text(overdue, ReportFont(10, true), kReportWarningColour);
    }
    pages.Text(QStringLiteral("What the figures mean"), ReportFont(12, true));
    QString about = AboutTheFigures();
    const QString source = ReferenceSourceSentence(data.referenceLevelBqm3);
    if (!source.isEmpty()) {
        about += QStringLiteral("\nReference level: ") + source;
    }
    pages.Text(about, ReportFont(10));
}

// Each place's samples drawn as the window draws a place: its pulse distribution with the
// reference level. False when a place could not be read.
bool Charts(ReportPages& pages, QPainter& painter, const Archive& archive,
            const SiteReportData& data) {
    pages.NewPage();
    pages.Text(QStringLiteral("The places' hourly concentrations"), ReportFont(12, true));
    auto samples = std::make_unique<MeasurementData>();
    KelmorChart chart;
    chart.resize(kChartSize);
    ChartSink sink(chart);
    if (data.referenceLevelBqm3 > 0) {
        chart.SetReferenceLevel(data.referenceLevelBqm3);
    }
    for (const SitePlaceFigures& place : data.places) {
        if (!archive.PlaceData(place.place, *samples).ok) {
            return false;
        }
        DrawPulseDistribution(*samples, 0, OverlayChoice{}, sink);
        chart.SetTitleLines({place.place});
        // Laid out once with the new points, so that the axes' margins fit their labels.
        chart.RepaintNow();
        chart.RenderTo(painter, pages.Take(kChartHeight).toRect());
    }
    return true;
}

// Whether two paths name one file, also through links when it exists.
bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists()) {
        return first.canonicalFilePath() == second.canonicalFilePath();
    }
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}

}  // namespace

QByteArray RenderSiteReportPdf(const Archive& archive, const SiteReportData& data,
                               const QDateTime& made) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    SetUpReportWriter(writer, QStringLiteral("Radon survey report: ") + data.site.name);
    QPainter painter;
    if (!painter.begin(&writer)) {
        return QByteArray();
    }
    ReportPages pages(writer, painter,
                      ProgramNameAndVersion() + QStringLiteral(" - site report made ") +
                          made.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    Cover(pages, data, made);

    pages.NewPage();
    if (data.places.isEmpty()) {
        pages.Text(QStringLiteral("No place of this site holds a measurement."), ReportFont(10));
    } else {
        pages.Columns(PlaceColumns(data.referenceLevelBqm3), PlaceRows(data), ReportFont(9),
                      QStringLiteral("Places"));
        pages.Text(HighestPlaceSentence(data), ReportFont(10, true));
    }
    const QString share = QStringLiteral("Places with a duplicate: ") +
                          DuplicateShareSentence(data.duplicates) + QLatin1Char('.');
    if (data.duplicates.pairs.isEmpty()) {
        pages.Text(QStringLiteral("Duplicates"), ReportFont(12, true));
        pages.Text(
            QStringLiteral("No place was measured by two instruments side by side. ") + share,
            ReportFont(10));
    } else {
        pages.Columns(DuplicateColumns(), DuplicateRows(data.duplicates), ReportFont(9),
                      QStringLiteral("Duplicates"));
        pages.Text(share + QStringLiteral(" Each mean is taken over the common hours only; the "
                                          "relative difference is the difference of the two "
                                          "means over their average."),
                   ReportFont(10));
    }
    if (!data.places.isEmpty()) {
        pages.Columns(DeploymentColumns(), DeploymentRows(data), ReportFont(9),
                      QStringLiteral("Placement and deviations"));
        if (!Charts(pages, painter, archive, data)) {
            painter.end();
            return QByteArray();
        }
    }
    pages.Finish();
    if (!painter.end()) {
        return QByteArray();
    }
    return bytes;
}

FileWrite SaveSiteReport(const Archive& archive, const SiteReportRequest& request) {
    FileWrite result;
    QString reason;
    const std::optional<SiteReportData> data =
        GatherSiteReport(archive, request.site, request.referenceLevelBqm3, &reason);
    if (!data) {
        result.error =
            QStringLiteral("Cannot make the report of site \"%1\": %2").arg(request.site, reason);
        return result;
    }
    const QString pdfName = QFileInfo(request.pdfPath).fileName();
    if (!request.csvPath.isEmpty() && SameFile(request.csvPath, request.pdfPath)) {
        result.error = QStringLiteral(
                           "Cannot write \"%1\": the hourly data would replace the "
                           "report; choose another name for one of them.")
                           .arg(pdfName);
        return result;
    }
    const QByteArray pdf = RenderSiteReportPdf(archive, *data, request.made);
    if (pdf.isEmpty()) {
        result.error = QStringLiteral(
                           "Cannot write \"%1\": the report of site \"%2\" could not "
                           "be drawn.")
                           .arg(pdfName, request.site);
        return result;
    }

    // Both files are written in full beside their targets before either replaces its
    // target, so that a failing disk leaves the earlier report and data as they were.
    std::optional<SafeFile> csv;
    if (!request.csvPath.isEmpty()) {
        csv.emplace(request.csvPath);
        if (!csv->open(QIODevice::WriteOnly)) {
            result.error = csv->ErrorMessage();
            return result;
        }
        const ArchiveStatus exported = archive.ExportSiteCsv(request.site, *csv);
        if (!exported.ok) {
            csv->CancelWriting(exported.error);
            result.error = csv->ErrorMessage();
            return result;
        }
    }
    SafeFile report(request.pdfPath);
    if (!report.open(QIODevice::WriteOnly) || report.write(pdf) != pdf.size() || !report.Commit()) {
        result.error = report.ErrorMessage();
        return result;  // the unfinished CSV goes with its SafeFile
    }
    if (csv && !csv->Commit()) {
        result.error = csv->ErrorMessage() + QStringLiteral(" The report was written.");
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace kelmor
