#pragma once

#include <QDialog>
#include <QStringList>

#include "archive/archive.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kelmor {

// How a run was deployed: the tester, where and how the instrument stood, the deviations
// from the protocol, and when it was put in place and taken away where that differs from
// the run's first and last hour. Unticked, those two show the run's own times and are not
// recorded. OK stays disabled while the instrument would be taken away before it was put in
// place.
class DeploymentDialog : public QDialog {
    Q_OBJECT

  public:
    // `testers` are the names already recorded, offered in the tester field.
    DeploymentDialog(const RunInfo& run, const Deployment& deployment, const QStringList& testers,
                     QWidget* parent = nullptr);

    // The fields as the user left them, trimmed; times to the minute.
    Deployment Result() const;

  private:
    void UpdateControls();

    QComboBox* tester_ = nullptr;
    QLineEdit* placement_ = nullptr;
    QPlainTextEdit* deviations_ = nullptr;
    QCheckBox* deployedChoice_ = nullptr;
    QDateTimeEdit* deployedAt_ = nullptr;
    QCheckBox* retrievedChoice_ = nullptr;
    QDateTimeEdit* retrievedAt_ = nullptr;
    QLabel* problem_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace kelmor
