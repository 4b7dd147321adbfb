#include "ui/dialogs/circle_shape.h"

#include <QPainter>

namespace kelmor {

CircleShape::CircleShape(const QColor& fill, QWidget* parent) : QWidget(parent), fill_(fill) {}

void CircleShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fill_);
    const int side = std::min(width(), height()) - 1;
    painter.drawEllipse(QRectF(0.5, 0.5, side, side));
}

}  // namespace kelmor
