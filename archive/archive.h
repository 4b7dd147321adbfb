#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>
#include <optional>

#include "archive/run_key.h"
#include "archive/survey.h"
#include "data/date_time.h"
#include "data/measurement_data.h"
#include "data/sample_conversion.h"

namespace kelmor {

// The radon record: every image read out or opened, kept byte for byte, and what is
// derived from them: runs merged across read-outs, their hourly samples, the hours two
// sources give differently, and the places the runs were measured in.
//
// One Archive is one connection through Qt SQL, to an SQLite file or to a database on a
// PostgreSQL server (location.h), used from the thread that opened it. Several programs may
// use one archive at once; their changes are one at a time. Every call is synchronous and reports
// failure in its result, never by an exception. A change is one transaction: a failure (a full
// disk, a killed process) leaves the archive as it was before the call.
//
// How runs are merged:
// - A run is identified by the instrument's serial number and its start (RunKey). Each
//   source adds the hours of the run it shows that are not there yet; a source that shows
//   fewer hours (after an erase, or once the instrument reused the entry) removes nothing.
// - The value of an hour is that of the earliest source showing it, by the UTC time of the
//   read-out and then by SHA-256; a source that gives the hour differently is recorded as
//   a conflict. So the archive is the same whatever order the sources come in, and
//   Rebuild() gives it again from the sources alone.

enum class OpenMode {
    ReadOnly,         // queries only; the file is never written
    ReadWrite,        // the archive must exist
    CreateIfMissing,  // for imports: a missing archive is created
};

struct OpenOptions {
    OpenMode mode = OpenMode::ReadWrite;
    int busyTimeoutMs = 5000;  // how long to wait for another program's transaction
};

// One image entering the archive.
struct ArchiveSource {
    QByteArray image;  // the model's whole image, tag byte first (a data file's bytes)
    Model model = Model::V7;
    QString serial;            // from discovery, or as the user named the instrument
    DateTime readOutAt = 0;    // the PC's local time of the read-out
    int utcOffsetSeconds = 0;  // the PC's offset from UTC then
    QString origin;            // "read-out" or the file's name
};

struct ImportOutcome {
    bool ok = false;
    QString error;                // why nothing was stored, when !ok
    bool noMeasurements = false;  // the image holds no measurement: nothing was stored
    bool duplicate = false;       // these bytes were in the archive already: nothing changed
    QList<RunKey> runsAdded;
    QList<RunKey> runsExtended;  // runs known before that gained hours
    int hoursAdded = 0;
    int conflictsFound = 0;
    // For each new run whose instrument's previous run has a place: that place, offered,
    // not assigned. The run keeps the offer (RunInfo::offeredPlace) until it is assigned.
    QList<QPair<RunKey, QString>> offeredPlaces;
};

struct RunInfo {
    RunKey key;
    Model model = Model::V7;
    Extended calibrationFactor = 0;
    int hours = 0;        // hourly samples kept
    DateTime first = 0;   // the first sample's time (the end of the first hour)
    DateTime last = 0;    // the last sample's time
    double meanBqm3 = 0;  // of all its hours
    QString place;        // empty when not assigned
    QString offeredPlace;
    int conflicts = 0;
};

struct PlaceInfo {
    QString name;
    int runs = 0;
    int hours = 0;
    double meanBqm3 = 0;  // plain mean of every hour of its runs
};

struct ConflictInfo {
    RunKey key;
    int hour = 0;  // of the run, 0 = the first
    DateTime time = 0;
    QString keptOrigin;  // the source whose value stays, and the one that differs
    QString otherOrigin;
    int keptPulses = 0;
    int otherPulses = 0;
    ClimateReadings keptClimate = 0;
    ClimateReadings otherClimate = 0;
};

struct ArchiveStatus {
    bool ok = false;
    QString error;
};

struct CheckReport {
    bool consistent = false;
    QStringList problems;  // empty when consistent
    QList<ConflictInfo> conflicts;
};

// A place's or a run's samples loaded as the window's measurement state.
struct LoadedSamples {
    bool ok = false;
    QString error;
    QStringList listItems;  // the measurement, then "All measurements"
    int samples = 0;
    bool cut = false;  // more samples than the tables hold: the newest were kept
};

class Archive;

struct OpenResult {
    std::unique_ptr<Archive> archive;  // none on failure
    QString error;                     // names the file
};

class Archive {
  public:
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // $XDG_DATA_HOME/kelmor/archive.sqlite.
    static QString DefaultPath();

    // Opens (or, with CreateIfMissing, creates) the archive at `location`: a file path or
    // a PostgreSQL URI. A file is checked (PRAGMA quick_check) before anything is written
    // to it; a damaged, truncated or foreign file or database, one written by a newer
    // version, or one locked by another program is refused with a message naming it and
    // left untouched. An older file is copied beside it ("NAME.vN.bak") before it is
    // brought up to date; a database on a server is brought up to date in one transaction.
    // A file or database that may not be written is opened read-only. A server that cannot
    // be reached is named with the cause in words.
    static OpenResult Open(const QString& location, const OpenOptions& options = {});

