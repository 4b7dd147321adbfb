#include <QHash>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <map>
#include <vector>

#include "archive/archive_impl.h"
#include "archive/sql.h"
#include "data/decoder.h"

namespace kelmor {

namespace {

const QString kRunColumns = QStringLiteral(
    "SELECT r.id, r.serial, r.start, r.model, r.calibration, p.name, o.name, "
    "(SELECT count(*) FROM samples s WHERE s.run_id = r.id), "
    "(SELECT min(hour) FROM samples s WHERE s.run_id = r.id), "
    "(SELECT max(hour) FROM samples s WHERE s.run_id = r.id), "
    "(SELECT total(pulses) FROM samples s WHERE s.run_id = r.id), "
    "(SELECT count(*) FROM conflicts c WHERE c.run_id = r.id) "
    "FROM runs r LEFT JOIN places p ON p.id = r.place_id "
    "LEFT JOIN places o ON o.id = r.offered_place_id ");

QList<RunInfo> ReadRuns(const QSqlDatabase& db, const QString& where, const QVariantList& values,
                        QString* error) {
    QString reason;
    std::optional<QSqlQuery> q = sql::Exec(
        db, kRunColumns + where + QStringLiteral(" ORDER BY r.serial, r.start"), values, reason);
    QList<RunInfo> runs;
    if (!q) {
        if (error) {
            *error = reason;
        }
        return runs;
    }
    while (q->next()) {
        RunInfo run;
        run.key = {q->value(1).toString(), q->value(2).toLongLong()};
        run.model = sql::ModelFromName(q->value(3).toString()).value_or(Model::V5);
        run.calibrationFactor = StoredHeader(q->value(4).toLongLong(), {}).CalibrationFactor;
        run.place = q->value(5).toString();
        run.offeredPlace = q->value(6).toString();
        run.hours = q->value(7).toInt();
        const DateTime start = RunStartTime(run.key.startMinutes);
        if (run.hours > 0) {
            run.first = ConvertReadings(run.model, 0, 0, 0, start, q->value(8).toInt(), {}).Time;
            run.last = ConvertReadings(run.model, 0, 0, 0, start, q->value(9).toInt(), {}).Time;
            run.meanBqm3 =
                static_cast<double>(q->value(10).toDouble() * run.calibrationFactor / run.hours);
        }
        run.conflicts = q->value(11).toInt();
        runs << run;
    }
    return runs;
}

struct RunRow {
    qint64 id;
    qint64 start;
    Model model;
    HeaderValues header;
    QByteArray coefficients;
};

}  // namespace

QList<RunInfo> Archive::Runs(QString* error) const {
    return ReadRuns(impl_->Db(), QString(), {}, error);
}

QList<RunInfo> Archive::RunsOfPlace(const QString& place, QString* error) const {
    return ReadRuns(impl_->Db(), QStringLiteral("WHERE p.name = ?"), {place}, error);
}

bool Archive::HasPlace(const QString& place) const {
    QString error;
    const std::optional<QVariant> id = sql::Value(
        impl_->Db(), QStringLiteral("SELECT id FROM places WHERE name = ?"), {place}, error);
    return id && !id->isNull();
}

QList<PlaceInfo> Archive::Places(QString* error) const {
    QList<PlaceInfo> places;
    QString reason;
    std::optional<QSqlQuery> q =
        sql::Exec(impl_->Db(), QStringLiteral("SELECT name FROM places ORDER BY name"), {}, reason);
    if (!q) {
        if (error) {
            *error = reason;
        }
        return places;
    }
    QHash<QString, int> index;
    while (q->next()) {
        index.insert(q->value(0).toString(), static_cast<int>(places.size()));
        places << PlaceInfo{q->value(0).toString(), 0, 0, 0};
    }
    for (const RunInfo& run : Runs(error)) {
        const auto found = index.constFind(run.place);
        if (run.place.isEmpty() || found == index.constEnd()) {
            continue;
        }
        PlaceInfo& place = places[*found];
        const double total = place.meanBqm3 * place.hours + run.meanBqm3 * run.hours;
        place.runs += 1;
        place.hours += run.hours;
        place.meanBqm3 = place.hours > 0 ? total / place.hours : 0;
    }
    return places;
}

qint64 Archive::Impl::PlaceId(const QString& name, bool create, QString& error) {
    const std::optional<QVariant> id =
        sql::Value(Db(), QStringLiteral("SELECT id FROM places WHERE name = ?"), {name}, error);
    if (!id) {
        return -1;
    }
    if (!id->isNull() || !create) {
        return id->isNull() ? 0 : id->toLongLong();
    }
    const std::optional<QSqlQuery> insert =
        sql::Exec(Db(), QStringLiteral("INSERT INTO places (name) VALUES (?)"), {name}, error);
    return insert ? insert->lastInsertId().toLongLong() : -1;
}

ArchiveStatus Archive::Assign(const RunKey& run, const QString& place) {
    const QString name = TrimmedName(place);
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        if (name.isEmpty()) {
            error = QStringLiteral("a place needs a name");
            return false;
        }
        const qint64 runId = impl_->FindRun(run, error);
        if (runId == 0) {
            error = QStringLiteral("there is no run of %1 starting %2")
                        .arg(run.serial, FormatRunStart(run.startMinutes));
        }
        const qint64 placeId = runId > 0 ? impl_->PlaceId(name, true, error) : -1;
        return placeId > 0 &&
               sql::Exec(impl_->Db(),
                         QStringLiteral("UPDATE runs SET place_id = ?, offered_place_id = NULL "
                                        "WHERE id = ?"),
                         {placeId, runId}, error)
                   .has_value();
    });
}

