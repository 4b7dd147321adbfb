#include "radon_report.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "chart/kelmor_chart.h"
#include "data/reference_level.h"
#include "data/summary_text.h"
#include "summary/hour_profile_chart.h"

namespace kelmor {

namespace {

// The page is laid out in units of 1/96 inch, the chart's screen pixels, so the chart
// comes out with the text sizes it has on screen.
constexpr int kUnitsPerInch = 96;
constexpr double kMarginMm = 15;
constexpr double kGap = 10;
constexpr double kChartHeight = 380;
constexpr double kProfileHeight = 300;

QFont Font(double points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString AboutTheFigures() {
    return QStringLiteral(
        "The monitor counts the decays of radon and its progeny hour by hour; the "
        "concentration of an hour is its count times the calibration factor. The figure "
        "after \u00B1 is the counting error of the mean, and the 95 % interval reaches 1.96 "
        "such errors either side. Radon changes from hour to hour, with the weather and "
        "with the seasons: reference levels apply to the annual average, so a measurement "
        "shorter than 90 days is an indication (short-term) and one of 90 days or more a "
        "long-term measurement. 1 pCi/L is 37 Bq/m3.");
}

// Draws from the top of the page down, starting a new page where a block does not fit.
class ReportLayout {
  public:
    ReportLayout(QPdfWriter& writer, QPainter& painter, QString footer)
        : writer_(writer), painter_(painter), footer_(std::move(footer)) {
        const QRectF page = writer.pageLayout().paintRectPixels(kUnitsPerInch);
        const double footerHeight = 2 * QFontMetricsF(Font(8), &writer).height();
        content_ = QRectF(0, 0, page.width(), page.height() - footerHeight);
    }

    double Width() const { return content_.width(); }

    // Room for a block of `height` units on this page or the next.
    QRectF Take(double height) {
        if (y_ > content_.top() && y_ + height > content_.bottom()) {
            NewPage();
        }
        const QRectF block(content_.left(), y_, content_.width(), height);
        y_ += height + kGap;
        return block;
    }

    void Text(const QString& text, const QFont& font) {
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        const QRectF needed =
            painter_.boundingRect(QRectF(0, 0, Width(), 1e6), Qt::TextWordWrap, text);
        painter_.drawText(Take(needed.height()), Qt::TextWordWrap, text);
    }

    void Table(const std::vector<SummaryRow>& rows, const QFont& font) {
        painter_.setFont(font);
        const QFontMetricsF metrics(font, painter_.device());
        double labelWidth = 0;
        for (const SummaryRow& row : rows) {
            labelWidth = std::max(labelWidth, metrics.horizontalAdvance(row.label));
        }
        labelWidth += metrics.height();
        const double valueWidth = Width() - labelWidth;
        for (const SummaryRow& row : rows) {
            const double height =
                painter_.boundingRect(QRectF(0, 0, valueWidth, 1e6), Qt::TextWordWrap, row.value)
                    .height() +
                metrics.height() / 3;
            QRectF cell = Take(height);
            y_ -= kGap;  // rows follow each other without a gap
            painter_.setPen(QPen(QColor(200, 200, 200), 0.5));
            painter_.drawLine(cell.bottomLeft(), cell.bottomRight());
            painter_.setPen(Qt::black);
            painter_.drawText(QRectF(cell.left(), cell.top(), labelWidth, height), row.label);
            painter_.drawText(QRectF(cell.left() + labelWidth, cell.top(), valueWidth, height),
                              Qt::TextWordWrap, row.value);
        }
        y_ += kGap;
    }

    void Finish() { Footer(); }

    void NewPage() {
        Footer();
        writer_.newPage();
        ++page_;
        y_ = content_.top();
    }

  private:
    void Footer() {
        painter_.setFont(Font(8));
        painter_.setPen(Qt::darkGray);
        const QRectF line(content_.left(), content_.bottom(), content_.width(),
                          QFontMetricsF(Font(8), painter_.device()).height() * 2);
        painter_.drawText(line, Qt::AlignLeft | Qt::AlignBottom, footer_);
        painter_.drawText(line, Qt::AlignRight | Qt::AlignBottom,
                          QStringLiteral("page %1").arg(page_));
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    QString footer_;
    QRectF content_;
    double y_ = 0;
    int page_ = 1;
};

}  // namespace

QString ProgramNameAndVersion() {
    return QStringLiteral("Kelmor Desktop " KELMOR_VERSION);
}

QByteArray RenderReportPdf(const ReportContent& content) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kUnitsPerInch);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    const QString title = content.chartTitle.trimmed().isEmpty()
                              ? QStringLiteral("Radon measurement")
                              : content.chartTitle;
    writer.setTitle(QString(title).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    writer.setCreator(ProgramNameAndVersion());

    QPainter painter;
    if (!painter.begin(&writer)) {
        return QByteArray();
    }
    const QString made = content.made.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    ReportLayout layout(writer, painter,
                        ProgramNameAndVersion() + QStringLiteral(" - report made ") + made);
    const QLocale locale = QLocale::c();

    layout.Text(title, Font(16, true));
    layout.Text(QStringLiteral("Radon measurement report\n"
                               "File: %1\n"
                               "Instrument: Kelmor %2, calibration factor %3 Bq/m3 per pulse\n"
                               "Summary of: %4")
                    .arg(content.fileName, content.model,
                         locale.toString(content.calibrationFactor, 'f', 2),
                         QString(content.subject).replace(QLatin1Char('\n'), QStringLiteral(", "))),
                Font(10));
    if (content.chart) {
        content.chart->RenderTo(painter, layout.Take(kChartHeight).toRect());
    }
    layout.Table(SummaryRows(content.summary, locale), Font(9.5));

    // The hour of day, the verdict and what it all means on the second page.
    layout.NewPage();
    layout.Text(QStringLiteral("Mean by hour of day"), Font(12, true));
    PaintHourProfile(painter, layout.Take(kProfileHeight), content.summary.hourlyProfileBqm3,
                     content.summary.reference
                         ? std::optional<double>(content.summary.reference->levelBqm3)
                         : std::nullopt,
                     Font(9));
    if (content.summary.samples == 0) {
        layout.Text(QStringLiteral("No sample to summarise."), Font(10));
    }
    const QString sentence = ReferenceSentence(content.summary, locale);
    if (!sentence.isEmpty()) {
        layout.Text(QStringLiteral("Compared with the reference level"), Font(12, true));
        layout.Text(sentence, Font(10));
    }
    layout.Text(QStringLiteral("What the figures mean"), Font(12, true));
    layout.Text(AboutTheFigures(), Font(10));
    QStringList sources;
    for (const ReferenceLevelPreset& preset : ReferenceLevelPresets()) {
        sources << QStringLiteral("- ") + QLatin1String(preset.source);
    }
    layout.Text(QStringLiteral("Reference levels:\n") + sources.join(QLatin1Char('\n')), Font(10));
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
