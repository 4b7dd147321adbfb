#include "report_pages.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <algorithm>
#include <numeric>

namespace kelmor {

namespace {

constexpr double kMarginMm = 15;
constexpr double kGap = 10;
// Room around the text of a table cell.
constexpr double kCellPadding = 3;
const QColor kRuleColour(200, 200, 200);
const QColor kHeaderColour(235, 235, 235);

}  // namespace

QString ProgramNameAndVersion() {
    return QStringLiteral("Kelmor Desktop " KELMOR_VERSION);
}

QFont ReportFont(double points, bool bold) {
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

void SetUpReportWriter(QPdfWriter& writer, const QString& title) {
    writer.setResolution(kReportUnitsPerInch);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    writer.setTitle(title);
    writer.setCreator(ProgramNameAndVersion());
}

ReportPages::ReportPages(QPdfWriter& writer, QPainter& painter, QString footer)
    : writer_(writer), painter_(painter), footer_(std::move(footer)) {
    const QRectF page = writer.pageLayout().paintRectPixels(kReportUnitsPerInch);
    const double footerHeight = 2 * QFontMetricsF(ReportFont(8), &writer).height();
    content_ = QRectF(0, 0, page.width(), page.height() - footerHeight);
}

bool ReportPages::Fits(double height) const {
    // A block taller than a page goes on the page it starts, rather than on none.
    return y_ <= content_.top() || y_ + height <= content_.bottom();
}

QRectF ReportPages::Take(double height) {
    if (!Fits(height)) {
        NewPage();
    }
    const QRectF block(content_.left(), y_, content_.width(), height);
    y_ += height + kGap;
    return block;
}

double ReportPages::TextHeight(const QString& text, double width) const {
    return painter_.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
}

void ReportPages::Text(const QString& text, const QFont& font, const QColor& colour) {
    painter_.setFont(font);
    painter_.setPen(colour);
    painter_.drawText(Take(TextHeight(text, Width())), Qt::TextWordWrap, text);
}

void ReportPages::Table(const std::vector<SummaryRow>& rows, const QFont& font) {
    painter_.setFont(font);
    const QFontMetricsF metrics(font, painter_.device());
    double labelWidth = 0;
    for (const SummaryRow& row : rows) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(row.label));
    }
    labelWidth += metrics.height();
    const double valueWidth = Width() - labelWidth;
    for (const SummaryRow& row : rows) {
        painter_.setFont(font);
        const double height = TextHeight(row.value, valueWidth) + metrics.height() / 3;
        QRectF cell = Take(height);
        y_ -= kGap;  // rows follow each other without a gap
        painter_.setPen(QPen(kRuleColour, 0.5));
        painter_.drawLine(cell.bottomLeft(), cell.bottomRight());
        painter_.setPen(Qt::black);
        painter_.drawText(QRectF(cell.left(), cell.top(), labelWidth, height), row.label);
        painter_.drawText(QRectF(cell.left() + labelWidth, cell.top(), valueWidth, height),
                          Qt::TextWordWrap, row.value);
    }
    y_ += kGap;
}

double ReportPages::LineHeight(const ReportLine& line, const QFont& font) const {
    QFont lineFont = font;
    lineFont.setBold(line.warning);
    painter_.setFont(lineFont);
    return TextHeight(line.text, Width() - 4 * kCellPadding) + kCellPadding;
}

void ReportPages::ColumnHeader(const QList<ReportColumn>& columns,
                               const std::vector<double>& widths, const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    painter_.setFont(bold);
    double height = 0;
    for (int c = 0; c < columns.size(); ++c) {
        height = std::max(height, TextHeight(columns[c].title, widths[c] - 2 * kCellPadding));
    }
    height += 2 * kCellPadding;
    painter_.fillRect(QRectF(content_.left(), y_, Width(), height), kHeaderColour);
    painter_.setPen(Qt::black);
    double x = content_.left();
    for (int c = 0; c < columns.size(); ++c) {
        painter_.drawText(QRectF(x + kCellPadding, y_ + kCellPadding, widths[c] - 2 * kCellPadding,
                                 height - 2 * kCellPadding),
                          Qt::TextWordWrap, columns[c].title);
        x += widths[c];
    }
    y_ += height;
}

