#include <QImage>
#include <QImageWriter>
#include <QPaintDevice>
#include <QPicture>
#include <algorithm>

#include "data/safe_file.h"
#include "kelmor_chart.h"
#include "wmf/wmf_chart.h"

// Painting the chart away from the screen: printer, bitmap and metafile all come through
// RenderTo.

namespace kelmor {

namespace {

bool IsRaster(const QPaintDevice* device) {
    const int type = device ? device->devType() : QInternal::UnknownDevice;
    return type == QInternal::Image || type == QInternal::Pixmap || type == QInternal::Widget;
}

}  // namespace

void KelmorChart::RenderTo(QCPPainter& painter, const QRect& target) {
    if (target.width() < 1 || target.height() < 1 || !painter.isActive()) {
        return;
    }
    UpdateShownRanges();
    painter.save();
    painter.translate(target.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), target.size()), Qt::IntersectClip);
    toPainter(&painter, target.width(), target.height());
    painter.restore();
}

void KelmorChart::RenderTo(QPainter& painter, const QRect& target) {
    if (target.width() < 1 || target.height() < 1 || !painter.isActive()) {
        return;
    }
    QPicture picture;
    // A picture replays scaled by the device's resolution over its own, so laying the
    // chart out at the target's size in picture units gives screen-sized text on paper.
    const QPaintDevice* device = painter.device();
    const double scaleX = device && device->logicalDpiX() > 0
                              ? device->logicalDpiX() / double(picture.logicalDpiX())
                              : 1.0;
    const double scaleY = device && device->logicalDpiY() > 0
                              ? device->logicalDpiY() / double(picture.logicalDpiY())
                              : 1.0;
    const QSize layout(std::max(1, qRound(target.width() / scaleX)),
                       std::max(1, qRound(target.height() / scaleY)));

    QCPPainter recorder(&picture);
    // Text as text and no pixel-grid tweaks: the picture is replayed at another scale.
    recorder.setMode(QCPPainter::pmNoCaching);
    recorder.setMode(QCPPainter::pmVectorized, !IsRaster(device));
    RenderTo(recorder, QRect(QPoint(0, 0), layout));
    recorder.end();

    painter.save();
    painter.translate(target.topLeft());
    // What rounding the layout to whole units left over.
    painter.scale(target.width() / (layout.width() * scaleX),
                  target.height() / (layout.height() * scaleY));
    painter.drawPicture(0, 0, picture);
    painter.restore();
}

bool KelmorChart::SaveMetafile(const QString& path, QString& error) {
    const QRect picture(QPoint(0, 0), size());
    return kelmor::SaveMetafile(
        picture.size(), [this, &picture](QCPPainter& painter) { RenderTo(painter, picture); }, path,
        error);
}

bool KelmorChart::SaveBitmap(const QString& path, QString& error) {
    SafeFile file(path);
    const QSize size = this->size();
    if (size.width() < 1 || size.height() < 1) {
        file.CancelWriting(QStringLiteral("the chart has no size"));
    } else if (file.open(QIODevice::WriteOnly)) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QCPPainter painter(&image);
            RenderTo(painter, image.rect());
        }
        // 24 bits per pixel: the bitmap every Windows program reads.
        image = image.convertToFormat(QImage::Format_RGB888);
        QImageWriter writer(&file, "bmp");
        if (!writer.write(image)) {
            file.CancelWriting(writer.errorString());
        }
    }
    if (!file.Commit()) {
        error = file.ErrorMessage();
        return false;
    }
    return true;
}

}  // namespace kelmor