ArchiveStatus Archive::Unassign(const RunKey& run) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        return sql::Exec(impl_->Db(),
                         QStringLiteral("UPDATE runs SET place_id = NULL WHERE serial = ? AND "
                                        "start = ?"),
                         {run.serial, run.startMinutes}, error)
            .has_value();
    });
}

ArchiveStatus Archive::RenamePlace(const QString& from, const QString& to) {
    const QString name = TrimmedName(to);
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const qint64 id = impl_->PlaceId(from, false, error);
        if (id == 0) {
            error = QStringLiteral("there is no place \"%1\"").arg(from);
        } else if (id > 0 && (name.isEmpty() || impl_->PlaceId(name, false, error) != 0)) {
            error = name.isEmpty() ? QStringLiteral("a place needs a name")
                                   : QStringLiteral(
                                         "the place \"%1\" exists already; merge "
                                         "the two instead")
                                         .arg(name);
            return false;
        }
        return id > 0 &&
               sql::Exec(impl_->Db(), QStringLiteral("UPDATE places SET name = ? WHERE id = ?"),
                         {name, id}, error)
                   .has_value();
    });
}

ArchiveStatus Archive::MergePlaces(const QString& from, const QString& into) {
    const QString name = TrimmedName(into);
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const qint64 source = impl_->PlaceId(from, false, error);
        if (source == 0) {
            error = QStringLiteral("there is no place \"%1\"").arg(from);
            return false;
        }
        const qint64 target = source > 0 ? impl_->PlaceId(name, true, error) : -1;
        if (target < 0 || target == source) {
            return target == source;
        }
        const QSqlDatabase db = impl_->Db();
        return sql::Exec(db, QStringLiteral("UPDATE runs SET place_id = ? WHERE place_id = ?"),
                         {target, source}, error) &&
               sql::Exec(db,
                         QStringLiteral("UPDATE runs SET offered_place_id = ? WHERE "
                                        "offered_place_id = ?"),
                         {target, source}, error) &&
               // The merged place keeps its site, or takes that of the place merged into it.
               sql::Exec(db,
                         QStringLiteral("UPDATE site_places SET place_id = ? WHERE place_id = ? "
                                        "AND NOT EXISTS (SELECT 1 FROM site_places WHERE "
                                        "place_id = ?)"),
                         {target, source, target}, error) &&
               sql::Exec(db, QStringLiteral("DELETE FROM site_places WHERE place_id = ?"), {source},
                         error) &&
               sql::Exec(db, QStringLiteral("DELETE FROM places WHERE id = ?"), {source}, error);
    });
}

