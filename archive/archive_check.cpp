#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QVariant>
#include <vector>

#include "archive/archive_impl.h"
#include "archive/sql.h"

namespace kelmor {

namespace {

// Derives everything from the sources in their order into emptied tables; the caller
// holds the transaction.
bool DeriveAll(Archive::Impl& impl, QString& error) {
    const QSqlDatabase db = impl.Db();
    for (const char* table : {"conflicts", "samples", "run_sources", "runs"}) {
        if (!sql::Exec(db, QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)), {}, error)) {
            return false;
        }
    }
    std::optional<QSqlQuery> q = sql::Exec(
        db, QStringLiteral("SELECT id FROM sources ORDER BY read_out_utc, sha256"), {}, error);
    if (!q) {
        return false;
    }
    std::vector<qint64> sources;
    while (q->next()) {
        sources.push_back(q->value(0).toLongLong());
    }
    MeasurementData& data = impl.Workspace();
    for (const qint64 id : sources) {
        Model model = Model::V7;
        QString serial;
        ImportOutcome ignored;
        if (!impl.DecodeSource(id, data, model, serial, error) ||
            !impl.MergeSource(id, serial, model, data, false, ignored, error)) {
            return false;
        }
    }
    return true;
}

// Lines that one query gives and the other does not, each described by `describe`.
bool CompareRows(const QSqlDatabase& db, const QString& mine, const QString& derived,
                 const QString& what, QStringList& problems, QString& error) {
    for (const auto& [first, second, side] :
         {std::tuple{mine, derived, QStringLiteral("not derived from the sources")},
          std::tuple{derived, mine, QStringLiteral("missing, though the sources give it")}}) {
        std::optional<QSqlQuery> q =
            sql::Exec(db, first + QStringLiteral(" EXCEPT ") + second, {}, error);
        if (!q) {
            return false;
        }
        int count = 0;
        QString example;
        while (q->next()) {
            if (count++ == 0) {
                QStringList fields;
                for (int i = 0; i < q->record().count(); ++i) {
                    fields << q->value(i).toString();
                }
                example = fields.join(QLatin1Char(';'));
            }
        }
        if (count > 0) {
            problems << QStringLiteral("%1 %2 %3 (first: %4)").arg(count).arg(what, side, example);
        }
    }
    return true;
}

// What the user recorded beside the sources: every deployment belongs to a run, every
// calibration to an instrument, and their dates and times are dates and times.
bool CheckRecords(const QSqlDatabase& db, QStringList& problems, QString& error) {
    std::optional<QSqlQuery> q = sql::Exec(
        db,
        QStringLiteral("SELECT d.serial, d.start, d.deployed_at, d.retrieved_at, (SELECT "
                       "count(*) FROM runs r WHERE r.serial = d.serial AND r.start = d.start) "
                       "FROM deployments d ORDER BY d.serial, d.start"),
        {}, error);
    if (!q) {
        return false;
    }
    while (q->next()) {
        const QString run =
            QStringLiteral("%1 starting %2")
                .arg(q->value(0).toString(), FormatRunStart(q->value(1).toLongLong()));
        if (q->value(4).toLongLong() == 0) {
            problems << QStringLiteral("the deployment of %1 belongs to no run").arg(run);
        }
        std::optional<DateTime> times[2];
        for (int i = 0; i < 2; ++i) {
            const QVariant value = q->value(2 + i);
            times[i] = value.isNull() ? std::nullopt : ParseStoredTime(value.toString());
            if (!value.isNull() && !times[i]) {
                problems << QStringLiteral("the deployment of %1 has the time \"%2\"")
                                .arg(run, value.toString());
            }
        }
        if (times[0] && times[1] && MillisecondsOf(*times[1]) < MillisecondsOf(*times[0])) {
            problems << QStringLiteral("the deployment of %1 ends before it begins").arg(run);
        }
    }
    q = sql::Exec(db,
                  QStringLiteral("SELECT c.serial, c.calibrated_on, (SELECT count(*) FROM sources "
                                 "s WHERE s.serial = c.serial) FROM calibrations c ORDER BY "
                                 "c.serial, c.calibrated_on"),
                  {}, error);
    if (!q) {
        return false;
    }
    while (q->next()) {
        const QString serial = q->value(0).toString();
        const QString date = q->value(1).toString();
        if (q->value(2).toLongLong() == 0) {
            problems << QStringLiteral(
                            "the calibration of %1 on %2 belongs to no instrument of "
                            "the archive")
                            .arg(serial, date);
        }
        if (!QDate::fromString(date, Qt::ISODate).isValid()) {
            problems
                << QStringLiteral("the calibration of %1 has the date \"%2\"").arg(serial, date);
        }
    }
    return true;
}

}  // namespace

