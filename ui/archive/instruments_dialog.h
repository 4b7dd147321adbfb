#pragma once

#include <QDateTime>
#include <QDialog>
#include <QList>

#include "archive/survey.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace kelmor {

class Archive;
class DesktopDialogs;

// Archive > Instruments...: every instrument of the archive with its model, its runs and its
// last calibration, a warning where that is more than 12 months ago or none is recorded;
// for the chosen one the calibration factors its images carried (first and last seen) and
// the calibrations recorded from the laboratory's certificates, which the user adds and
// removes. Forget instrument... removes what the user recorded of it, after asking; its
// sources and runs stay. Questions and failures go through the window's dialogs.
class InstrumentsDialog : public QDialog {
    Q_OBJECT

  public:
    InstrumentsDialog(Archive& archive, const QDateTime& now, DesktopDialogs& dialogs,
                      QWidget* parent = nullptr);

    // Chooses the instrument with that serial number in the list.
    void ChooseInstrument(const QString& serial);

  private:
    // Reads the instruments again, keeping the choice where it still exists.
    void List();
    void ShowChosen();
    void UpdateControls();
    void AddCalibration();
    void RemoveCalibration();
    void ForgetInstrument();
    bool Ask(const QString& question);
    void Say(const QString& failure);
    const InstrumentInfo* Chosen() const;

    Archive& archive_;
    QDateTime now_;
    DesktopDialogs& dialogs_;
    QList<InstrumentInfo> instruments_;

    QTreeWidget* list_ = nullptr;
    QLabel* warning_ = nullptr;
    QTableWidget* factors_ = nullptr;
    QTableWidget* calibrations_ = nullptr;
    QDateEdit* calibrationDate_ = nullptr;
    QLineEdit* certificate_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* forgetButton_ = nullptr;
};

}  // namespace kelmor
