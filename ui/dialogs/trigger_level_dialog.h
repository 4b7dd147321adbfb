#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelmor {

class CircleShape;
class UpDown;

// The trigger-level dialog: the radon level, in Bq/m3, between the instrument's low (green)
// and high (red) indication, and whether its lamps flash. Created once at start-up and
// shown modally; it keeps the level and the check box from one showing to the next. It
// talks to no instrument itself: "Set" hands the values to the handler the main window
// installed. Its controls carry their role as objectName.
class TriggerLevelDialog : public QDialog {
    Q_OBJECT

  public:
    using SetHandlerFunction = std::function<void(int level, bool flash)>;

    explicit TriggerLevelDialog(QWidget* parent = nullptr);

    // Called by "Set" with the up-down position and the flash check box.
    void SetHandler(SetHandlerFunction handler);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // The level can be typed only while the lamps do not flash.
    void ToggleFlash();
    void SetLevel();

    CircleShape* highLamp_ = nullptr;
    CircleShape* lowLamp_ = nullptr;
    QLabel* triggerLabel_ = nullptr;
    QLabel* highLabel_ = nullptr;
    QLabel* lowLabel_ = nullptr;
    QLineEdit* levelEdit_ = nullptr;
    UpDown* levelUpDown_ = nullptr;
    QLabel* unitLabel_ = nullptr;
    QCheckBox* flashCheckBox_ = nullptr;
    QPushButton* setButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    SetHandlerFunction handler_;
};

}  // namespace kelmor
