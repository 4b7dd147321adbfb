#include "wmf_chart.h"

#include <qcustomplot.h>

#include "data/quoted_name.h"
#include "data/safe_file.h"
#include "wmf_paint_device.h"

namespace kelmor {

bool SaveChartAsWmf(QCustomPlot& plot, int width, int height, const QString& path, QString& error) {
    if (width == 0 || height == 0) {
        width = plot.width();
        height = plot.height();
    }
    WmfPaintDevice device(QSize(width, height));
    if (!device.IsValid()) {
        error = QStringLiteral(
                    "Cannot write %1: a picture of %2 x %3 pixels does not fit a "
                    "metafile.")
                    .arg(QuotedFileName(path))
                    .arg(width)
                    .arg(height);
        return false;
    }
    QCPPainter painter;
    if (!painter.begin(&device)) {
        error = QStringLiteral("Cannot write %1: the chart could not be drawn.")
                    .arg(QuotedFileName(path));
        return false;
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, width, height);
    painter.end();
    // Drawing at another size moved the layout; the screen gets its own back.
    plot.replot(QCustomPlot::rpQueuedReplot);

    SafeFile file(path);
    if (file.open(QIODevice::WriteOnly) && !device.WriteTo(file)) {
        file.CancelWriting(QStringLiteral("the metafile could not be written"));
    }
    if (!file.Commit()) {
        error = file.ErrorMessage();
        return false;
    }
    return true;
}

}  // namespace kelmor
