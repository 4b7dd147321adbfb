#include "ui/dialogs/disabled_glyph.h"

#include <QPainter>

namespace kelmor {
namespace {

// Light parts of the glyph stay light, dark parts become the mid grey of a disabled text.
QImage GreyTones(const QImage& source) {
    QImage grey = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int tone = 112 + qGray(line[x]) * 96 / 255;
            line[x] = qRgba(tone, tone, tone, qAlpha(line[x]));
        }
    }
    return grey;
}

QImage WhiteShape(const QImage& source) {
    QImage white = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < white.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(white.scanLine(y));
        for (int x = 0; x < white.width(); ++x) {
            line[x] = qRgba(255, 255, 255, qAlpha(line[x]));
        }
    }
    return white;
}

}  // namespace

QImage DisabledGlyph(const QImage& enabled, int unit) {
    QImage result(enabled.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(QPoint(unit, unit), WhiteShape(enabled));
    painter.drawImage(QPoint(0, 0), GreyTones(enabled));
    painter.end();
    return result;
}

}  // namespace kelmor