    const QString& Path() const { return path_; }
    bool IsReadOnly() const { return readOnly_; }

    ImportOutcome Import(const ArchiveSource& source);

    // Sorted by serial number, then start.
    QList<RunInfo> Runs(QString* error = nullptr) const;
    QList<RunInfo> RunsOfPlace(const QString& place, QString* error = nullptr) const;
    // Sorted by name.
    QList<PlaceInfo> Places(QString* error = nullptr) const;
    bool HasPlace(const QString& place) const;

    // Puts the run in the place, creating the place when it is new; clears any offer.
    ArchiveStatus Assign(const RunKey& run, const QString& place);
    ArchiveStatus Unassign(const RunKey& run);
    ArchiveStatus RenamePlace(const QString& from, const QString& to);
    // Every run of `from` goes to `into` (created when new); `from` is removed.
    ArchiveStatus MergePlaces(const QString& from, const QString& into);
    // Removes a place that holds no run.
    ArchiveStatus RemovePlace(const QString& place);

    // Fills `data` with every sample of the place's runs, merged and sorted by time, as
    // one measurement (row 0) plus "All measurements" (row 1), so that the chart, the
    // summary and every export work on it as on a read-out. The header's calibration
    // factor and the model tag are the newest run's: its climate overlays are shown, and
    // the samples of a run of another model carry that model's climate values (0 for a V5).
    // Two instruments measuring the same hour in one place both count.
    LoadedSamples PlaceData(const QString& place, MeasurementData& data,
                            const Separators& separators = {}) const;
    LoadedSamples RunData(const RunKey& run, MeasurementData& data,
                          const Separators& separators = {}) const;

    QList<ConflictInfo> Conflicts(QString* error = nullptr) const;

    // Consistent when the file is sound, every source's bytes match their SHA-256, no row
    // refers to a missing one, and the runs, samples and conflicts are exactly those the
    // sources give (derived again in a temporary copy). Conflicts are facts, not faults:
    // they are listed and leave the archive consistent.
    CheckReport Check() const;
    // Derives runs, samples and conflicts again from the sources, keeping places,
    // assignments and offers by run key. One transaction.
    ArchiveStatus Rebuild();

    // Sites. A site's name is unique; removing a site keeps its places and their runs.
    QList<SiteInfo> Sites(QString* error = nullptr) const;
    std::optional<SiteInfo> Site(const QString& name, QString* error = nullptr) const;
    // Creates the site or, when it exists, replaces its address, client and notes.
    ArchiveStatus SaveSite(const SiteInfo& site);
    ArchiveStatus RenameSite(const QString& from, const QString& to);
    ArchiveStatus RemoveSite(const QString& name);
    // Puts an existing place in an existing site (out of any other), or out of its site
    // with an empty `site`.
    ArchiveStatus SetPlaceSite(const QString& place, const QString& site);
    // The site of the place; empty when it has none.
    QString SiteOfPlace(const QString& place) const;

    // The deployment of a run; an empty one when none was recorded.
    Deployment DeploymentOf(const RunKey& run, QString* error = nullptr) const;
    // Every recorded deployment, in one query: for listing many runs at once.
    QMap<RunKey, Deployment> Deployments(QString* error = nullptr) const;
    ArchiveStatus SetDeployment(const RunKey& run, const Deployment& deployment);

    // Every instrument that has a run or a recorded calibration, by serial number.
    QList<InstrumentInfo> Instruments(QString* error = nullptr) const;
    std::optional<InstrumentInfo> Instrument(const QString& serial, QString* error = nullptr) const;
    ArchiveStatus AddCalibration(const QString& serial, const CalibrationRecord& record);
    ArchiveStatus RemoveCalibration(const QString& serial, const QDate& date);
    // Removes what the user recorded of the instrument (its calibrations, the deployments
    // of its runs); its sources, runs and samples stay.
    ArchiveStatus ForgetInstrument(const QString& serial);

    // The duplicate pairs of the site's places.
    SiteDuplicates Duplicates(const QString& site, QString* error = nullptr) const;

    // Copies every row of this archive, sources included, into `target`, which must hold
    // nothing yet: one transaction on the target, read at one moment of this one.
    ArchiveStatus CopyTo(Archive& target) const;

    // CSV (RFC 4180, UTF-8) of one place or, without one, of every run: one row per
    // hourly sample, the place's site (if any) in the last column.
    ArchiveStatus ExportCsv(const std::optional<QString>& place, QIODevice& out) const;
    // The same of every place of the site.
    ArchiveStatus ExportSiteCsv(const QString& site, QIODevice& out) const;

    // The connection and the merging, shared by the archive's own sources (archive_impl.h).
    struct Impl;

  private:
    explicit Archive(std::unique_ptr<Impl> impl);
    // The CSV of the runs `where` selects (runs r, places p, sites s).
    ArchiveStatus WriteCsv(const QString& where, const QVariantList& values, QIODevice& out) const;

    std::unique_ptr<Impl> impl_;
    QString path_;
    bool readOnly_ = false;
};

}  // namespace kelmor
