#pragma once

#include <QByteArray>
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace kelmor {

inline constexpr char kSupportAddress[] = "support@kelmor.example";

// The About box: banner picture, the program's name and version and where to write for
// support. Created once at start-up and shown modally by Help > About. The controls are
// public under the names of the window's definition so that tests can look at them.
class TAbout : public QDialog {
    Q_OBJECT

  public:
    // Shows the banner built into the program.
    explicit TAbout(QWidget* parent = nullptr);
    // Shows the banner decoded from these JPEG bytes. Bytes that do not decode leave the
    // picture empty, with a warning in the log; the box works all the same.
    TAbout(QWidget* parent, const QByteArray& bannerJpeg);

    void Button1Click(QObject* sender);

    QLabel* Image1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* Button1 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace kelmor
