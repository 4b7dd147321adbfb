#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <vector>

#include "archive/archive_impl.h"
#include "archive/sql.h"
#include "data/image_loader.h"
#include "data/row_samples.h"

namespace kelmor {

namespace {

constexpr int kRowsPerInsert = 256;

struct HourValue {
    bool present = false;
    int pulses = 0;
    ClimateReadings climate = 0;
};

QByteArray CoefficientBytes(const MeasurementData& data, Model model) {
    if (model != Model::V7) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(&data.MeasurementImage[9]), 8);
}

qint64 CalibrationBytes(const MeasurementData& data) {
    return data.MeasurementImage[7] << 8 | data.MeasurementImage[8];
}

}  // namespace

std::optional<StoredSample> ReadStoredSample(const QSqlQuery& query) {
    const qint64 hour = query.value(0).toLongLong();
    const qint64 pulses = query.value(1).toLongLong();
    const qint64 climate = query.value(2).toLongLong();
    if (hour < 0 || hour >= kSampleSlots || pulses < 0 || pulses > 0xFFFF || climate < 0 ||
        climate > 0xFFFFFFFFLL) {
        return std::nullopt;
    }
    return StoredSample{static_cast<int>(hour), static_cast<int>(pulses),
                        static_cast<ClimateReadings>(climate)};
}

HeaderValues StoredHeader(qint64 calibration, const QByteArray& coefficients) {
    HeaderValues header;
    header.CalibrationFactor = CalibrationFactorOf(static_cast<std::uint8_t>(calibration >> 8),
                                                   static_cast<std::uint8_t>(calibration));
    if (coefficients.size() == 8) {
        header.Coefficients = DecodePressureCoefficients(
            reinterpret_cast<const std::uint8_t*>(coefficients.constData()));
    }
    return header;
}

MeasurementData& Archive::Impl::Workspace() const {
    if (!workspace) {
        workspace = std::make_unique<MeasurementData>();
    }
    return *workspace;
}

bool Archive::Impl::DecodeSource(qint64 sourceId, MeasurementData& data, Model& model,
                                 QString& serial, QString& error) const {
    std::optional<QSqlQuery> q =
        sql::Exec(Db(),
                  QStringLiteral("SELECT image, model, serial, read_out_at FROM sources "
                                 "WHERE id = ?"),
                  {sourceId}, error);
    if (!q || !q->next()) {
        error = error.isEmpty() ? QStringLiteral("source %1 is missing").arg(sourceId) : error;
        return false;
    }
    const QByteArray image = q->value(0).toByteArray();
    const std::optional<Model> stored = sql::ModelFromName(q->value(1).toString());
    const std::optional<DateTime> readOut = ParseIsoLocal(q->value(3).toString());
    if (!stored || !readOut || image.size() != LayoutOf(*stored).imageSize ||
        static_cast<std::uint8_t>(image[0]) != LayoutOf(*stored).tag) {
        error = QStringLiteral("source %1 is not an image of its model").arg(sourceId);
        return false;
    }
    model = *stored;
    serial = q->value(2).toString();
    DecodeContext context;
    context.now = *readOut;
    LoadImage(data, reinterpret_cast<const std::uint8_t*>(image.constData()), model, context);
    return true;
}

qint64 Archive::Impl::FindRun(const RunKey& key, QString& error) const {
    const std::optional<QVariant> id =
        sql::Value(Db(), QStringLiteral("SELECT id FROM runs WHERE serial = ? AND start = ?"),
                   {key.serial, key.startMinutes}, error);
    if (!id) {
        return -1;
    }
    return id->isNull() ? 0 : id->toLongLong();
}

