#include "error_bar_series.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelmor {

namespace {

// Halfway between the series colour and white: the envelope must not hide the values.
QColor Lighter(const QColor& colour) {
    return QColor(255 - (255 - colour.red()) / 2, 255 - (255 - colour.green()) / 2,
                  255 - (255 - colour.blue()) / 2);
}

}  // namespace

ErrorBarSeries::ErrorBarSeries(QCPAxis* keyAxis, QCPAxis* valueAxis, const QColor& colour,
                               double whiskerPixels)
    : QCPErrorBars(keyAxis, valueAxis) {
    // Created before this plottable, so that QCustomPlot keeps it underneath; it is never
    // drawn, the bars are.
    auto* points = new QCPGraph(keyAxis, valueAxis);
    points->setVisible(false);
    points->setSelectable(QCP::stNone);
    points->setLineStyle(QCPGraph::lsNone);
    points->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    points_ = points;
    setDataPlottable(points);
    setErrorType(QCPErrorBars::etValueError);
    setPen(QPen(colour));
    setWhiskerWidth(whiskerPixels);
    // No point marks sit on the bars, so the bars run through their centres.
    setSymbolGap(0);
    setSelectable(QCP::stNone);
    // One-pixel bars are crisp and cheap without antialiasing, in every drawing mode.
    setAntialiased(false);
}

void ErrorBarSeries::Clear() {
    if (points_) {
        points_->data()->clear();
    }
    mDataContainer->clear();
}

int ErrorBarSeries::SetPoints(std::vector<Point>& points) {
    if (!points_) {
        return 0;
    }
    points.erase(std::remove_if(points.begin(), points.end(),
                                [](const Point& p) {
                                    return !std::isfinite(p.x) || !std::isfinite(p.y) ||
                                           !std::isfinite(p.error);
                                }),
                 points.end());
    // Errors are matched to points by index, so each point keeps its error through the sort.
    std::stable_sort(points.begin(), points.end(),
                     [](const Point& a, const Point& b) { return a.x < b.x; });
    QVector<QCPGraphData> values;
    QVector<QCPErrorBarsData> errors;
    values.reserve(static_cast<qsizetype>(points.size()));
    errors.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& p : points) {
        values.append(QCPGraphData(p.x, p.y));
        errors.append(QCPErrorBarsData(std::fabs(p.error)));
    }
    points_->data()->set(values, true);
    *mDataContainer = errors;
    return static_cast<int>(points.size());
}

double ErrorBarSeries::KeyAt(int index) const {
    return HasPoint(index) ? points_->data()->at(index)->key : 0;
}

double ErrorBarSeries::ValueAt(int index) const {
    return HasPoint(index) ? points_->data()->at(index)->value : 0;
}

double ErrorBarSeries::ErrorAt(int index) const {
    return HasPoint(index) ? mDataContainer->at(index).errorPlus : 0;
}

bool ErrorBarSeries::HasPoint(int index) const {
    return points_ && index >= 0 && index < points_->data()->size() &&
           index < mDataContainer->size();
}

ErrorBarSeries::VisibleSpan ErrorBarSeries::Visible() const {
    VisibleSpan span;
    if (!points_ || !mKeyAxis) {
        return span;
    }
    const QCPGraphDataContainer& points = *points_->data();
    const QCPRange range = mKeyAxis->range();
    span.begin = static_cast<int>(points.findBegin(range.lower, false) - points.constBegin());
    span.end = static_cast<int>(points.findEnd(range.upper, false) - points.constBegin());
    span.end = std::min(span.end, static_cast<int>(mDataContainer->size()));
    span.begin = std::min(span.begin, span.end);
    return span;
}

ErrorBarSeries::Style ErrorBarSeries::StyleFor(const VisibleSpan& span) const {
    const int bars = span.end - span.begin;
    if (bars <= 0) {
        return Style::Nothing;
    }
    const QCPRange range = mKeyAxis->range();
    const double columns =
        std::fabs(mKeyAxis->coordToPixel(range.upper) - mKeyAxis->coordToPixel(range.lower));
    if (bars > columns) {
        return Style::Envelope;
    }
    if (bars == 1) {
        return Style::Exact;
    }
    const QCPGraphDataContainer& points = *points_->data();
    const double first = mKeyAxis->coordToPixel(points.at(span.begin)->key);
    const double last = mKeyAxis->coordToPixel(points.at(span.end - 1)->key);
    const double spacing = std::fabs(last - first) / (bars - 1);
    return spacing < mWhiskerWidth ? Style::BarsWithoutWhiskers : Style::Exact;
}

