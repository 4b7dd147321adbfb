#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kelmor {

// A pair of arrow buttons that steps a whole-number position between two limits and shows
// it in an associated edit. The edit only displays: the position is the value. The arrow
// keys step it too, in the edit or on the buttons themselves.
class UpDown : public QWidget {
    Q_OBJECT

  public:
    explicit UpDown(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    void SetIncrement(int increment);
    // Clamped to the range.
    void SetPosition(int position);
    void SetAssociate(QLineEdit* edit);

    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    int Increment() const { return increment_; }
    int Position() const { return position_; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

    void StepUp() { SetPosition(position_ + increment_); }
    void StepDown() { SetPosition(position_ - increment_); }

  signals:
    void PositionChanged(int position);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool Step(int key);
    void ShowPosition();

    QToolButton* up_;
    QToolButton* down_;
    QLineEdit* associate_ = nullptr;
    int minimum_ = 0;
    int maximum_ = 100;
    int increment_ = 1;
    int position_ = 0;
};

}  // namespace kelmor
