#include "ui/dialogs/up_down.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace kelmor {

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    setFocusPolicy(Qt::TabFocus);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    up_->setObjectName(QStringLiteral("upButton"));
    up_->setAccessibleName(QStringLiteral("Raise"));
    up_->setArrowType(Qt::UpArrow);
    down_->setObjectName(QStringLiteral("downButton"));
    down_->setAccessibleName(QStringLiteral("Lower"));
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, &UpDown::StepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::StepDown);
}

void UpDown::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    SetPosition(position_);
}

void UpDown::SetIncrement(int increment) {
    increment_ = std::max(1, increment);
}

void UpDown::SetPosition(int position) {
    const int clamped = std::clamp(position, minimum_, maximum_);
    const bool changed = clamped != position_;
    position_ = clamped;
    ShowPosition();
    if (changed) {
        emit PositionChanged(position_);
    }
}

void UpDown::SetAssociate(QLineEdit* edit) {
    if (associate_ != nullptr) {
        associate_->removeEventFilter(this);
    }
    associate_ = edit;
    if (associate_ != nullptr) {
        associate_->installEventFilter(this);
    }
    ShowPosition();
}

void UpDown::ShowPosition() {
    if (associate_ != nullptr) {
        associate_->setText(QString::number(position_));
    }
}

bool UpDown::Step(int key) {
    if (key == Qt::Key_Up) {
        StepUp();
        return true;
    }
    if (key == Qt::Key_Down) {
        StepDown();
        return true;
    }
    return false;
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == associate_ && event->type() == QEvent::KeyPress && isEnabled()) {
        return Step(static_cast<QKeyEvent*>(event)->key());
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    if (!Step(event->key())) {
        QWidget::keyPressEvent(event);
    }
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace kelmor