ArchiveStatus Archive::RemovePlace(const QString& place) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const qint64 id = impl_->PlaceId(place, false, error);
        const std::optional<QVariant> runs =
            id > 0 ? sql::Value(impl_->Db(),
                                QStringLiteral("SELECT count(*) FROM runs WHERE place_id = ?"),
                                {id}, error)
                   : std::nullopt;
        if (id == 0 || (runs && runs->toLongLong() > 0)) {
            error = id == 0 ? QStringLiteral("there is no place \"%1\"").arg(place)
                            : QStringLiteral("the place \"%1\" still holds runs").arg(place);
            return false;
        }
        return runs &&
               sql::Exec(impl_->Db(),
                         QStringLiteral("UPDATE runs SET offered_place_id = NULL WHERE "
                                        "offered_place_id = ?"),
                         {id}, error) &&
               sql::Exec(impl_->Db(), QStringLiteral("DELETE FROM site_places WHERE place_id = ?"),
                         {id}, error) &&
               sql::Exec(impl_->Db(), QStringLiteral("DELETE FROM places WHERE id = ?"), {id},
                         error);
    });
}

namespace {

// A stored sample before conversion: the table is filled only with the samples kept.
struct Stored {
    long long ms;  // the sample's time at millisecond resolution
    int run;       // index into the runs
    int hour;
    int pulses;
    ClimateReadings climate;
};

// Reads the samples of the runs `where` selects, in time order.
bool LoadRuns(const QSqlDatabase& db, const QString& where, const QVariantList& values,
              std::vector<RunRow>& rows, std::vector<Stored>& samples, QString& error) {
    std::optional<QSqlQuery> runs = sql::Exec(
        db,
        QStringLiteral("SELECT r.id, r.start, r.model, r.calibration, r.coefficients FROM runs r "
                       "LEFT JOIN places p ON p.id = r.place_id ") +
            where + QStringLiteral(" ORDER BY r.start, r.serial"),
        values, error);
    if (!runs) {
        return false;
    }
    while (runs->next()) {
        const std::optional<Model> model = sql::ModelFromName(runs->value(2).toString());
        if (!model) {
            error = QStringLiteral("run %1 has no known model").arg(runs->value(0).toLongLong());
            return false;
        }
        const QByteArray coefficients = runs->value(4).toByteArray();
        rows.push_back({runs->value(0).toLongLong(), runs->value(1).toLongLong(), *model,
                        StoredHeader(runs->value(3).toLongLong(), coefficients), coefficients});
    }
    for (int index = 0; index < static_cast<int>(rows.size()); ++index) {
        const RunRow& run = rows[static_cast<std::size_t>(index)];
        std::optional<QSqlQuery> q =
            sql::Exec(db,
                      QStringLiteral("SELECT hour, pulses, climate FROM samples WHERE run_id = ? "
                                     "ORDER BY hour"),
                      {run.id}, error);
        if (!q) {
            return false;
        }
        const DateTime start = RunStartTime(run.start);
        while (q->next()) {
            const std::optional<StoredSample> stored = ReadStoredSample(*q);
            if (!stored) {
                error = QStringLiteral("run %1 holds a sample out of range").arg(run.id);
                return false;
            }
            samples.push_back({MillisecondsOf(SampleTime(start, stored->hour)), index, stored->hour,
                               stored->pulses, stored->climate});
        }
    }
    // Runs follow one another, so the samples mostly are in order already; runs of two
    // instruments in one place at the same time are interleaved.
    const auto earlier = [](const Stored& a, const Stored& b) { return a.ms < b.ms; };
    if (!std::is_sorted(samples.begin(), samples.end(), earlier)) {
        std::stable_sort(samples.begin(), samples.end(), earlier);
    }
    return true;
}

LoadedSamples FillData(const std::vector<RunRow>& rows, const std::vector<Stored>& samples,
                       MeasurementData& data, const Separators& separators) {
    LoadedSamples loaded;
    const int capacity = kSampleSlots - 1;
    const int total = static_cast<int>(samples.size());
    const int skip = std::max(total - capacity, 0);
    loaded.cut = skip > 0;
    loaded.samples = total - skip;
    for (int i = 0; i < loaded.samples; ++i) {
        const Stored& s = samples[static_cast<std::size_t>(skip + i)];
        const RunRow& run = rows[static_cast<std::size_t>(s.run)];
        data.SampleTable[i] =
            ConvertReadings(run.model, s.pulses, s.climate, run.header.CalibrationFactor,
                            RunStartTime(run.start), s.hour, run.header.Coefficients);
    }
    const RunRow& newest = rows.back();
    data.MeasurementImage.fill(0);
    const ModelLayout& layout = LayoutOf(newest.model);
    data.MeasurementImage[0] = layout.tag;
    data.Header = newest.header;
    data.ImageLoaded = true;
    data.MeasurementTable.fill(MeasurementEntry{});
    data.LastSampleIndex = loaded.samples - 1;
    data.MeasurementCount = 1;
    // One measurement from an hour before the first sample to the last one, and "All
    // measurements" covering the same samples, as the decoder makes it.
    const DateTime start =
        loaded.samples > 0
            ? static_cast<DateTime>(data.SampleTable[0].Time - static_cast<Extended>(1) / 24)
            : RunStartTime(newest.start);
    data.MeasurementTable[0] = {0, loaded.samples - 1, start};
    data.MeasurementTable[1] = data.MeasurementTable[0];
    const DateTime end = loaded.samples > 0 ? data.SampleTable[loaded.samples - 1].Time : start;
    loaded.listItems << FormatDayMonthHourMinute(start, separators) + QStringLiteral(" TO ") +
                            FormatDayMonthHourXx(end, separators)
                     << kAllMeasurementsItem;
    loaded.ok = true;
    return loaded;
}

}  // namespace

