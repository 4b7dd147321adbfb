// Instruments with their calibrations, and the deployments of their runs.
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <map>

#include "archive/archive_impl.h"
#include "archive/sql.h"

namespace kelmor {

namespace {

QString DateText(const QDate& date) {
    return date.toString(Qt::ISODate);
}

QVariant OptionalTime(const std::optional<DateTime>& time) {
    return time ? QVariant(FormatIsoLocal(*time)) : QVariant(QMetaType(QMetaType::QString));
}

std::optional<DateTime> StoredTime(const QVariant& value) {
    return value.isNull() ? std::nullopt : ParseStoredTime(value.toString());
}

QString UnknownInstrument(const QString& serial) {
    return QStringLiteral("the archive holds nothing of instrument %1").arg(serial);
}

// The instruments `where` selects from sources, runs and calibrations (each of which has a
// serial column), by serial number.
bool ReadInstruments(const QSqlDatabase& db, const QString& where, const QVariantList& values,
                     std::map<QString, InstrumentInfo>& instruments, QString& error) {
    // Oldest read-out first: the newest source's model is the instrument's when it has no run.
    std::optional<QSqlQuery> q =
        sql::Exec(db,
                  QStringLiteral("SELECT serial, model, calibration, read_out_at FROM sources ") +
                      where + QStringLiteral(" ORDER BY serial, read_out_utc, sha256"),
                  values, error);
    if (!q) {
        return false;
    }
    while (q->next()) {
        const QString serial = q->value(0).toString();
        InstrumentInfo& instrument = instruments[serial];
        instrument.serial = serial;
        instrument.model = sql::ModelFromName(q->value(1).toString()).value_or(instrument.model);
        const Extended factor = static_cast<Extended>(q->value(2).toDouble());
        const DateTime seen = ParseStoredTime(q->value(3).toString()).value_or(0);
        auto known =
            std::find_if(instrument.factorsSeen.begin(), instrument.factorsSeen.end(),
                         [factor](const CalibrationFactorSeen& f) { return f.factor == factor; });
        if (known == instrument.factorsSeen.end()) {
            instrument.factorsSeen << CalibrationFactorSeen{factor, seen, seen};
        } else {
            known->lastSeen = seen;
        }
    }
    // The latest run's model: the one the instrument measures with now.
    q = sql::Exec(db,
                  QStringLiteral("SELECT serial, model FROM runs ") + where +
                      QStringLiteral(" ORDER BY serial, start"),
                  values, error);
    if (!q) {
        return false;
    }
    while (q->next()) {
        InstrumentInfo& instrument = instruments[q->value(0).toString()];
        instrument.serial = q->value(0).toString();
        instrument.model = sql::ModelFromName(q->value(1).toString()).value_or(instrument.model);
        ++instrument.runs;
    }
    q = sql::Exec(db,
                  QStringLiteral("SELECT serial, calibrated_on, certificate FROM calibrations ") +
                      where + QStringLiteral(" ORDER BY serial, calibrated_on DESC"),
                  values, error);
    if (!q) {
        return false;
    }
    while (q->next()) {
        const QDate date = QDate::fromString(q->value(1).toString(), Qt::ISODate);
        if (!date.isValid()) {
            continue;  // check names it; a date that is none is no calibration
        }
        InstrumentInfo& instrument = instruments[q->value(0).toString()];
        instrument.serial = q->value(0).toString();
        instrument.calibrations << CalibrationRecord{date, q->value(2).toString()};
        if (!instrument.lastCalibration) {
            instrument.lastCalibration = date;
        }
    }
    return true;
}

}  // namespace

bool CalibrationOverdue(const std::optional<QDate>& lastCalibration, DateTime runStart) {
    if (!lastCalibration || !lastCalibration->isValid()) {
        return true;
    }
    // Twelve calendar months, to the day: calibrated on 15 March, a run may start on the
    // 15 March a year later. QDate clamps 29 February to the 28th.
    const DateTimeFields start = DecodeDateTime(runStart);
    return lastCalibration->addMonths(12) < QDate(start.year, start.month, start.day);
}

std::optional<QDate> CalibrationAt(const InstrumentInfo& instrument, DateTime runStart) {
    const DateTimeFields start = DecodeDateTime(runStart);
    const QDate day(start.year, start.month, start.day);
    for (const CalibrationRecord& record : instrument.calibrations) {  // newest first
        if (record.date <= day) {
            return record.date;
        }
    }
    return std::nullopt;
}

std::optional<bool> Archive::Impl::InstrumentKnown(const QString& serial, QString& error) const {
    const std::optional<QVariant> count = sql::Value(
        Db(), QStringLiteral("SELECT count(*) FROM sources WHERE serial = ?"), {serial}, error);
    if (!count) {
        return std::nullopt;
    }
    return count->toLongLong() > 0;
}

QList<InstrumentInfo> Archive::Instruments(QString* error) const {
    std::map<QString, InstrumentInfo> instruments;
    QString reason;
    QList<InstrumentInfo> list;
    if (!ReadInstruments(impl_->Db(), QString(), {}, instruments, reason)) {
        if (error) {
            *error = impl_->ReadError(reason);
        }
        return list;
    }
    for (const auto& entry : instruments) {
        list << entry.second;
    }
    return list;
}

std::optional<InstrumentInfo> Archive::Instrument(const QString& serial, QString* error) const {
    std::map<QString, InstrumentInfo> instruments;
    QString reason;
    if (!ReadInstruments(impl_->Db(), QStringLiteral("WHERE serial = ?"), {serial}, instruments,
                         reason)) {
        if (error) {
            *error = impl_->ReadError(reason);
        }
        return std::nullopt;
    }
    const auto found = instruments.find(serial);
    if (found == instruments.end()) {
        if (error) {
            *error = QStringLiteral("There is no instrument %1 in the archive.").arg(serial);
        }
        return std::nullopt;
    }
    return found->second;
}

ArchiveStatus Archive::AddCalibration(const QString& serial, const CalibrationRecord& record) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        if (!record.date.isValid() || record.date > QDate::currentDate()) {
            error = record.date.isValid()
                        ? QStringLiteral("a calibration cannot be dated after today (%1)")
                              .arg(DateText(record.date))
                        : QStringLiteral("a calibration needs a date");
            return false;
        }
        const std::optional<bool> known = impl_->InstrumentKnown(serial, error);
        if (!known || !*known) {
            error = known ? UnknownInstrument(serial) : error;
            return false;
        }
        // Qt binds an empty text as NULL: COALESCE keeps an empty field a text.
        return sql::Exec(impl_->Db(),
                         QStringLiteral(
                             "INSERT INTO calibrations (serial, calibrated_on, "
                             "certificate) VALUES (?, ?, COALESCE(?, '')) ON CONFLICT (serial, "
                             "calibrated_on) DO UPDATE SET certificate = "
                             "excluded.certificate"),
                         {serial, DateText(record.date), record.certificate.trimmed()}, error)
            .has_value();
    });
}

