#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPainter>
#include <QPdfWriter>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

#include "data/summary_text.h"

namespace kelmor {

// The pages of the reports: A4 portrait, laid out in units of 1/96 inch, the chart's
// screen pixels, so that a chart comes out with the text sizes it has on screen.
constexpr int kReportUnitsPerInch = 96;

// "Kelmor Desktop 2.19": the program and the version it was built as.
QString ProgramNameAndVersion();

QFont ReportFont(double points, bool bold = false);

// The dark red of a warning the reader must not miss.
inline const QColor kReportWarningColour(170, 0, 0);

// What the figures of a report mean, for a reader who is no physicist.
QString AboutTheFigures();

// Sets the writer up for a report's pages: A4 portrait, its margins and units, the
// document's title and the program as its creator.
void SetUpReportWriter(QPdfWriter& writer, const QString& title);

// A column of a table drawn across the page: its share of the width is its weight over
// the sum of all weights.
struct ReportColumn {
    QString title;
    double weight = 1;
};

// A line under a table row, across the whole width.
struct ReportLine {
    QString text;
    bool warning = false;  // drawn bold in kReportWarningColour
};

struct ReportRow {
    QStringList cells;        // one per column, line breaks kept, long lines wrapped
    QList<ReportLine> below;  // under the cells, across the width
};

// Draws from the top of the page down, starting a new page where a block does not fit.
// Every page ends with `footer` on the left and its number on the right.
class ReportPages {
  public:
    ReportPages(QPdfWriter& writer, QPainter& painter, QString footer);

    double Width() const { return content_.width(); }

    // Room for a block of `height` units on this page or the next.
    QRectF Take(double height);

    void Text(const QString& text, const QFont& font, const QColor& colour = Qt::black);
    // Rows of a label and its value.
    void Table(const std::vector<SummaryRow>& rows, const QFont& font);
    // A table under its heading, with a header row. A row stays on one page with its lines
    // below (one taller than a page with its first line at least); where the table goes on
    // over a page break, the heading "(continued)" and the header row come first on the new
    // page.
    void Columns(const QList<ReportColumn>& columns, const QList<ReportRow>& rows,
                 const QFont& font, const QString& heading);

    void NewPage();
    void Finish();

  private:
    double TextHeight(const QString& text, double width) const;
    double LineHeight(const ReportLine& line, const QFont& font) const;
    void ColumnHeader(const QList<ReportColumn>& columns, const std::vector<double>& widths,
                      const QFont& font);
    void Cells(const QStringList& cells, const std::vector<double>& widths, double height);
    void Below(const ReportLine& line, const QFont& font, double height);
    bool Fits(double height) const;
    void Footer();

    QPdfWriter& writer_;
    QPainter& painter_;
    QString footer_;
    QRectF content_;
    double y_ = 0;
    int page_ = 1;
};

}  // namespace kelmor