void ReportPages::Cells(const QStringList& cells, const std::vector<double>& widths,
                        double height) {
    painter_.setPen(Qt::black);
    double x = content_.left();
    for (std::size_t c = 0; c < widths.size(); ++c) {
        painter_.drawText(QRectF(x + kCellPadding, y_ + kCellPadding, widths[c] - 2 * kCellPadding,
                                 height - 2 * kCellPadding),
                          Qt::TextWordWrap, cells.value(static_cast<qsizetype>(c)));
        x += widths[c];
    }
    y_ += height;
}

void ReportPages::Below(const ReportLine& line, const QFont& font, double height) {
    QFont lineFont = font;
    lineFont.setBold(line.warning);
    painter_.setFont(lineFont);
    painter_.setPen(line.warning ? kReportWarningColour : QColor(Qt::black));
    // Indented under the first column, so that the row's lines read as one block.
    painter_.drawText(
        QRectF(content_.left() + 3 * kCellPadding, y_, Width() - 4 * kCellPadding, height),
        Qt::TextWordWrap, line.text);
    y_ += height;
}

void ReportPages::Columns(const QList<ReportColumn>& columns, const QList<ReportRow>& rows,
                          const QFont& font, const QString& heading) {
    const double weights =
        std::accumulate(columns.cbegin(), columns.cend(), 0.0,
                        [](double sum, const ReportColumn& column) { return sum + column.weight; });
    std::vector<double> widths;
    for (const ReportColumn& column : columns) {
        widths.push_back(Width() * column.weight / weights);
    }
    QFont bold = font;
    bold.setBold(true);
    const QFont headingFont = ReportFont(12, true);
    const auto rowHeight = [&](const ReportRow& row) {
        painter_.setFont(font);
        double height = 0;
        for (std::size_t c = 0; c < widths.size(); ++c) {
            height = std::max(height, TextHeight(row.cells.value(static_cast<qsizetype>(c)),
                                                 widths[c] - 2 * kCellPadding));
        }
        return height + 2 * kCellPadding;
    };
    // A row is kept with its lines below on one page; one taller than a page at least with
    // its first line, so that its name never ends a page alone.
    const auto groupHeight = [&](const ReportRow& row) {
        double whole = rowHeight(row);
        for (const ReportLine& line : row.below) {
            whole += LineHeight(line, font);
        }
        return whole;
    };
    const auto headHeight = [&](const ReportRow& row) {
        return rowHeight(row) + (row.below.isEmpty() ? 0 : LineHeight(row.below.first(), font));
    };
    const auto startOnNewPage = [&] {
        NewPage();
        Text(heading + QStringLiteral(" (continued)"), headingFont);
        ColumnHeader(columns, widths, font);
    };

    painter_.setFont(headingFont);
    double opening = TextHeight(heading, Width()) + kGap;
    painter_.setFont(bold);
    opening += QFontMetricsF(bold, painter_.device()).height() * 2 + 2 * kCellPadding;
    const double pageRoom = content_.height() - opening;
    const auto keep = [&](const ReportRow& row) {
        const double whole = groupHeight(row);
        return whole <= pageRoom ? whole : headHeight(row);
    };
    if (!Fits(opening + (rows.isEmpty() ? 0 : keep(rows.first())))) {
        NewPage();
    }
    Text(heading, headingFont);
    ColumnHeader(columns, widths, font);
    for (const ReportRow& row : rows) {
        if (!Fits(keep(row))) {
            startOnNewPage();
        }
        Cells(row.cells, widths, rowHeight(row));
        for (const ReportLine& line : row.below) {
            const double height = LineHeight(line, font);
            if (!Fits(height)) {
                startOnNewPage();
            }
            Below(line, font, height);
        }
        painter_.setPen(QPen(kRuleColour, 0.5));
        painter_.drawLine(QPointF(content_.left(), y_), QPointF(content_.right(), y_));
    }
    y_ += kGap;
}

void ReportPages::NewPage() {
    Footer();
    writer_.newPage();
    ++page_;
    y_ = content_.top();
}

void ReportPages::Finish() {
    Footer();
}

void ReportPages::Footer() {
    painter_.setFont(ReportFont(8));
    painter_.setPen(Qt::darkGray);
    const QRectF line(content_.left(), content_.bottom(), content_.width(),
                      QFontMetricsF(ReportFont(8), painter_.device()).height() * 2);
    painter_.drawText(line, Qt::AlignLeft | Qt::AlignBottom, footer_);
    painter_.drawText(line, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("page %1").arg(page_));
}

}  // namespace kelmor