LoadedSamples Archive::PlaceData(const QString& place, MeasurementData& data,
                                 const Separators& separators) const {
    LoadedSamples loaded;
    if (!HasPlace(place)) {
        loaded.error = QStringLiteral("There is no place \"%1\" in the archive.").arg(place);
        return loaded;
    }
    std::vector<RunRow> rows;
    std::vector<Stored> samples;
    if (!LoadRuns(impl_->Db(), QStringLiteral("WHERE p.name = ?"), {place}, rows, samples,
                  loaded.error)) {
        loaded.error = impl_->ReadError(loaded.error);
        return loaded;
    }
    if (samples.empty()) {
        loaded.error = QStringLiteral("The place \"%1\" holds no samples.").arg(place);
        return loaded;
    }
    return FillData(rows, samples, data, separators);
}

LoadedSamples Archive::RunData(const RunKey& run, MeasurementData& data,
                               const Separators& separators) const {
    LoadedSamples loaded;
    std::vector<RunRow> rows;
    std::vector<Stored> samples;
    if (!LoadRuns(impl_->Db(), QStringLiteral("WHERE r.serial = ? AND r.start = ?"),
                  {run.serial, run.startMinutes}, rows, samples, loaded.error)) {
        loaded.error = impl_->ReadError(loaded.error);
        return loaded;
    }
    if (samples.empty()) {
        loaded.error = QStringLiteral("There is no run of %1 starting %2 in the archive.")
                           .arg(run.serial, FormatRunStart(run.startMinutes));
        return loaded;
    }
    return FillData(rows, samples, data, separators);
}

QList<ConflictInfo> Archive::Conflicts(QString* error) const {
    QList<ConflictInfo> conflicts;
    QString reason;
    std::optional<QSqlQuery> q = sql::Exec(
        impl_->Db(),
        QStringLiteral("SELECT r.serial, r.start, r.model, c.hour, k.origin, o.origin, "
                       "c.kept_pulses, c.pulses, c.kept_climate, c.climate FROM conflicts c "
                       "JOIN runs r ON r.id = c.run_id JOIN sources k ON k.id = "
                       "c.kept_source_id JOIN sources o ON o.id = c.source_id "
                       "ORDER BY r.serial, r.start, c.hour, o.read_out_utc, o.sha256"),
        {}, reason);
    if (!q) {
        if (error) {
            *error = reason;
        }
        return conflicts;
    }
    while (q->next()) {
        ConflictInfo c;
        c.key = {q->value(0).toString(), q->value(1).toLongLong()};
        c.hour = q->value(3).toInt();
        c.time =
            ConvertReadings(Model::V5, 0, 0, 0, RunStartTime(c.key.startMinutes), c.hour, {}).Time;
        c.keptOrigin = q->value(4).toString();
        c.otherOrigin = q->value(5).toString();
        c.keptPulses = q->value(6).toInt();
        c.otherPulses = q->value(7).toInt();
        c.keptClimate = static_cast<ClimateReadings>(q->value(8).toLongLong());
        c.otherClimate = static_cast<ClimateReadings>(q->value(9).toLongLong());
        conflicts << c;
    }
    return conflicts;
}

}  // namespace kelmor
