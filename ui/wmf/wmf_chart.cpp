#include "wmf_chart.h"

#include <qcustomplot.h>
#include <QFileInfo>
#include <QSaveFile>

#include "wmf_paint_device.h"

namespace kelmor {

namespace {

QString Named(const QString& path) {
    return QStringLiteral("\"%1\"").arg(QFileInfo(path).fileName());
}

}  // namespace

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
                    .arg(Named(path))
                    .arg(width)
                    .arg(height);
        return false;
    }
    QCPPainter painter;
    if (!painter.begin(&device)) {
        error = QStringLiteral("Cannot write %1: the chart could not be drawn.").arg(Named(path));
        return false;
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, width, height);
    painter.end();
    // Drawing at another size moved the layout; the screen gets its own back.
    plot.replot(QCustomPlot::rpQueuedReplot);

    const QByteArray bytes = device.Bytes();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Cannot write %1: %2.").arg(Named(path), file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Cannot write %1: %2. The file was left as it was.")
                    .arg(Named(path), file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

}  // namespace kelmor