ArchiveStatus Archive::RemoveCalibration(const QString& serial, const QDate& date) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const std::optional<QVariant> count =
            sql::Value(impl_->Db(),
                       QStringLiteral("SELECT count(*) FROM calibrations WHERE serial = ? AND "
                                      "calibrated_on = ?"),
                       {serial, DateText(date)}, error);
        if (!count || count->toLongLong() == 0) {
            error = count ? QStringLiteral("there is no calibration of instrument %1 on %2")
                                .arg(serial, DateText(date))
                          : error;
            return false;
        }
        return sql::Exec(impl_->Db(),
                         QStringLiteral("DELETE FROM calibrations WHERE serial = ? AND "
                                        "calibrated_on = ?"),
                         {serial, DateText(date)}, error)
            .has_value();
    });
}

ArchiveStatus Archive::ForgetInstrument(const QString& serial) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const std::optional<QVariant> recorded = sql::Value(
            impl_->Db(),
            QStringLiteral("SELECT (SELECT count(*) FROM sources WHERE serial = ?) + (SELECT "
                           "count(*) FROM calibrations WHERE serial = ?)"),
            {serial, serial}, error);
        if (!recorded || recorded->toLongLong() == 0) {
            error = recorded ? UnknownInstrument(serial) : error;
            return false;
        }
        // What the user wrote down goes; what the instrument recorded stays.
        return sql::Exec(impl_->Db(), QStringLiteral("DELETE FROM calibrations WHERE serial = ?"),
                         {serial}, error) &&
               sql::Exec(impl_->Db(), QStringLiteral("DELETE FROM deployments WHERE serial = ?"),
                         {serial}, error);
    });
}

