#include "ui/dialogs/trigger_level_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <utility>

#include "ui/dialogs/circle_shape.h"
#include "ui/dialogs/dialog_window.h"
#include "ui/dialogs/up_down.h"

namespace kelmor {
namespace {

QLabel* PlacedLabel(QWidget* owner, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, owner);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

CircleShape* Lamp(QWidget* owner, const char* name, const QColor& colour, int left, int top) {
    auto* shape = new CircleShape(colour, owner);
    shape->setObjectName(QLatin1String(name));
    shape->setGeometry(left, top, 17, 17);
    return shape;
}

QPushButton* PlacedButton(QWidget* owner, const char* name, const QString& text,
                          const QString& tip) {
    auto* button = new QPushButton(text, owner);
    button->setObjectName(QLatin1String(name));
    button->resize(75, 25);
    button->setToolTip(tip);
    // Enter always means "Set", whichever control has the focus.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TriggerLevelDialog::TriggerLevelDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("triggerLevelDialog"));
    setWindowTitle(QStringLiteral("Trigger level"));
    setFont(DialogFont(11));

    highLamp_ = Lamp(this, "highLamp", Qt::red, 16, 12);
    highLabel_ = PlacedLabel(this, "highLabel", QStringLiteral("High Level"), 40, 14);
    lowLamp_ = Lamp(this, "lowLamp", QColor(0, 255, 0), 16, 36);
    lowLabel_ = PlacedLabel(this, "lowLabel", QStringLiteral("Low Level"), 40, 38);
    triggerLabel_ = PlacedLabel(this, "triggerLabel",
                                QStringLiteral("Trigger between Low and High level at"), 16, 62);

    levelEdit_ = new QLineEdit(this);
    levelEdit_->setObjectName(QStringLiteral("levelEdit"));
    levelEdit_->setGeometry(16, 80, 49, 21);
    levelEdit_->setReadOnly(true);
    levelEdit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    levelEdit_->setToolTip(QStringLiteral("Trigger level in Bq/m3, 50 to 2000"));
    levelEdit_->setAccessibleName(QStringLiteral("Trigger level"));
    levelEdit_->setAccessibleDescription(levelEdit_->toolTip());

    levelUpDown_ = new UpDown(this);
    levelUpDown_->setObjectName(QStringLiteral("levelUpDown"));
    levelUpDown_->setGeometry(65, 80, 16, 21);
    levelUpDown_->SetRange(50, 2000);
    levelUpDown_->SetIncrement(25);
    levelUpDown_->SetPosition(200);
    levelUpDown_->SetAssociate(levelEdit_);
    levelUpDown_->setToolTip(QStringLiteral("Raise or lower the level in steps of 25 Bq/m3"));
    levelUpDown_->setAccessibleName(QStringLiteral("Trigger level steps"));
    levelUpDown_->setAccessibleDescription(levelUpDown_->toolTip());

    unitLabel_ = PlacedLabel(this, "unitLabel", QStringLiteral("Bq/m3"), 88, 84);

    flashCheckBox_ = new QCheckBox(QStringLiteral("Flash RED/GREEN"), this);
    flashCheckBox_->setObjectName(QStringLiteral("flashCheckBox"));
    flashCheckBox_->move(16, 110);
    flashCheckBox_->adjustSize();
    flashCheckBox_->setToolTip(QStringLiteral("Let the Kelmor flash its red and green lamps"));
    connect(flashCheckBox_, &QCheckBox::toggled, this, &TriggerLevelDialog::ToggleFlash);

    setButton_ = PlacedButton(this, "setButton", QStringLiteral("Set"),
                              QStringLiteral("Send the trigger level to the Kelmor"));
    setButton_->setDefault(true);
    cancelButton_ = PlacedButton(this, "cancelButton", QStringLiteral("Cancel"),
                                 QStringLiteral("Close without sending anything"));
    connect(setButton_, &QPushButton::clicked, this, &TriggerLevelDialog::SetLevel);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    // Wide enough for the longest line in whatever face stands in for "MS Sans Serif".
    const int width = std::max(
        {241, triggerLabel_->geometry().right() + 17, flashCheckBox_->geometry().right() + 17});
    setButton_->move(width / 2 - 10 - setButton_->width(), 140);
    cancelButton_->move(width / 2 + 10, 140);
    setFixedSize(width, 178);

    setTabOrder(levelEdit_, levelUpDown_);
    setTabOrder(levelUpDown_, flashCheckBox_);
    setTabOrder(flashCheckBox_, setButton_);
    setTabOrder(setButton_, cancelButton_);
}

void TriggerLevelDialog::SetHandler(SetHandlerFunction handler) {
    handler_ = std::move(handler);
}

void TriggerLevelDialog::ToggleFlash() {
    levelEdit_->setEnabled(!flashCheckBox_->isChecked());
}

void TriggerLevelDialog::SetLevel() {
    if (handler_) {
        handler_(levelUpDown_->Position(), flashCheckBox_->isChecked());
    }
    accept();
}

void TriggerLevelDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        CentreOnOwner(*this);
    }
    QDialog::showEvent(event);
}

}  // namespace kelmor
