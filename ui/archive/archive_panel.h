#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "archive/archive.h"

class QAction;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kelmor {

class SiteSummary;

// The Archive panel: the sites of the radon record, each with its places, then the places
// in no site, and under each place its runs (instrument, model, period, hours and mean,
// who deployed it, and a warning where the instrument's calibration was overdue when the
// run started), then the runs not yet in a place. A site is never given one figure of its
// own: separate rooms are not averaged. A run the archive offers a place for (its
// instrument's previous run was there) says so; the user confirms it with Assign, or types
// another place, without being asked in a modal window.
//
// The one text field below the list names a place: Assign puts the chosen run (or every
// run chosen) in it, Rename gives the chosen place that name, Merge into moves all the
// chosen place's runs into it. Double-clicking a place or a run, or Enter on it, shows its
// samples in the chart. Choosing a site, or a place or run of one, shows the site's client,
// address and duplicate pairs under the list.
class ArchivePanel : public QWidget {
    Q_OBJECT

  public:
    explicit ArchivePanel(QWidget* parent = nullptr);

    // The archive the panel lists and changes; none, with the reason, while the program
    // goes on without one.
    void SetArchive(Archive* archive, const QString& unavailableReason = QString());
    Archive* CurrentArchive() const { return archive_; }
    // Lists the archive again, keeping the choice where it still exists.
    void Refresh();
    // The window's commands on the panel's choice: `buttons` as buttons below the list,
    // `menu` as the list's context menu. Their states are the window's.
    void SetCommands(const QList<QAction*>& buttons, const QList<QAction*>& menu);

    // What is chosen in the list.
    std::optional<QString> ChosenPlace() const;
    QList<RunKey> ChosenRuns() const;
    // The one run chosen, as last listed.
    std::optional<RunInfo> ChosenRun() const;
    // The site chosen, or the site of the place or run chosen.
    std::optional<QString> ChosenSite() const;
    // Chooses a run, a place or a site in the list (after a read-out, its newest run).
    void ChooseRun(const RunKey& run);
    void ChoosePlace(const QString& place);
    void ChooseSite(const QString& site);

    // As last listed: the sites' names, and the testers of the runs' deployments, each once.
    const QStringList& SiteNames() const { return siteNames_; }
    const QStringList& Testers() const { return testers_; }

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
    // The choice in the list, or what the archive holds, changed.
    void choiceChanged();

  private slots:
    void ShowChosen();
    void AssignChosenRuns();
    void RenameChosenPlace();
    void MergeChosenPlace();
    void FollowChoice();
    void UpdateControls();

  private:
    void Report(bool ok, const QString& error);
    // Lists the sites, places and runs; false, with the reason in the status line, when
    // the archive could not be read.
    bool List();
    void ShowSite();
    QTreeWidgetItem* Find(int kind, const QString& name) const;
    QTreeWidgetItem* FindRun(const RunKey& run) const;
    void Choose(QTreeWidgetItem* item);

    Archive* archive_ = nullptr;
    QLabel* status_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    SiteSummary* siteSummary_ = nullptr;
    QComboBox* placeName_ = nullptr;
    QPushButton* assignButton_ = nullptr;
    QPushButton* renameButton_ = nullptr;
    QPushButton* mergeButton_ = nullptr;
    QPushButton* showButton_ = nullptr;
    QPushButton* yearViewButton_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QGridLayout* controls_ = nullptr;
    QString unavailableReason_;
    QList<RunInfo> runs_;
    QStringList siteNames_;
    QStringList testers_;
    QString summarisedSite_;  // the site whose summary is on show
};

}  // namespace kelmor