namespace {

// The five deployment columns of a query's current row, from column `first` on.
Deployment DeploymentFrom(const QSqlQuery& q, int first) {
    Deployment deployment;
    deployment.tester = q.value(first).toString();
    deployment.placement = q.value(first + 1).toString();
    deployment.deviations = q.value(first + 2).toString();
    deployment.deployedAt = StoredTime(q.value(first + 3));
    deployment.retrievedAt = StoredTime(q.value(first + 4));
    return deployment;
}

}  // namespace

Deployment Archive::DeploymentOf(const RunKey& run, QString* error) const {
    QString reason;
    std::optional<QSqlQuery> q =
        sql::Exec(impl_->Db(),
                  QStringLiteral("SELECT tester, placement, deviations, deployed_at, retrieved_at "
                                 "FROM deployments WHERE serial = ? AND start = ?"),
                  {run.serial, run.startMinutes}, reason);
    if (!q) {
        if (error) {
            *error = impl_->ReadError(reason);
        }
        return {};
    }
    return q->next() ? DeploymentFrom(*q, 0) : Deployment();
}

QMap<RunKey, Deployment> Archive::Deployments(QString* error) const {
    QMap<RunKey, Deployment> deployments;
    QString reason;
    std::optional<QSqlQuery> q = sql::Exec(
        impl_->Db(),
        QStringLiteral("SELECT serial, start, tester, placement, deviations, deployed_at, "
                       "retrieved_at FROM deployments"),
        {}, reason);
    if (!q) {
        if (error) {
            *error = impl_->ReadError(reason);
        }
        return deployments;
    }
    while (q->next()) {
        deployments.insert({q->value(0).toString(), q->value(1).toLongLong()},
                           DeploymentFrom(*q, 2));
    }
    return deployments;
}

ArchiveStatus Archive::SetDeployment(const RunKey& run, const Deployment& deployment) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const qint64 runId = impl_->FindRun(run, error);
        if (runId <= 0) {
            error = runId == 0 ? QStringLiteral("there is no run of %1 starting %2")
                                     .arg(run.serial, FormatRunStart(run.startMinutes))
                               : error;
            return false;
        }
        if (deployment.deployedAt && deployment.retrievedAt &&
            MillisecondsOf(*deployment.retrievedAt) < MillisecondsOf(*deployment.deployedAt)) {
            error = QStringLiteral(
                        "the instrument cannot be retrieved (%1) before it was "
                        "deployed (%2)")
                        .arg(FormatIsoLocal(*deployment.retrievedAt),
                             FormatIsoLocal(*deployment.deployedAt));
            return false;
        }
        const QString tester = deployment.tester.trimmed();
        const QString placement = deployment.placement.trimmed();
        const QString deviations = deployment.deviations.trimmed();
        if (tester.isEmpty() && placement.isEmpty() && deviations.isEmpty() &&
            !deployment.deployedAt && !deployment.retrievedAt) {
            return sql::Exec(impl_->Db(),
                             QStringLiteral("DELETE FROM deployments WHERE serial = ? AND "
                                            "start = ?"),
                             {run.serial, run.startMinutes}, error)
                .has_value();
        }
        // Qt binds an empty text as NULL: COALESCE keeps an empty field a text.
        return sql::Exec(
                   impl_->Db(),
                   QStringLiteral("INSERT INTO deployments (serial, start, tester, "
                                  "placement, deviations, deployed_at, retrieved_at) VALUES "
                                  "(?, ?, COALESCE(?, ''), COALESCE(?, ''), COALESCE(?, ''), ?, ?) "
                                  "ON CONFLICT (serial, start) DO "
                                  "UPDATE SET tester = excluded.tester, placement = "
                                  "excluded.placement, deviations = excluded.deviations, "
                                  "deployed_at = excluded.deployed_at, retrieved_at = "
                                  "excluded.retrieved_at"),
                   {run.serial, run.startMinutes, tester, placement, deviations,
                    OptionalTime(deployment.deployedAt), OptionalTime(deployment.retrievedAt)},
                   error)
            .has_value();
    });
}

}  // namespace kelmor