bool Archive::Impl::MergeSource(qint64 sourceId, const QString& serial, Model model,
                                const MeasurementData& data, bool offerPlaces,
                                ImportOutcome& outcome, QString& error) {
    const QSqlDatabase db = Db();
    QSet<qint64> rederive;
    QSet<qint64> starts;
    for (int row = 0; row < data.MeasurementCount; ++row) {
        const SampleSpan span = RowSamples(data, row);
        const int hours = span.last - span.first + 1;
        const RunKey key{serial, RunStartMinutes(data.MeasurementTable[row].StartTime)};
        // No whole hour yet: a later read-out brings the run. Two measurements with one
        // start (a clock set back) cannot both be that run: the first in the list is.
        if (hours <= 0 || starts.contains(key.startMinutes)) {
            continue;
        }
        starts.insert(key.startMinutes);
        // The place of the instrument's run before this one, offered, not assigned, when
        // the run is new. The key on (serial, start) tells whether it is.
        const std::optional<QVariant> previous =
            sql::Value(db,
                       QStringLiteral("SELECT place_id FROM runs WHERE serial = ? AND start < ? "
                                      "ORDER BY start DESC LIMIT 1"),
                       {serial, key.startMinutes}, error);
        if (!previous) {
            return false;
        }
        const QByteArray coefficients = CoefficientBytes(data, model);
        const std::optional<QVariant> insert = sql::Value(
            db,
            QStringLiteral("INSERT INTO runs (serial, start, model, calibration, coefficients, "
                           "offered_place_id) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (serial, "
                           "start) DO NOTHING RETURNING id"),
            {serial, key.startMinutes, sql::ModelName(model), CalibrationBytes(data),
             coefficients.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray))
                                    : QVariant(coefficients),
             offerPlaces ? *previous : QVariant(QMetaType(QMetaType::LongLong))},
            error);
        if (!insert) {
            return false;
        }
        const bool created = !insert->isNull();
        const qint64 runId = created ? insert->toLongLong() : FindRun(key, error);
        if (runId <= 0) {
            error = error.isEmpty() ? QStringLiteral("the run of %1 starting %2 is missing")
                                          .arg(serial, FormatRunStart(key.startMinutes))
                                    : error;
            return false;
        }
        if (created) {
            outcome.runsAdded << key;
            if (offerPlaces && !previous->isNull()) {
                const std::optional<QVariant> name = sql::Value(
                    db, QStringLiteral("SELECT name FROM places WHERE id = ?"), {*previous}, error);
                if (!name) {
                    return false;
                }
                outcome.offeredPlaces << qMakePair(key, name->toString());
            }
        }
        // A source read out later than this one already gave the run its values: the run
        // is derived again below with every source in order.
        const std::optional<QVariant> later = sql::Value(
            db,
            QStringLiteral("SELECT count(*) FROM run_sources rs JOIN sources s ON s.id = "
                           "rs.source_id JOIN sources me ON me.id = ? WHERE rs.run_id = ? AND "
                           "(s.read_out_utc > me.read_out_utc OR (s.read_out_utc = "
                           "me.read_out_utc AND s.sha256 > me.sha256))"),
            {sourceId, runId}, error);
        if (!later || !sql::Exec(db,
                                 QStringLiteral("INSERT INTO run_sources (run_id, source_id, "
                                                "hours) VALUES (?, ?, ?)"),
                                 {runId, sourceId, hours}, error)) {
            return false;
        }
        if (later->toLongLong() > 0) {
            rederive.insert(runId);
            continue;
        }
        int added = 0;
        if (!MergeRow(runId, sourceId, data, row, added, outcome.conflictsFound, error)) {
            return false;
        }
        outcome.hoursAdded += added;
        if (!created && added > 0) {
            outcome.runsExtended << key;
        }
    }
    for (const qint64 runId : rederive) {
        const std::optional<QVariant> before = sql::Value(
            db, QStringLiteral("SELECT count(*) FROM samples WHERE run_id = ?"), {runId}, error);
        const std::optional<QVariant> conflictsBefore = sql::Value(
            db, QStringLiteral("SELECT count(*) FROM conflicts WHERE run_id = ?"), {runId}, error);
        if (!before || !conflictsBefore || !RederiveRun(runId, error)) {
            return false;
        }
        const std::optional<QVariant> after = sql::Value(
            db, QStringLiteral("SELECT count(*) FROM samples WHERE run_id = ?"), {runId}, error);
        const std::optional<QVariant> conflictsAfter = sql::Value(
            db, QStringLiteral("SELECT count(*) FROM conflicts WHERE run_id = ?"), {runId}, error);
        std::optional<QSqlQuery> key = sql::Exec(
            db, QStringLiteral("SELECT serial, start FROM runs WHERE id = ?"), {runId}, error);
        if (!after || !conflictsAfter || !key || !key->next()) {
            return false;
        }
        const RunKey runKey{key->value(0).toString(), key->value(1).toLongLong()};
        const int added = static_cast<int>(after->toLongLong() - before->toLongLong());
        outcome.hoursAdded += added;
        outcome.conflictsFound +=
            static_cast<int>(conflictsAfter->toLongLong() - conflictsBefore->toLongLong());
        if (added > 0 && !outcome.runsAdded.contains(runKey)) {
            outcome.runsExtended << runKey;
        }
    }
    return true;
}

