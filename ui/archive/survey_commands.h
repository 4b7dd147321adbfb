#pragma once

#include <QDateTime>
#include <QObject>
#include <optional>

class QWidget;

namespace kelmor {

class Archive;
class ArchivePanel;
class DesktopDialogs;
struct ArchiveStatus;

// The survey's commands on what the Archive panel has chosen: a site made, edited, removed,
// a place put in a site or taken out, a run's deployment, the instruments with their
// calibrations, and the site report. Each asks through the window's dialogs, changes the
// archive, lists the panel again and says what it did (`said`, for the status bar) or why
// it could not (`failed`, a message naming the site, place or file).
class SurveyCommands : public QObject {
    Q_OBJECT

  public:
    SurveyCommands(ArchivePanel& panel, DesktopDialogs& dialogs, QWidget& owner);

    void NewSite();
    void EditSite();
    // Asks first, saying that the site's places and runs stay.
    void RemoveSite();
    // A chooser of the sites, and "in no site".
    void PutPlaceInSite();
    void EditDeployment();
    void ShowInstruments(const QDateTime& now);
    // The PDF's name, then the reference level (the window's when one is chosen, otherwise
    // that of the last site report) and whether the hourly data goes beside it as CSV.
    void WriteSiteReport(std::optional<double> referenceLevelBqm3, const QDateTime& now);

  signals:
    void said(const QString& text);
    void failed(const QString& message);

  private:
    // The panel's archive where it may be changed; none otherwise.
    Archive* WritableArchive() const;
    bool Ask(const QString& question);
    // Lists the panel again; a failure is said, success is `text`.
    bool Done(const ArchiveStatus& status, const QString& text);

    ArchivePanel& panel_;
    DesktopDialogs& dialogs_;
    QWidget& owner_;
    QString reportFolder_;  // where the last site report went
    bool reportWithCsv_ = false;
    std::optional<double> reportLevel_;  // the level of the last site report
};

// A site's name made fit to stand in a file's name: no folder separators, no characters
// that some file systems refuse.
QString FileNameOfSite(const QString& site);

}  // namespace kelmor
