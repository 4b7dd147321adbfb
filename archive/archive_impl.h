#pragma once

// The archive's internals shared by its source files: the connection and the merging of
// decoded images into runs.

#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>
#include <optional>

#include "archive/archive.h"
#include "archive/sql.h"
#include "data/decoder.h"

namespace kelmor {

struct Archive::Impl {
    QString connection;
    QString path;
    bool readOnly = false;
    // The decoder's tables for one image at a time, allocated at the first import (they
    // are large) and reused.
    mutable std::unique_ptr<MeasurementData> workspace;

    ~Impl();
    QSqlDatabase Db() const { return QSqlDatabase::database(connection, false); }
    MeasurementData& Workspace() const;

    // Decodes stored source `sourceId` into `data`, against the time of its read-out.
    bool DecodeSource(qint64 sourceId, MeasurementData& data, Model& model, QString& serial,
                      QString& error) const;

    // Merges every measurement of the decoded source into the runs. Runs for which the
    // source is not the latest are derived again from all their sources in order.
    bool MergeSource(qint64 sourceId, const QString& serial, Model model,
                     const MeasurementData& data, bool offerPlaces, ImportOutcome& outcome,
                     QString& error);
    // Adds the hours of `row` missing from the run and records those that differ.
    bool MergeRow(qint64 runId, qint64 sourceId, const MeasurementData& data, int row,
                  int& hoursAdded, int& conflicts, QString& error);
    bool RederiveRun(qint64 runId, QString& error);

    // The run of `key`, or none (0) when it is not in the archive; -1 on failure.
    qint64 FindRun(const RunKey& key, QString& error) const;
    // Creates a place by name when new; its id, or -1 on failure.
    qint64 PlaceId(const QString& name, bool create, QString& error);
    // The site of `name`, 0 when there is none, -1 on failure.
    qint64 SiteId(const QString& name, QString& error) const;
    // Whether the archive holds a source of the instrument; none on failure.
    std::optional<bool> InstrumentKnown(const QString& serial, QString& error) const;

    QString WriteError(const QString& reason) const;
    QString ReadError(const QString& reason) const;
};

// Runs `change` in one transaction and reports its failure with the archive's name.
template <typename Change>
ArchiveStatus Changed(const QSqlDatabase& db, const Archive::Impl& impl, bool readOnly,
                      Change change) {
    ArchiveStatus status;
    QString error;
    if (readOnly) {
        status.error = impl.WriteError(QStringLiteral("it may not be written"));
        return status;
    }
    sql::Transaction transaction(db);
    if (!transaction.Begin(error) || !change(error) || !transaction.Commit(error)) {
        status.error = impl.WriteError(error);
        return status;
    }
    status.ok = true;
    return status;
}

// A name as the archive keeps it (a place's, a site's): spaces at the ends dropped, runs
// of white space made one space.
inline QString TrimmedName(const QString& name) {
    return name.simplified();
}

// A run's header values as stored: calibration bytes and the V7's coefficient bytes.
HeaderValues StoredHeader(qint64 calibration, const QByteArray& coefficients);

// A sample as the samples table keeps it: its hour within the run, the pulses and the raw
// climate readings.
struct StoredSample {
    int hour = 0;
    int pulses = 0;
    ClimateReadings climate = 0;
};
// The sample of the query's current row (hour, pulses, climate); none when a value lies
// beyond what the instrument records or the tables hold.
std::optional<StoredSample> ReadStoredSample(const QSqlQuery& query);

}  // namespace kelmor
