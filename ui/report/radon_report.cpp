#include "radon_report.h"

#include <QBuffer>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>

#include "chart/kelmor_chart.h"
#include "data/reference_level.h"
#include "data/summary_text.h"
#include "report_pages.h"
#include "summary/hour_profile_chart.h"

namespace kelmor {

namespace {

constexpr double kChartHeight = 380;
constexpr double kProfileHeight = 300;

}  // namespace

QByteArray RenderReportPdf(const ReportContent& content) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    const QString title = content.chartTitle.trimmed().isEmpty()
                              ? QStringLiteral("Radon measurement")
                              : content.chartTitle;
    SetUpReportWriter(writer, QString(title).replace(QLatin1Char('\n'), QLatin1Char(' ')));

    QPainter painter;
    if (!painter.begin(&writer)) {
        return QByteArray();
    }
    const QString made = content.made.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    ReportPages layout(writer, painter,
                       ProgramNameAndVersion() + QStringLiteral(" - report made ") + made);
    const QLocale locale = QLocale::c();

    layout.Text(title, ReportFont(16, true));
    layout.Text(QStringLiteral("Radon measurement report\n"
                               "File: %1\n"
                               "Instrument: Kelmor %2, calibration factor %3 Bq/m3 per pulse\n"
                               "Summary of: %4")
                    .arg(content.fileName, content.model,
                         locale.toString(content.calibrationFactor, 'f', 2),
                         QString(content.subject).replace(QLatin1Char('\n'), QStringLiteral(", "))),
                ReportFont(10));
    if (content.chart) {
        content.chart->RenderTo(painter, layout.Take(kChartHeight).toRect());
    }
    layout.Table(SummaryRows(content.summary, locale), ReportFont(9.5));

    // The hour of day, the verdict and what it all means on the second page.
    layout.NewPage();
    layout.Text(QStringLiteral("Mean by hour of day"), ReportFont(12, true));
    PaintHourProfile(painter, layout.Take(kProfileHeight), content.summary.hourlyProfileBqm3,
                     content.summary.reference
                         ? std::optional<double>(content.summary.reference->levelBqm3)
                         : std::nullopt,
                     ReportFont(9));
    if (content.summary.samples == 0) {
        layout.Text(QStringLiteral("No sample to summarise."), ReportFont(10));
    }
    const QString sentence = ReferenceSentence(content.summary, locale);
    if (!sentence.isEmpty()) {
        layout.Text(QStringLiteral("Compared with the reference level"), ReportFont(12, true));
        layout.Text(sentence, ReportFont(10));
    }
    layout.Text(QStringLiteral("What the figures mean"), ReportFont(12, true));
    layout.Text(AboutTheFigures(), ReportFont(10));
    QStringList sources;
    for (const ReferenceLevelPreset& preset : ReferenceLevelPresets()) {
        sources << QStringLiteral("- ") + QLatin1String(preset.source);
    }
    layout.Text(QStringLiteral("Reference levels:\n") + sources.join(QLatin1Char('\n')),
                ReportFont(10));
    layout.Finish();
    if (!painter.end()) {
        return QByteArray();
    }
    return bytes;
}

FileWrite SaveReport(const QString& path, const ReportContent& content) {
    const QByteArray pdf = RenderReportPdf(content);
    if (pdf.isEmpty()) {
        FileWrite failed;
        failed.error = QStringLiteral("Cannot write \"%1\": the report could not be drawn.")
                           .arg(QFileInfo(path).fileName());
        return failed;
    }
    return WriteFileSafely(path, pdf.constData(), pdf.size());
}

}  // namespace kelmor
