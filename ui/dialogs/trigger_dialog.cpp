#include "ui/dialogs/trigger_dialog.h"

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

TTrigger::TTrigger(QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Trigger"));
    setWindowTitle(QStringLiteral("Trigger level"));
    setFont(DialogFont(11));

    Shape1 = Lamp(this, "Shape1", Qt::red, 16, 12);
    Label2 = PlacedLabel(this, "Label2", QStringLiteral("High Level"), 40, 14);
    Shape2 = Lamp(this, "Shape2", QColor(0, 255, 0), 16, 36);
    Label3 = PlacedLabel(this, "Label3", QStringLiteral("Low Level"), 40, 38);
    Label1 = PlacedLabel(this, "Label1", QStringLiteral("Trigger between Low and High level at"),
                         16, 62);

    Level_edit = new QLineEdit(this);
    Level_edit->setObjectName(QStringLiteral("Level_edit"));
    Level_edit->setGeometry(16, 80, 49, 21);
    Level_edit->setReadOnly(true);
    Level_edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Level_edit->setToolTip(QStringLiteral("Trigger level in Bq/m3, 50 to 2000"));

    UpDown1 = new UpDown(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(65, 80, 16, 21);
    UpDown1->SetRange(50, 2000);
    UpDown1->SetIncrement(25);
    UpDown1->SetPosition(200);
    UpDown1->SetAssociate(Level_edit);
    UpDown1->setToolTip(QStringLiteral("Raise or lower the level in steps of 25 Bq/m3"));

    Label4 = PlacedLabel(this, "Label4", QStringLiteral("Bq/m3"), 88, 84);

    CheckBox1 = new QCheckBox(QStringLiteral("Flash RED/GREEN"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->move(16, 110);
    CheckBox1->adjustSize();
    CheckBox1->setToolTip(QStringLiteral("Let the Kelmor flash its red and green lamps"));
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(CheckBox1); });

    Button1 = PlacedButton(this, "Button1", QStringLiteral("Set"),
                           QStringLiteral("Send the trigger level to the Kelmor"));
    Button1->setDefault(true);
    Button2 = PlacedButton(this, "Button2", QStringLiteral("Cancel"),
                           QStringLiteral("Close without sending anything"));
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(Button2); });

    // Wide enough for the longest line in whatever face stands in for "MS Sans Serif".
    const int width =
        std::max({241, Label1->geometry().right() + 17, CheckBox1->geometry().right() + 17});
    Button1->move(width / 2 - 10 - Button1->width(), 140);
    Button2->move(width / 2 + 10, 140);
    setFixedSize(width, 178);

    setTabOrder(Level_edit, UpDown1);
    setTabOrder(UpDown1, CheckBox1);
    setTabOrder(CheckBox1, Button1);
    setTabOrder(Button1, Button2);
}

void TTrigger::SetHandler(SetHandlerFunction handler) {
    handler_ = std::move(handler);
}

void TTrigger::CheckBox1Click(QObject*) {
    Level_edit->setEnabled(!CheckBox1->isChecked());
}

void TTrigger::Button1Click(QObject*) {
    if (handler_) {
        handler_(UpDown1->Position(), CheckBox1->isChecked());
    }
    accept();
}

void TTrigger::Button2Click(QObject*) {
    reject();
}

void TTrigger::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        CentreOnOwner(*this);
    }
    QDialog::showEvent(event);
}

}  // namespace kelmor