double ErrorBarSeries::PixelOf(double value) const {
    const QCPRange range = mValueAxis->range();
    const double shown = std::clamp(value, range.lower - range.size(), range.upper + range.size());
    return std::round(mValueAxis->coordToPixel(shown));
}

void ErrorBarSeries::draw(QCPPainter* painter) {
    lastStyle_ = Style::Nothing;
    if (!points_ || !mKeyAxis || !mValueAxis || mDataContainer->isEmpty()) {
        return;
    }
    if (drawing_ == Drawing::Plain || mKeyAxis->orientation() != Qt::Horizontal) {
        lastStyle_ = Style::Exact;
        QCPErrorBars::draw(painter);
        return;
    }
    const VisibleSpan span = Visible();
    lastStyle_ = StyleFor(span);
    switch (lastStyle_) {
        case Style::Nothing:
            return;
        case Style::Exact:
            QCPErrorBars::draw(painter);
            return;
        case Style::BarsWithoutWhiskers:
            DrawBarsWithoutWhiskers(painter, span);
            return;
        case Style::Envelope:
            DrawEnvelopes(painter, span);
            return;
    }
}

void ErrorBarSeries::DrawEnvelopes(QCPPainter* painter, const VisibleSpan& span) const {
    const QCPGraphDataContainer& points = *points_->data();
    QVector<QLineF> bars;
    QVector<QLineF> values;
    const int columns = static_cast<int>(mKeyAxis->axisRect()->width()) + 2;
    bars.reserve(columns);
    values.reserve(columns);

    int column = std::numeric_limits<int>::min();
    double barLow = 0;
    double barHigh = 0;
    double valueLow = 0;
    double valueHigh = 0;
    const auto flush = [&] {
        bars.append(QLineF(column, PixelOf(barLow), column, PixelOf(barHigh)));
        const double top = PixelOf(valueHigh);
        double bottom = PixelOf(valueLow);
        // A column with one value still shows a dot of the full colour.
        if (bottom == top) {
            bottom = top + 1;
        }
        values.append(QLineF(column, bottom, column, top));
    };
    for (int i = span.begin; i < span.end; ++i) {
        const QCPGraphData& point = *points.at(i);
        const QCPErrorBarsData& error = mDataContainer->at(i);
        const double low = point.value - error.errorMinus;
        const double high = point.value + error.errorPlus;
        const int here = static_cast<int>(std::lround(mKeyAxis->coordToPixel(point.key)));
        if (here != column) {
            if (column != std::numeric_limits<int>::min()) {
                flush();
            }
            column = here;
            barLow = low;
            barHigh = high;
            valueLow = point.value;
            valueHigh = point.value;
            continue;
        }
        barLow = std::min(barLow, low);
        barHigh = std::max(barHigh, high);
        valueLow = std::min(valueLow, point.value);
        valueHigh = std::max(valueHigh, point.value);
    }
    flush();

    painter->setAntialiasing(false);
    painter->setBrush(Qt::NoBrush);
    QPen pen = mPen;
    pen.setColor(Lighter(mPen.color()));
    painter->setPen(pen);
    painter->drawLines(bars);
    painter->setPen(mPen);
    painter->drawLines(values);
}

void ErrorBarSeries::DrawBarsWithoutWhiskers(QCPPainter* painter, const VisibleSpan& span) const {
    // QCPErrorBars' own bar geometry, so these bars fall on exactly its pixels.
    QVector<QLineF> bars;
    QVector<QLineF> whiskers;
    bars.reserve(span.end - span.begin);
    whiskers.reserve(2 * (span.end - span.begin));
    for (int i = span.begin; i < span.end; ++i) {
        getErrorBarLines(mDataContainer->constBegin() + i, bars, whiskers);
    }
    applyDefaultAntialiasingHint(painter);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(mPen);
    painter->drawLines(bars);
}

}  // namespace kelmor