bool Archive::Impl::MergeRow(qint64 runId, qint64 sourceId, const MeasurementData& data, int row,
                             int& hoursAdded, int& conflicts, QString& error) {
    const QSqlDatabase db = Db();
    const SampleSpan span = RowSamples(data, row);
    const int hours = span.last - span.first + 1;

    std::vector<HourValue> kept(static_cast<std::size_t>(std::max(hours, 0)));
    std::optional<QSqlQuery> existing = sql::Exec(
        db,
        QStringLiteral("SELECT hour, pulses, climate FROM samples WHERE run_id = ? AND hour < ?"),
        {runId, hours}, error);
    if (!existing) {
        return false;
    }
    while (existing->next()) {
        const qint64 hour = existing->value(0).toLongLong();
        if (hour < 0 || hour >= hours) {
            error = QStringLiteral("run %1 has hour %2 outside its range").arg(runId).arg(hour);
            return false;
        }
        kept[static_cast<std::size_t>(hour)] = {
            true, existing->value(1).toInt(),
            static_cast<ClimateReadings>(existing->value(2).toLongLong())};
    }

    // The sources that may hold a kept value, earliest first: the kept value of an hour is
    // that of the first of them that shows the hour.
    std::vector<std::pair<qint64, int>> earlier;
    std::optional<QSqlQuery> sources =
        sql::Exec(db,
                  QStringLiteral("SELECT rs.source_id, rs.hours FROM run_sources rs JOIN "
                                 "sources s ON s.id = rs.source_id WHERE rs.run_id = ? AND "
                                 "rs.source_id <> ? ORDER BY s.read_out_utc, s.sha256"),
                  {runId, sourceId}, error);
    if (!sources) {
        return false;
    }
    while (sources->next()) {
        earlier.emplace_back(sources->value(0).toLongLong(), sources->value(1).toInt());
    }

    QString values;
    int pending = 0;
    auto flush = [&]() {
        if (pending == 0) {
            return true;
        }
        const bool ok = sql::Exec(db,
                                  QStringLiteral("INSERT INTO samples (run_id, hour, pulses, "
                                                 "climate) VALUES ") +
                                      values,
                                  {}, error)
                            .has_value();
        values.clear();
        pending = 0;
        return ok;
    };
    for (int k = 0; k < hours; ++k) {
        const int pulses = static_cast<int>(data.SampleTable[span.first + k].PulseCount);
        const ClimateReadings climate = data.ClimateTable[span.first + k];
        const HourValue& value = kept[static_cast<std::size_t>(k)];
        if (!value.present) {
            // Whole numbers from the decoder, written as literals: nothing of the user's.
            values += QStringLiteral("%1(%2,%3,%4,%5)")
                          .arg(pending == 0 ? QString() : QStringLiteral(","))
                          .arg(runId)
                          .arg(k)
                          .arg(pulses)
                          .arg(climate);
            ++hoursAdded;
            if (++pending == kRowsPerInsert && !flush()) {
                return false;
            }
            continue;
        }
        if (value.pulses == pulses && value.climate == climate) {
            continue;
        }
        const auto keeper = std::find_if(earlier.begin(), earlier.end(),
                                         [k](const auto& s) { return s.second > k; });
        if (keeper == earlier.end()) {
            error = QStringLiteral("run %1 hour %2 has no source").arg(runId).arg(k);
            return false;
        }
        if (!sql::Exec(db,
                       QStringLiteral("INSERT INTO conflicts (run_id, hour, source_id, "
                                      "kept_source_id, kept_pulses, kept_climate, pulses, "
                                      "climate) VALUES (?, ?, ?, ?, ?, ?, ?, ?) "
                                      "ON CONFLICT DO NOTHING"),
                       {runId, k, sourceId, keeper->first, value.pulses,
                        static_cast<qint64>(value.climate), pulses, static_cast<qint64>(climate)},
                       error)) {
            return false;
        }
        ++conflicts;
    }
    return flush();
}

bool Archive::Impl::RederiveRun(qint64 runId, QString& error) {
    const QSqlDatabase db = Db();
    std::optional<QSqlQuery> q = sql::Exec(
        db,
        QStringLiteral("SELECT rs.source_id, r.start FROM run_sources rs JOIN sources s ON "
                       "s.id = rs.source_id JOIN runs r ON r.id = rs.run_id WHERE rs.run_id = "
                       "? ORDER BY s.read_out_utc, s.sha256"),
        {runId}, error);
    if (!q) {
        return false;
    }
    std::vector<qint64> sources;
    qint64 start = 0;
    while (q->next()) {
        sources.push_back(q->value(0).toLongLong());
        start = q->value(1).toLongLong();
    }
    if (!sql::Exec(db, QStringLiteral("DELETE FROM samples WHERE run_id = ?"), {runId}, error) ||
        !sql::Exec(db, QStringLiteral("DELETE FROM conflicts WHERE run_id = ?"), {runId}, error)) {
        return false;
    }
    MeasurementData& data = Workspace();
    bool first = true;
    for (const qint64 sourceId : sources) {
        Model model = Model::V7;
        QString serial;
        if (!DecodeSource(sourceId, data, model, serial, error)) {
            return false;
        }
        for (int row = 0; row < data.MeasurementCount; ++row) {
            const SampleSpan span = RowSamples(data, row);
            if (RunStartMinutes(data.MeasurementTable[row].StartTime) != start ||
                span.last < span.first) {
                continue;
            }
            if (first) {
                // The run's model and calibration are those of its earliest source.
                const QByteArray coefficients = CoefficientBytes(data, model);
                if (!sql::Exec(db,
                               QStringLiteral("UPDATE runs SET model = ?, calibration = ?, "
                                              "coefficients = ? WHERE id = ?"),
                               {sql::ModelName(model), CalibrationBytes(data),
                                coefficients.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray))
                                                       : QVariant(coefficients),
                                runId},
                               error)) {
                    return false;
                }
                first = false;
            }
            int added = 0;
            int conflicts = 0;
            if (!MergeRow(runId, sourceId, data, row, added, conflicts, error)) {
                return false;
            }
            break;
        }
    }
    return true;
}

}  // namespace kelmor
