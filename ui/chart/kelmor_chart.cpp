#include "kelmor_chart.h"

#include <algorithm>
#include <cmath>

#include "banded_ticker.h"
#include "day_ticker.h"
#include "reference_line.h"
#include "zoom_rectangle.h"

namespace kelmor {

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);
const QColor kTemperatureColour(64, 0, 64);
constexpr double kWhiskerPixels = 10;
constexpr int kTextPixels = 13;

// The left axis runs from the top down to 97 % of the plot height, the right axis over the
// middle 90 %, the time axis over 1 % to 99 % of the width with 4 pixels more at each end.
constexpr AxisBand kBottomBand{0.01, 0.99, 4, 4};
constexpr AxisBand kLeftBand{0.03, 1.0, 0, 0};
constexpr AxisBand kRightBand{0.05, 0.95, 0, 0};
// What a range without extent (a single point) is widened to on each side.
constexpr double kEmptyDays = 1.0 / 24;
constexpr double kEmptyValue = 0.5;

QFont TextFont(const QFont& base) {
    QFont font = base;
    font.setPixelSize(kTextPixels);
    return font;
}

QStringList LinesOf(const QCPTextElement* element) {
    const QString text = element->text();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void Include(QCPRange& range, bool& has, const QCPRange& more) {
    if (!has) {
        range = more;
        has = true;
        return;
    }
    range.expand(more);
}

}  // namespace

KelmorChart::KelmorChart(QWidget* parent) : QCustomPlot(parent) {
    setBackground(Qt::white);
    setInteractions(QCP::Interactions());
    setAutoAddPlottableToLegend(false);
    legend->setVisible(false);
    BuildLayout();
    BuildAxes();
    BuildSeries();
    // Made after the series, so that it is drawn over them.
    referenceLine_ = std::make_unique<ReferenceLine>(this, xAxis, yAxis);
    zoomRectangle_ = new ZoomRectangle(this);
    setSelectionRect(zoomRectangle_);

    // Ranges follow the data before the layout (so tick labels are measured for the right
    // range) and are fitted to the axis rect once its size is known.
    connect(this, &QCustomPlot::beforeReplot, this, [this] {
        UpdateShownRanges();
        ApplyBands();
    });
    connect(this, &QCustomPlot::afterLayout, this, [this] {
        ApplyBands();
        axisRect()->update(QCPLayoutElement::upPreparation);
    });
}

KelmorChart::~KelmorChart() = default;

void KelmorChart::BuildLayout() {
    plotLayout()->insertRow(0);
    title_ = new QCPTextElement(this, QStringLiteral("Measurements"), TextFont(font()));
    plotLayout()->addElement(0, 0, title_);
    foot_ = new QCPTextElement(this, QString(), TextFont(font()));
    // The foot keeps its line while empty, so the plot does not jump when it is written.
    foot_->setMinimumSize(0, QFontMetrics(foot_->font()).height());
    plotLayout()->addElement(2, 0, foot_);
}

void KelmorChart::BuildAxes() {
    bottomTicker_.reset(new DayTicker);
    leftTicker_.reset(new BandedTicker);
    rightTicker_.reset(new BandedTicker);

    xAxis->setTicker(bottomTicker_);
    xAxis->setLabel(QStringLiteral("Time"));

    yAxis->setTicker(leftTicker_);
    yAxis->setLabel(QStringLiteral("Bq/m3"));
    yAxis->setTickLabelColor(kRed);
    yAxis->setTickLabelFont(TextFont(yAxis->tickLabelFont()));

    yAxis2->setVisible(true);
    yAxis2->setTickLabels(true);
    yAxis2->setTicker(rightTicker_);
    yAxis2->setLabel(QStringLiteral("Temp/RH/Press"));
    yAxis2->setTickLabelColor(kGreen);

    xAxis2->setVisible(false);
}

void KelmorChart::BuildSeries() {
    // QCustomPlot draws plottables in the order they were made.
    meanErrorSeries_ = new ErrorBarSeries(xAxis, yAxis, kGreen, kWhiskerPixels);
    meanSeries_ = new LineSeries(xAxis, yAxis, kGreen);
    pulseSeries_ = new ErrorBarSeries(xAxis, yAxis, kRed, kWhiskerPixels);
    temperatureSeries_ = new LineSeries(xAxis, yAxis2, kTemperatureColour);
    humiditySeries_ = new LineSeries(xAxis, yAxis2, kBlue);
    pressureSeries_ = new LineSeries(xAxis, yAxis2, kBlue);

    const auto name = [](QCPAbstractPlottable* series, const char* objectName, const char* title) {
        series->setObjectName(QLatin1String(objectName));
        series->setName(QLatin1String(title));
    };
    name(temperatureSeries_, "temperatureSeries", "Tempseries");
    name(meanSeries_, "meanSeries", "MeanSeries");
    name(meanErrorSeries_, "meanErrorSeries", "MeanErrorSeries");
    name(pulseSeries_, "pulseSeries", "PulseSeries");
    name(humiditySeries_, "humiditySeries", "Humseries");
    name(pressureSeries_, "pressureSeries", "Pressseries");
}

