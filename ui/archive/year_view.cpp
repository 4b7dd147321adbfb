#include "year_view.h"

#include <qcustomplot.h>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "archive/annual_summary.h"

namespace kelmor {

namespace {

const QColor kCoveredMonth(200, 0, 0);   // the pulse distribution's red, a shade darker
const QColor kThinMonth(200, 0, 0, 70);  // under half measured: not in an annual average
const QColor kRunningMean(0, 128, 0);    // the chart's mean green
const QColor kReferenceLevel(0, 0, 160);

// Chart keys are seconds since 1970, as QCustomPlot's date axis takes them.
double Key(int year, int month, int day) {
    return static_cast<double>(QDateTime(QDate(year, month, day), QTime(0, 0)).toSecsSinceEpoch());
}

double MonthMiddle(const MonthlyMean& month) {
    const QDate first(month.year, month.month, 1);
    return (Key(month.year, month.month, 1) +
            static_cast<double>(QDateTime(first.addMonths(1), QTime(0, 0)).toSecsSinceEpoch())) /
           2;
}

constexpr double kBarWidthSeconds = 24.0 * 3600 * 24;

}  // namespace

YearView::YearView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("yearView"));
    setAccessibleName(QStringLiteral("Year view"));

    plot_ = new QCustomPlot(this);
    plot_->setObjectName(QStringLiteral("yearChart"));
    plot_->setAccessibleName(QStringLiteral("Monthly means and running 365-day mean"));
    plot_->setMinimumSize(560, 300);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("MMM\nyyyy"));
    plot_->xAxis->setTicker(ticker);
    plot_->yAxis->setLabel(QStringLiteral("Radon Bq/m3"));
    // The legend in a row of its own under the chart, where it hides no month.
    plot_->legend->setVisible(true);
    plot_->axisRect()->insetLayout()->take(plot_->legend);
    plot_->plotLayout()->addElement(1, 0, plot_->legend);
    plot_->legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot_->plotLayout()->setRowStretchFactor(1, 0.001);

    verdict_ = new QLabel(this);
    verdict_->setObjectName(QStringLiteral("annualVerdict"));
    verdict_->setWordWrap(true);
    verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    verdict_->setFocusPolicy(Qt::StrongFocus);

    months_ = new QTableWidget(0, 3, this);
    months_->setObjectName(QStringLiteral("monthTable"));
    months_->setAccessibleName(QStringLiteral("Monthly means"));
    months_->setHorizontalHeaderLabels(
        {QStringLiteral("Month"), QStringLiteral("Mean Bq/m3"), QStringLiteral("Measured")});
    months_->verticalHeader()->hide();
    months_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    months_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plot_, 3);
    layout->addWidget(verdict_);
    layout->addWidget(months_, 2);
}

QString YearView::Verdict() const {
    return verdict_->text();
}

void YearView::SetShown(const QString& place, const AnnualAverage& annual,
                        std::optional<double> referenceBqm3) {
    plot_->clearPlottables();
    plot_->clearItems();

    auto* covered = new QCPBars(plot_->xAxis, plot_->yAxis);
    covered->setName(QStringLiteral("Monthly mean"));
    covered->setPen(QPen(kCoveredMonth));
    covered->setBrush(kCoveredMonth);
    covered->setWidth(kBarWidthSeconds);
    auto* thin = new QCPBars(plot_->xAxis, plot_->yAxis);
    thin->setName(QStringLiteral("Monthly mean, under half measured"));
    thin->setPen(QPen(kCoveredMonth));
    thin->setBrush(kThinMonth);
    thin->setWidth(kBarWidthSeconds);

    double highest = 0;
    months_->setRowCount(0);
    const QLocale locale;
    for (const MonthlyMean& month : annual.months) {
        if (month.samples > 0) {
            (month.coveredFraction >= kHalfCovered ? covered : thin)
                ->addData(MonthMiddle(month), month.meanBqm3);
            highest = std::max(highest, month.meanBqm3);
        }
        const int row = months_->rowCount();
        months_->insertRow(row);
        months_->setItem(row, 0, new QTableWidgetItem(MonthName(month.year, month.month)));
        months_->setItem(
            row, 1,
            new QTableWidgetItem(month.samples > 0 ? locale.toString(month.meanBqm3, 'f', 0)
                                                   : QStringLiteral("-")));
        months_->setItem(row, 2,
                         new QTableWidgetItem(QStringLiteral("%1 %").arg(
                             locale.toString(100 * month.coveredFraction, 'f', 0))));
    }

    auto* running = plot_->addGraph();
    running->setName(QStringLiteral("Running 365-day mean"));
    running->setPen(QPen(kRunningMean, 2));
    for (const DailyMean& day : annual.running365) {
        running->addData(Key(day.year, day.month, day.day) + 12 * 3600.0, day.meanBqm3);
        highest = std::max(highest, day.meanBqm3);
    }

    if (referenceBqm3) {
        auto* level = new QCPItemStraightLine(plot_);
        level->setPen(QPen(kReferenceLevel, 1, Qt::DashLine));
        level->point1->setCoords(0, *referenceBqm3);
        level->point2->setCoords(1, *referenceBqm3);
        highest = std::max(highest, *referenceBqm3);
    }

    if (!annual.months.empty()) {
        const MonthlyMean& first = annual.months.front();
        const MonthlyMean& last = annual.months.back();
        const QDate end = QDate(last.year, last.month, 1).addMonths(1);
        plot_->xAxis->setRange(Key(first.year, first.month, 1),
                               static_cast<double>(QDateTime(end, QTime(0, 0)).toSecsSinceEpoch()));
    }
    plot_->yAxis->setRange(0, highest > 0 ? highest * 1.1 : 100);
    plot_->replot();

    QStringList lines;
    lines << QStringLiteral("<b>%1</b>").arg(place.toHtmlEscaped());
    // The months are in the table; the words say what they add up to.
    for (const QString& line : AnnualVerdictLines(annual, locale)) {
        lines << line.toHtmlEscaped();
    }
    verdict_->setText(lines.join(QStringLiteral("<br>")));
    verdict_->setAccessibleName(QStringLiteral("Annual average of %1").arg(place));
    setWindowTitle(QStringLiteral("Year view: %1").arg(place));
}

}  // namespace kelmor