ArchiveStatus Archive::Rebuild() {
    ArchiveStatus status;
    if (readOnly_) {
        status.error = impl_->WriteError(QStringLiteral("it may not be written"));
        return status;
    }
    const QSqlDatabase db = impl_->Db();
    QString error;
    sql::Transaction transaction(db);
    if (!transaction.Begin(error)) {
        status.error = impl_->WriteError(error);
        return status;
    }
    // Places stay; each run gets its place and offer back by its key.
    struct Kept {
        QVariant place;
        QVariant offered;
    };
    QHash<QPair<QString, qint64>, Kept> kept;
    std::optional<QSqlQuery> q =
        sql::Exec(db, QStringLiteral("SELECT serial, start, place_id, offered_place_id FROM runs"),
                  {}, error);
    if (!q) {
        status.error = impl_->WriteError(error);
        return status;
    }
    while (q->next()) {
        kept.insert({q->value(0).toString(), q->value(1).toLongLong()}, {q->value(2), q->value(3)});
    }
    if (!DeriveAll(*impl_, error)) {
        status.error = impl_->WriteError(error);
        return status;
    }
    for (auto it = kept.constBegin(); it != kept.constEnd(); ++it) {
        if (!sql::Exec(db,
                       QStringLiteral("UPDATE runs SET place_id = ?, offered_place_id = ? "
                                      "WHERE serial = ? AND start = ?"),
                       {it->place, it->offered, it.key().first, it.key().second}, error)) {
            status.error = impl_->WriteError(error);
            return status;
        }
    }
    if (!transaction.Commit(error)) {
        status.error = impl_->WriteError(error);
        return status;
    }
    status.ok = true;
    return status;
}

CheckReport Archive::Check() const {
    CheckReport report;
    const QSqlDatabase db = impl_->Db();
    QString error;
    auto failed = [&](const QString& reason) {
        report.problems << impl_->ReadError(reason);
        return report;
    };

    std::optional<QSqlQuery> integrity =
        sql::Exec(db, QStringLiteral("PRAGMA integrity_check"), {}, error);
    if (!integrity) {
        return failed(error);
    }
    while (integrity->next()) {
        if (integrity->value(0).toString() != QLatin1String("ok")) {
            report.problems << QStringLiteral("integrity: %1").arg(integrity->value(0).toString());
        }
    }
    std::optional<QSqlQuery> keys =
        sql::Exec(db, QStringLiteral("PRAGMA foreign_key_check"), {}, error);
    if (!keys) {
        return failed(error);
    }
    while (keys->next()) {
        report.problems << QStringLiteral("a row of %1 refers to a missing row of %2")
                               .arg(keys->value(0).toString(), keys->value(2).toString());
    }
    if (!CheckRecords(db, report.problems, error)) {
        return failed(error);
    }
    std::optional<QSqlQuery> sources =
        sql::Exec(db, QStringLiteral("SELECT id, sha256, image, origin FROM sources"), {}, error);
    if (!sources) {
        return failed(error);
    }
    while (sources->next()) {
        if (QCryptographicHash::hash(sources->value(2).toByteArray(), QCryptographicHash::Sha256) !=
            sources->value(1).toByteArray()) {
            report.problems << QStringLiteral(
                                   "source %1 (%2): its bytes do not match their "
                                   "SHA-256")
                                   .arg(sources->value(0).toLongLong())
                                   .arg(sources->value(3).toString());
        }
    }

    // Derive everything again in a copy and compare.
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("derived.sqlite"));
    if (!folder.isValid() || !sql::Exec(db, QStringLiteral("VACUUM INTO ?"), {copy}, error)) {
        return failed(error.isEmpty() ? QStringLiteral("no temporary folder") : error);
    }
    {
        OpenResult derived = Archive::Open(copy, {OpenMode::ReadWrite, 5000});
        if (!derived.archive) {
            return failed(derived.error);
        }
        const ArchiveStatus rebuilt = derived.archive->Rebuild();
        if (!rebuilt.ok) {
            report.problems
                << QStringLiteral("the sources cannot be derived again: %1").arg(rebuilt.error);
        }
    }
    if (!sql::Exec(db, QStringLiteral("ATTACH DATABASE ? AS derived"), {copy}, error)) {
        return failed(error);
    }
    const QString runs =
        QStringLiteral("SELECT serial, start, model, calibration, coefficients FROM %1runs");
    const QString samples = QStringLiteral(
        "SELECT r.serial, r.start, s.hour, s.pulses, s.climate FROM %1samples s JOIN %1runs r "
        "ON r.id = s.run_id");
    const QString conflicts = QStringLiteral(
        "SELECT r.serial, r.start, c.hour, o.sha256, k.sha256, c.kept_pulses, c.kept_climate, "
        "c.pulses, c.climate FROM %1conflicts c JOIN %1runs r ON r.id = c.run_id JOIN "
        "%1sources o ON o.id = c.source_id JOIN %1sources k ON k.id = c.kept_source_id");
    const QString main = QStringLiteral("main.");
    const QString other = QStringLiteral("derived.");
    const bool compared = CompareRows(db, runs.arg(main), runs.arg(other), QStringLiteral("runs"),
                                      report.problems, error) &&
                          CompareRows(db, samples.arg(main), samples.arg(other),
                                      QStringLiteral("samples"), report.problems, error) &&
                          CompareRows(db, conflicts.arg(main), conflicts.arg(other),
                                      QStringLiteral("conflicts"), report.problems, error);
    sql::Exec(db, QStringLiteral("DETACH DATABASE derived"), {}, error);
    if (!compared) {
        return failed(error);
    }
    report.conflicts = Conflicts(&error);
    report.consistent = report.problems.isEmpty();
    return report;
}

}  // namespace kelmor
