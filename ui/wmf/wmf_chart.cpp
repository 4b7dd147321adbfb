#include "wmf_chart.h"

#include <qcustomplot.h>

#include "data/quoted_name.h"
#include "data/safe_file.h"
#include "wmf_paint_device.h"

namespace kelmor {

bool SaveMetafile(QSize size, const std::function<void(QCPPainter&)>& draw, const QString& path,
                  QString& error) {
    WmfPaintDevice device(size);
    if (!device.IsValid()) {
        error = QStringLiteral(
                    "Cannot write %1: a picture of %2 x %3 pixels does not fit a "
                    "metafile.")
                    .arg(QuotedFileName(path))
                    .arg(size.width())
                    .arg(size.height());
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
    draw(painter);
    painter.end();

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
