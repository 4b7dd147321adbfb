#pragma once

#include <QWidget>
#include <optional>

#include "archive/run_key.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kelmor {

class Archive;

// The Archive panel: the places of the radon record and, under each, its runs (instrument,
// model, period, hours and mean), then the runs not yet in a place. A run the archive
// offers a place for (its instrument's previous run was there) says so; the user confirms
// it with Assign, or types another place, without being asked in a modal window.
//
// The one text field below the list names a place: Assign puts the chosen run (or every
// run chosen) in it, Rename gives the chosen place that name, Merge into moves all the
// chosen place's runs into it. Double-clicking a place or a run, or Enter on it, shows its
// samples in the chart.
class ArchivePanel : public QWidget {
    Q_OBJECT

  public:
    explicit ArchivePanel(QWidget* parent = nullptr);

    // The archive the panel lists and changes; none, with the reason, while the program
    // goes on without one.
    void SetArchive(Archive* archive, const QString& unavailableReason = QString());
    // Lists the archive again, keeping the choice where it still exists.
    void Refresh();

    // What is chosen in the list.
    std::optional<QString> ChosenPlace() const;
    QList<RunKey> ChosenRuns() const;
    // Chooses a run or a place in the list (after a read-out, its newest run).
    void ChooseRun(const RunKey& run);
    void ChoosePlace(const QString& place);

  signals:
    void placeShown(const QString& place);
    void runShown(const RunKey& run);
    void yearViewAsked(const QString& place);
    // An assignment, renaming or merging changed the archive.
    void archiveChanged();
    // A change the archive refused, in words.
    void failed(const QString& message);
    // The user asked for the archive to be read again (what others stored).
    void refreshAsked();

  private slots:
    void ShowChosen();
    void AssignChosenRuns();
    void RenameChosenPlace();
    void MergeChosenPlace();
    void UpdateControls();

  private:
    void Report(bool ok, const QString& error);
    QTreeWidgetItem* FindRun(const RunKey& run) const;
    QTreeWidgetItem* FindPlace(const QString& place) const;

    Archive* archive_ = nullptr;
    QLabel* status_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QComboBox* placeName_ = nullptr;
    QPushButton* assignButton_ = nullptr;
    QPushButton* renameButton_ = nullptr;
    QPushButton* mergeButton_ = nullptr;
    QPushButton* showButton_ = nullptr;
    QPushButton* yearViewButton_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QString unavailableReason_;
};

}  // namespace kelmor
