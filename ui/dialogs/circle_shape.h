#pragma once

#include <QColor>
#include <QWidget>

namespace kelmor {

// A filled circle with a thin black outline, like the instrument's indicator lamps.
class CircleShape : public QWidget {
    Q_OBJECT

  public:
    explicit CircleShape(const QColor& fill, QWidget* parent = nullptr);

    QColor Fill() const { return fill_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor fill_;
};

}  // namespace kelmor
