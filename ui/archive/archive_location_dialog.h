#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelmor {

// Main > Archive location...: a file (typed, or found with Browse...) or a PostgreSQL
// server's URI, which Test opens to say whether the archive can be used there.
class ArchiveLocationDialog : public QDialog {
    Q_OBJECT

  public:
    // `browse` asks for a file, starting at the one given; none when the user cancels.
    using Browse = std::function<std::optional<QString>(const QString& current)>;

    ArchiveLocationDialog(const QString& current, Browse browse, QWidget* parent = nullptr);

    QString Location() const;
    // Opens the location as the window would and says what it found.
    void Test();

  private:
    QLineEdit* location_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* okButton_ = nullptr;
    Browse browse_;
};

}  // namespace kelmor
