#include "ui/dialogs/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include "ui/dialogs/dialog_resources.h"
#include "ui/dialogs/disabled_glyph.h"

namespace kelmor {
namespace {

// Every glyph is drawn on a 20 x 20 grid; outlines sit on half units so that they stay
// sharp at the plain scale.
const QColor kOutline(40, 40, 48);

QPen Outline(qreal width = 1.0) {
    return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void PaintOpen(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(200, 150, 44));
    p.drawPolygon(
        QPolygonF({{1.5, 4.5}, {7.5, 4.5}, {9.5, 6.5}, {16.5, 6.5}, {16.5, 16.5}, {1.5, 16.5}}));
    p.setBrush(QColor(246, 210, 92));
    p.drawPolygon(QPolygonF({{4.5, 9.5}, {19.5, 9.5}, {16.5, 16.5}, {1.5, 16.5}}));
}

void PaintSave(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(44, 76, 150));
    p.drawPolygon(QPolygonF({{2.5, 2.5}, {15.5, 2.5}, {17.5, 4.5}, {17.5, 17.5}, {2.5, 17.5}}));
    p.setBrush(QColor(196, 200, 210));
    p.drawRect(QRectF(5.5, 2.5, 9, 5));
    p.fillRect(QRectF(11, 3.5, 2, 3), QColor(44, 76, 150));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 11, 7));
    p.setPen(QPen(QColor(150, 150, 160), 1));
    p.drawLine(QPointF(6, 13), QPointF(14, 13));
    p.drawLine(QPointF(6, 15), QPointF(14, 15));
}

void PaintPrint(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 1.5, 9, 7));
    p.setBrush(QColor(150, 152, 160));
    p.drawRoundedRect(QRectF(1.5, 7.5, 17, 7), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 12.5, 11, 6));
    p.setPen(QPen(QColor(120, 120, 130), 1));
    p.drawLine(QPointF(6, 15), QPointF(14, 15));
    p.drawLine(QPointF(6, 17), QPointF(12, 17));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 60));
    p.drawEllipse(QPointF(15.5, 10), 1.2, 1.2);
}

void PaintReadOut(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(214, 216, 222));
    p.drawRoundedRect(QRectF(1.5, 1.5, 10, 17), 2, 2);
    p.setBrush(QColor(20, 90, 100));
    p.drawRect(QRectF(3.5, 3.5, 6, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::red);
    p.drawEllipse(QPointF(4.8, 11.5), 1.4, 1.4);
    p.setBrush(QColor(0, 220, 0));
    p.drawEllipse(QPointF(8.2, 11.5), 1.4, 1.4);
    // The data comes down from the instrument to the computer.
    p.setBrush(QColor(30, 110, 210));
    p.setPen(QPen(QColor(20, 60, 130), 0.8));
    p.drawPolygon(QPolygonF({{14.5, 2.5},
                             {17.5, 2.5},
                             {17.5, 11.5},
                             {19.5, 11.5},
                             {16, 17.5},
                             {12.5, 11.5},
                             {14.5, 11.5}}));
}

void PaintTriggerLevel(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(60, 62, 70));
    p.drawRoundedRect(QRectF(5.5, 0.5, 9, 19), 2.5, 2.5);
    p.setBrush(Qt::red);
    p.drawEllipse(QPointF(10, 5), 3, 3);
    p.setBrush(QColor(0, 255, 0));
    p.drawEllipse(QPointF(10, 15), 3, 3);
    // The level the user sets lies between the two indications.
    p.setPen(QPen(QColor(250, 200, 30), 1.5));
    p.drawLine(QPointF(1, 10), QPointF(19, 10));
}

void PaintClock(QPainter& p) {
    p.setPen(Outline(1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 10), 8.4, 8.4);
    p.setPen(Outline(1.0));
    for (int hour = 0; hour < 12; hour += 3) {
        p.save();
        p.translate(10, 10);
        p.rotate(30.0 * hour);
        p.drawLine(QPointF(0, -7.2), QPointF(0, -5.6));
        p.restore();
    }
    p.setPen(Outline(1.6));
    p.drawLine(QPointF(10, 10), QPointF(6.5, 8));
    p.setPen(Outline(1.1));
    p.drawLine(QPointF(10, 10), QPointF(13, 4.5));
    p.setPen(QPen(QColor(210, 30, 30), 0.8));
    p.drawLine(QPointF(10, 10), QPointF(10, 16));
}

void PaintErase(QPainter& p) {
    p.setPen(QPen(QColor(140, 140, 150), 1));
    p.drawLine(QPointF(1, 18.5), QPointF(19, 18.5));
    p.save();
    p.translate(10, 10);
    p.rotate(-40);
    p.setPen(Outline());
    p.setBrush(QColor(240, 120, 130));
    p.drawRoundedRect(QRectF(-8.5, -3.5, 7, 7), 1.2, 1.2);
    p.setBrush(QColor(70, 120, 200));
    p.drawRoundedRect(QRectF(-1.5, -3.5, 10, 7), 1.2, 1.2);
    p.restore();
}

}  // namespace

QImage PaintToolGlyph(ToolIconKind kind, int scale) {
    QImage image(kToolIconSide * scale, kToolIconSide * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    switch (kind) {
        case ToolIconKind::Open:
            PaintOpen(painter);
            break;
        case ToolIconKind::Save:
            PaintSave(painter);
            break;
        case ToolIconKind::Print:
            PaintPrint(painter);
            break;
        case ToolIconKind::ReadOut:
            PaintReadOut(painter);
            break;
        case ToolIconKind::TriggerLevel:
            PaintTriggerLevel(painter);
            break;
        case ToolIconKind::Clock:
            PaintClock(painter);
            break;
        case ToolIconKind::Erase:
            PaintErase(painter);
            break;
    }
    painter.end();
    return image;
}

QIcon ToolIcon(ToolIconKind kind) {
    QIcon icon;
    for (int scale : {1, 2}) {
        const QImage enabled = PaintToolGlyph(kind, scale);
        QPixmap normal = QPixmap::fromImage(enabled);
        QPixmap disabled = QPixmap::fromImage(DisabledGlyph(enabled, scale));
        normal.setDevicePixelRatio(scale);
        disabled.setDevicePixelRatio(scale);
        icon.addPixmap(normal, QIcon::Normal);
        icon.addPixmap(disabled, QIcon::Disabled);
    }
    return icon;
}

QIcon ApplicationIcon() {
    LoadDialogResources();
    return QIcon(QString::fromLatin1(kApplicationIconResource));
}

}  // namespace kelmor
