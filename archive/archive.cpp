#include "archive/archive.h"

#include <QAtomicInteger>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QSqlQuery>
#include <QStandardPaths>

#include "archive/archive_impl.h"
#include "archive/engine.h"
#include "archive/sql.h"
#include "data/image_loader.h"

namespace kelmor {

namespace {

QString NewConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("kelmor-archive-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString Quoted(const QString& path) {
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

}  // namespace

Archive::Impl::~Impl() {
    {
        QSqlDatabase db = Db();
        if (db.isValid()) {
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
}

QString Archive::Impl::WriteError(const QString& reason) const {
    return QStringLiteral("Cannot write the archive %1: %2. It was left as it was.")
        .arg(Quoted(path), engine::Reason(engine, reason));
}

QString Archive::Impl::ReadError(const QString& reason) const {
    return QStringLiteral("Cannot read the archive %1: %2.")
        .arg(Quoted(path), engine::Reason(engine, reason));
}

Archive::Archive(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)), path_(impl_->path), readOnly_(impl_->readOnly) {}

Archive::~Archive() = default;

QString Archive::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/kelmor/archive.sqlite");
}

OpenResult Archive::Open(const QString& location, const OpenOptions& options) {
    OpenResult result;
    const LocationParse parse = ParseLocation(location);
    if (!parse.location) {
        result.error = parse.error;
        return result;
    }
    auto impl = std::make_unique<Impl>();
    impl->connection = NewConnectionName();
    impl->path = parse.location->Display();
    impl->engine = parse.location->engine;
    const bool opened = impl->engine == Engine::Sqlite
                            ? engine::OpenSqlite(parse.location->path, options, *impl, result.error)
                            : engine::OpenPostgres(*parse.location, options, *impl, result.error);
    if (opened) {
        result.archive.reset(new Archive(std::move(impl)));
    }
    return result;
}

ImportOutcome Archive::Import(const ArchiveSource& source) {
    ImportOutcome outcome;
    if (readOnly_) {
        outcome.error =
            QStringLiteral("The archive %1 may not be written: nothing was added to it.")
                .arg(Quoted(path_));
        return outcome;
    }
    const ModelLayout& layout = LayoutOf(source.model);
    if (source.image.size() != layout.imageSize ||
        static_cast<std::uint8_t>(source.image[0]) != layout.tag || source.serial.isEmpty()) {
        outcome.error = QStringLiteral(
                            "Not a %1 image with an instrument: nothing was added to "
                            "the archive.")
                            .arg(QLatin1String(layout.name));
        return outcome;
    }
    const QSqlDatabase db = impl_->Db();
    const QByteArray sha = QCryptographicHash::hash(source.image, QCryptographicHash::Sha256);
    QString error;
    // Known bytes need no decoding (checked again below, inside the transaction).
    const std::optional<QVariant> seen =
        sql::Value(db, QStringLiteral("SELECT id FROM sources WHERE sha256 = ?"), {sha}, error);
    if (seen && !seen->isNull()) {
        outcome.ok = true;
        outcome.duplicate = true;
        return outcome;
    }
    MeasurementData& data = impl_->Workspace();
    DecodeContext context;
    context.now = source.readOutAt;
    const DecodeOutcome decoded =
        LoadImage(data, reinterpret_cast<const std::uint8_t*>(source.image.constData()),
                  source.model, context);
    if (!decoded.measurementsFound) {
        outcome.noMeasurements = true;
        outcome.error = decoded.message;
        return outcome;
    }

    sql::Transaction transaction(db);
    if (!transaction.Begin(error)) {
        outcome.error = impl_->WriteError(error);
        return outcome;
    }
    // The key on the bytes' SHA-256 holds each image once, however many programs import it
    // at the same moment: the later ones insert nothing and find it a duplicate.
    const qint64 utc =
        static_cast<qint64>(MillisecondsOf(source.readOutAt) / 1000) - source.utcOffsetSeconds;
    const std::optional<QVariant> inserted = sql::Value(
        db,
        QStringLiteral("INSERT INTO sources (sha256, image, serial, model, calibration, "
                       "read_out_at, utc_offset_s, read_out_utc, origin, imported_at) VALUES "
                       "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (sha256) DO NOTHING "
                       "RETURNING id"),
        {sha, source.image, source.serial, sql::ModelName(source.model),
         static_cast<double>(data.Header.CalibrationFactor), FormatIsoLocal(source.readOutAt),
         source.utcOffsetSeconds, utc, source.origin,
         QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        error);
    if (inserted && inserted->isNull()) {
        outcome.ok = true;
        outcome.duplicate = true;
        return outcome;
    }
    if (!inserted ||
        !impl_->MergeSource(inserted->toLongLong(), source.serial, source.model, data, true,
                            outcome, error) ||
        !transaction.Commit(error)) {
        ImportOutcome failed;
        failed.error = impl_->WriteError(error);
        return failed;
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace kelmor
