#include "reference_line.h"

#include <cmath>

namespace kelmor {

namespace {

constexpr int kLineWidth = 2;
constexpr double kLabelRightEdge = 0.99;  // of the plot's width

}  // namespace

QColor ReferenceLine::Colour() {
    // Unlike any series colour, and dark enough to print.
    return QColor(230, 120, 0);
}

ReferenceLine::ReferenceLine(QCustomPlot* plot, QCPAxis* keyAxis, QCPAxis* valueAxis) {
    line_ = new QCPItemStraightLine(plot);
    QPen pen(Colour(), kLineWidth, Qt::DashLine);
    pen.setCapStyle(Qt::FlatCap);
    line_->setPen(pen);
    line_->setSelectable(false);
    for (QCPItemPosition* end : {line_->point1, line_->point2}) {
        end->setAxes(keyAxis, valueAxis);
    }

    label_ = new QCPItemText(plot);
    label_->setColor(Colour());
    label_->setSelectable(false);
    // Readable where it crosses the bars, which still show through.
    label_->setBrush(QColor(255, 255, 255, 200));
    label_->setPadding(QMargins(2, 0, 2, 1));
    label_->position->setAxes(keyAxis, valueAxis);
    label_->position->setAxisRect(keyAxis->axisRect());
    label_->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
    label_->position->setTypeY(QCPItemPosition::ptPlotCoords);
    Set(std::nullopt);
}

void ReferenceLine::Set(std::optional<double> bqm3) {
    if (bqm3 && !std::isfinite(*bqm3)) {
        bqm3.reset();
    }
    level_ = bqm3;
    line_->setVisible(level_.has_value());
    label_->setVisible(level_.has_value());
    if (!level_) {
        return;
    }
    // A straight line runs across the whole plot: any two keys will do.
    line_->point1->setCoords(0, *level_);
    line_->point2->setCoords(1, *level_);
    label_->position->setCoords(kLabelRightEdge, *level_);
    label_->setText(QStringLiteral("Reference level %1 Bq/m3").arg(*level_));
}

void ReferenceLine::Place() {
    if (!level_) {
        return;
    }
    const QCPAxis* axis = label_->position->valueAxis();
    const double lineY = axis->coordToPixel(*level_);
    const int labelHeight = QFontMetrics(label_->font()).height() + 1;
    const bool roomAbove = lineY - labelHeight >= axis->axisRect()->top();
    label_->setPositionAlignment(Qt::AlignRight | (roomAbove ? Qt::AlignBottom : Qt::AlignTop));
}

}  // namespace kelmor