void KelmorChart::SetTitleLines(const QStringList& lines) {
    title_->setText(lines.join(QLatin1Char('\n')));
}

QStringList KelmorChart::TitleLines() const {
    return LinesOf(title_);
}

QString KelmorChart::TitleText() const {
    return title_->text();
}

void KelmorChart::SetFootLines(const QStringList& lines) {
    foot_->setText(lines.join(QLatin1Char('\n')));
}

QStringList KelmorChart::FootLines() const {
    return LinesOf(foot_);
}

void KelmorChart::SetLeftAxisTitle(const QString& title) {
    yAxis->setLabel(title);
}

void KelmorChart::SetBottomAxisTitle(const QString& title) {
    xAxis->setLabel(title);
}

void KelmorChart::SetBottomLabelFormat(const QString& format) {
    bottomTicker_->SetFormat(format);
}

void KelmorChart::SetLeftAxisMaximum(double maximum) {
    if (!std::isfinite(maximum)) {
        return;
    }
    leftMaximumFixed_ = true;
    leftMaximum_ = maximum;
}

void KelmorChart::SetLeftAxisMaximumAutomatic() {
    leftMaximumFixed_ = false;
    const AxisRanges data = DataRanges();
    if (zoomed_ && data.hasLeft) {
        zoom_.left = QCPRange(std::min(zoom_.left.lower, data.left.upper), data.left.upper);
    }
}

void KelmorChart::SetReferenceLevel(std::optional<double> bqm3) {
    referenceLine_->Set(bqm3);
}

std::optional<double> KelmorChart::ReferenceLevel() const {
    return referenceLine_->Level();
}

void KelmorChart::RepaintNow() {
    replot(QCustomPlot::rpImmediateRefresh);
}

void KelmorChart::UndoZoom() {
    zoomed_ = false;
    UpdateShownRanges();
    ApplyBands();
    replot(QCustomPlot::rpQueuedReplot);
    emit zoomUndone();
}

KelmorChart::AxisRanges KelmorChart::DataRanges() const {
    AxisRanges ranges;
    QCPAbstractPlottable* const all[] = {meanErrorSeries_,   meanSeries_,     pulseSeries_,
                                         temperatureSeries_, humiditySeries_, pressureSeries_};
    for (QCPAbstractPlottable* series : all) {
        if (!series->visible() || series->interface1D()->dataCount() == 0) {
            continue;
        }
        bool found = false;
        const QCPRange keys = series->getKeyRange(found);
        if (found) {
            Include(ranges.bottom, ranges.hasBottom, keys);
        }
        // Error bars report their values with the bar extents.
        const QCPRange values = series->getValueRange(found);
        if (found) {
            if (series->valueAxis() == yAxis) {
                Include(ranges.left, ranges.hasLeft, values);
            } else {
                Include(ranges.right, ranges.hasRight, values);
            }
        }
    }
    const std::optional<double> level = referenceLine_->Level();
    if (level && ranges.hasBottom) {
        Include(ranges.left, ranges.hasLeft, QCPRange(*level, *level));
    }
    return ranges;
}

void KelmorChart::UpdateShownRanges() {
    const AxisRanges data = DataRanges();
    if (!data.hasBottom) {
        // Nothing drawn: every range reads 0, zoomed or not.
        shown_ = AxisRanges();
        return;
    }
    if (!zoomed_) {
        shown_ = data;
    } else {
        shown_ = zoom_;
        shown_.hasBottom = true;
        shown_.hasLeft = data.hasLeft;
        shown_.hasRight = data.hasRight;
    }
    if (leftMaximumFixed_ && shown_.hasLeft) {
        shown_.left = QCPRange(std::min(shown_.left.lower, leftMaximum_), leftMaximum_);
    }
}

void KelmorChart::ApplyBands() {
    ApplyBand(xAxis, *bottomTicker_, shown_.bottom, shown_.hasBottom, kBottomBand, kEmptyDays);
    ApplyBand(yAxis, *leftTicker_, shown_.left, shown_.hasLeft, kLeftBand, kEmptyValue);
    ApplyBand(yAxis2, *rightTicker_, shown_.right, shown_.hasRight, kRightBand, kEmptyValue);
    referenceLine_->Place();
}

void KelmorChart::ApplyBand(QCPAxis* axis, BandedTicker& ticker, const QCPRange& shown,
                            bool hasData, const AxisBand& band, double emptyHalfWidth) {
    const QRect rect = axisRect()->rect();
    const double length = axis->orientation() == Qt::Horizontal ? rect.width() : rect.height();
    axis->setRange(PadRangeToBand(shown, band, length, emptyHalfWidth));
    if (hasData) {
        ticker.SetBand(WidenEmptyRange(shown, emptyHalfWidth));
    } else {
        ticker.ClearBand();
    }
}

}  // namespace kelmor
