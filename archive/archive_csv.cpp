#include <QSqlQuery>
#include <QVariant>

#include "archive/archive_impl.h"
#include "archive/sql.h"

namespace kelmor {

namespace {

// RFC 4180: a field holding a comma, a quote or a line break is quoted, its quotes doubled.
QString Field(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString Number(Extended value, int decimals) {
    return QString::number(static_cast<double>(value), 'f', decimals);
}

}  // namespace

namespace {

// The runs of the export's scope with their place and site, by place (runs without one
// last), instrument and start.
std::optional<QSqlQuery> ExportedRuns(const QSqlDatabase& db, const QString& where,
                                      const QVariantList& values, QString& error) {
    return sql::Exec(
        db,
        QStringLiteral("SELECT r.id, COALESCE(p.name, ''), r.serial, r.model, r.start, "
                       "r.calibration, r.coefficients, COALESCE(s.name, '') FROM runs r LEFT "
                       "JOIN places p ON p.id = r.place_id LEFT JOIN site_places l ON "
                       "l.place_id = p.id LEFT JOIN sites s ON s.id = l.site_id ") +
            where + QStringLiteral(" ORDER BY p.name IS NULL, p.name, r.serial, r.start"),
        values, error);
}

}  // namespace

ArchiveStatus Archive::ExportCsv(const std::optional<QString>& place, QIODevice& out) const {
    if (place && !HasPlace(*place)) {
        ArchiveStatus status;
        status.error = QStringLiteral("There is no place \"%1\" in the archive.").arg(*place);
        return status;
    }
    return WriteCsv(place ? QStringLiteral("WHERE p.name = ?") : QString(),
                    place ? QVariantList{*place} : QVariantList{}, out);
}

ArchiveStatus Archive::ExportSiteCsv(const QString& site, QIODevice& out) const {
    QString error;
    const qint64 id = impl_->SiteId(site, error);
    if (id <= 0) {
        ArchiveStatus status;
        status.error = id == 0 ? QStringLiteral("There is no site \"%1\" in the archive.").arg(site)
                               : impl_->ReadError(error);
        return status;
    }
    return WriteCsv(QStringLiteral("WHERE s.id = ?"), {id}, out);
}

ArchiveStatus Archive::WriteCsv(const QString& where, const QVariantList& values,
                                QIODevice& out) const {
    ArchiveStatus status;
    const QSqlDatabase db = impl_->Db();
    QString error;
    std::optional<QSqlQuery> runs = ExportedRuns(db, where, values, error);
    if (!runs) {
        status.error = impl_->ReadError(error);
        return status;
    }
    // The byte-order mark tells a spreadsheet the text is UTF-8 (the degree sign of the
    // header), so that it opens the file as columns without asking for a character set.
    QByteArray text("\xEF\xBB\xBF");
    text += QStringLiteral(
                "place,instrument,model,run start,time,radon Bq/m3,error Bq/m3,"
                "pulses,temperature \u00B0C,humidity %,pressure kPa,site\r\n")
                .toUtf8();
    auto write = [&]() {
        if (out.write(text) != text.size()) {
            status.error = QStringLiteral("Cannot write the export: %1.").arg(out.errorString());
            return false;
        }
        text.clear();
        return true;
    };
    while (runs->next()) {
        const std::optional<Model> model = sql::ModelFromName(runs->value(3).toString());
        if (!model) {
            status.error = impl_->ReadError(QStringLiteral("a run has no known model"));
            return status;
        }
        const qint64 startMinutes = runs->value(4).toLongLong();
        const HeaderValues header =
            StoredHeader(runs->value(5).toLongLong(), runs->value(6).toByteArray());
        const QString prefix = Field(runs->value(1).toString()) + QLatin1Char(',') +
                               Field(runs->value(2).toString()) + QLatin1Char(',') +
                               runs->value(3).toString() + QLatin1Char(',') +
                               FormatIsoLocal(RunStartTime(startMinutes)) + QLatin1Char(',');
        const QString site = Field(runs->value(7).toString());
        std::optional<QSqlQuery> q = sql::Exec(
            db,
            QStringLiteral(
                "SELECT hour, pulses, climate FROM samples WHERE run_id = ? ORDER BY hour"),
            {runs->value(0)}, error);
        if (!q) {
            status.error = impl_->ReadError(error);
            return status;
        }
        const DateTime start = RunStartTime(startMinutes);
        while (q->next()) {
            const std::optional<StoredSample> stored = ReadStoredSample(*q);
            if (!stored) {
                status.error = impl_->ReadError(QStringLiteral("a sample is out of range"));
                return status;
            }
            const int pulses = stored->pulses;
            const SampleRecord s =
                ConvertReadings(*model, pulses, stored->climate, header.CalibrationFactor, start,
                                stored->hour, header.Coefficients);
            QString line = prefix + FormatIsoLocal(s.Time) + QLatin1Char(',') +
                           Number(s.Concentration, 2) + QLatin1Char(',') + Number(s.Error, 0) +
                           QLatin1Char(',') + QString::number(pulses) + QLatin1Char(',');
            if (*model != Model::V5) {
                line += Number(s.Temperature, 2) + QLatin1Char(',') + Number(s.Humidity, 2);
            } else {
                line += QLatin1Char(',');
            }
            line += QLatin1Char(',');
            if (*model == Model::V7) {
                line += Number(s.Pressure, 3);
            }
            line += QLatin1Char(',') + site;
            text += line.toUtf8();
            text += "\r\n";
            if (text.size() > (1 << 16) && !write()) {
                return status;
            }
        }
    }
    if (!write()) {
        return status;
    }
    status.ok = true;
    return status;
}

}  // namespace kelmor
