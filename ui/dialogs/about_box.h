#pragma once

#include <QByteArray>
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace kelmor {

inline constexpr char kSupportAddress[] = "support@kelmor.example";

// The About box: banner picture, the program's name and version and where to write for
// support. Created once at start-up and shown modally by Help > About. Its controls carry
// their role as objectName.
class AboutBox : public QDialog {
    Q_OBJECT

  public:
    // Shows the banner built into the program.
    explicit AboutBox(QWidget* parent = nullptr);
    // Shows the banner decoded from these JPEG bytes. Bytes that do not decode leave the
    // picture empty, with a warning in the log; the box works all the same.
    AboutBox(QWidget* parent, const QByteArray& bannerJpeg);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* banner_ = nullptr;
    QFrame* panel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QLabel* productLabel_ = nullptr;
    QLabel* supportLabel_ = nullptr;
    QLabel* updatesLabel_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace kelmor
