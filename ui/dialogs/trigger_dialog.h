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
// installed. The controls are public under the names of the window's definition.
class TTrigger : public QDialog {
    Q_OBJECT

  public:
    using SetHandlerFunction = std::function<void(int level, bool flash)>;

    explicit TTrigger(QWidget* parent = nullptr);

    // Called by "Set" with the up-down position and the flash check box.
    void SetHandler(SetHandlerFunction handler);

    void CheckBox1Click(QObject* sender);
    void Button1Click(QObject* sender);
    void Button2Click(QObject* sender);

    CircleShape* Shape1 = nullptr;
    CircleShape* Shape2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Level_edit = nullptr;
    UpDown* UpDown1 = nullptr;
    QLabel* Label4 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    SetHandlerFunction handler_;
};

}  // namespace kelmor
