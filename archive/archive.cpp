#include "archive/archive.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include "archive/archive_impl.h"
#include "archive/schema.h"
#include "archive/sql.h"
#include "data/image_loader.h"

namespace kelmor {

namespace {

// Tells a Kelmor archive from any other SQLite file ("KLMR").
constexpr qint64 kApplicationId = 0x4B4C4D52;

QString NewConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("kelmor-archive-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString Quoted(const QString& path) {
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

bool LooksLikeSqlite(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    return file.read(16) == QByteArray("SQLite format 3\0", 16);
}

bool Configure(const QSqlDatabase& db, bool readOnly, QString& error) {
    if (!sql::Exec(db, QStringLiteral("PRAGMA foreign_keys = ON"), {}, error)) {
        return false;
    }
    if (readOnly) {
        return true;
    }
    // WAL lets a window read while another program imports; NORMAL loses no committed
    // transaction when a process is killed, only (at worst) the last ones at a power cut.
    return sql::Exec(db, QStringLiteral("PRAGMA synchronous = NORMAL"), {}, error).has_value();
}

bool ApplySteps(const QSqlDatabase& db, int from, QString& error) {
    const std::vector<SchemaStep>& steps = SchemaSteps();
    for (int version = from; version < static_cast<int>(steps.size()); ++version) {
        sql::Transaction transaction(db);
        if (!transaction.Begin(error)) {
            return false;
        }
        for (const QString& statement : steps[static_cast<std::size_t>(version)]) {
            if (!sql::Exec(db, statement, {}, error)) {
                return false;
            }
        }
        if (!sql::Exec(db, QStringLiteral("PRAGMA user_version = %1").arg(version + 1), {},
                       error) ||
            !transaction.Commit(error)) {
            return false;
        }
    }
    return true;
}

// A new archive is made whole under a temporary name and then linked into place, so that
// no program ever meets a half-made one, and one made meanwhile by another program wins.
bool CreateArchive(const QString& path, QString& error) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        error = QStringLiteral("Cannot create the folder of %1.").arg(Quoted(path));
        return false;
    }
    const QString temporary =
        info.absolutePath() +
        QStringLiteral("/.%1.%2.new").arg(info.fileName()).arg(QCoreApplication::applicationPid());
    QFile::remove(temporary);
    const QString connection = NewConnectionName();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(temporary);
        ok = db.open();
        if (!ok) {
            error = db.lastError().text();
        }
        ok = ok &&
             sql::Exec(db, QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId), {},
                       error) &&
             ApplySteps(db, 0, error) &&
             sql::Exec(db, QStringLiteral("PRAGMA journal_mode = WAL"), {}, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (ok && ::link(QFile::encodeName(temporary).constData(),
                     QFile::encodeName(path).constData()) != 0) {
        // Another program made it meanwhile (its archive is taken), or a file system
        // without hard links: a rename, which never replaces a file there.
        const int linkError = errno;
        if (linkError != EEXIST && !QFile::rename(temporary, path) && !QFileInfo::exists(path)) {
            error = QString::fromLocal8Bit(strerror(linkError));
            ok = false;
        }
    }
    QFile::remove(temporary);
    if (!ok) {
        error = QStringLiteral("Cannot create the archive %1: %2.").arg(Quoted(path), error);
    }
    return ok;
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
        .arg(Quoted(path), reason);
}

QString Archive::Impl::ReadError(const QString& reason) const {
    return QStringLiteral("Cannot read the archive %1: %2.").arg(Quoted(path), reason);
}

Archive::Archive(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)), path_(impl_->path), readOnly_(impl_->readOnly) {}

Archive::~Archive() = default;

QString Archive::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/kelmor/archive.sqlite");
}

OpenResult Archive::Open(const QString& path, const OpenOptions& options) {
    OpenResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        if (options.mode != OpenMode::CreateIfMissing) {
            result.error = QStringLiteral("There is no archive %1.").arg(Quoted(path));
            return result;
        }
        if (!CreateArchive(path, result.error)) {
            return result;
        }
    }
    const QFileInfo file(path);
    if (!file.isFile() || file.size() == 0 || !LooksLikeSqlite(path)) {
        result.error =
            file.isFile() && !file.isReadable()
                ? QStringLiteral("Cannot read the archive %1: permission denied.").arg(Quoted(path))
                : QStringLiteral("%1 is not a Kelmor archive.").arg(Quoted(path));
        return result;
    }

    auto impl = std::make_unique<Impl>();
    impl->connection = NewConnectionName();
    impl->path = path;
    impl->readOnly = options.mode == OpenMode::ReadOnly ||
                     ::access(QFile::encodeName(path).constData(), W_OK) != 0;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), impl->connection);
    db.setDatabaseName(path);
    QString connectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs);
    if (impl->readOnly) {
        connectOptions += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db.setConnectOptions(connectOptions);
    if (!db.open()) {
        result.error = impl->ReadError(db.lastError().text());
        return result;
    }

    // Nothing is written before the file has proved sound and ours.
    QString error;
    std::optional<QSqlQuery> check = sql::Exec(db, QStringLiteral("PRAGMA quick_check"), {}, error);
    if (!check) {
        result.error =
            error.contains(QLatin1String("locked"))
                ? QStringLiteral("The archive %1 is locked by another program.").arg(Quoted(path))
                : QStringLiteral("The archive %1 is damaged (%2); it was left as it is.")
                      .arg(Quoted(path), error);
        return result;
    }
    const QString verdict = check->next() ? check->value(0).toString() : QString();
    // A statement still open would make the copy before an update fail ("SQL statements in
    // progress").
    check.reset();
    if (verdict != QLatin1String("ok")) {
        result.error = QStringLiteral("The archive %1 is damaged (%2); it was left as it is.")
                           .arg(Quoted(path), verdict);
        return result;
    }
    const std::optional<QVariant> version =
        sql::Value(db, QStringLiteral("PRAGMA user_version"), {}, error);
    const std::optional<QVariant> application =
        sql::Value(db, QStringLiteral("PRAGMA application_id"), {}, error);
    if (!version || !application) {
        result.error = impl->ReadError(error);
        return result;
    }
    const int current = CurrentSchemaVersion();
    const int found = version->toInt();
    if (application->toLongLong() != kApplicationId || found < 1) {
        result.error = QStringLiteral("%1 is not a Kelmor archive.").arg(Quoted(path));
        return result;
    }
    if (found > current) {
        result.error = QStringLiteral(
                           "The archive %1 was written by a newer Kelmor Desktop "
                           "(archive version %2; this one knows version %3). It was "
                           "left as it is.")
                           .arg(Quoted(path))
                           .arg(found)
                           .arg(current);
        return result;
    }
    if (found < current) {
        if (impl->readOnly) {
            result.error = QStringLiteral(
                               "The archive %1 (version %2) needs updating to version "
                               "%3, but it may not be written.")
                               .arg(Quoted(path))
                               .arg(found)
                               .arg(current);
            return result;
        }
        const QString copy = path + QStringLiteral(".v%1.bak").arg(found);
        if (QFileInfo::exists(copy) ||
            !sql::Exec(db, QStringLiteral("VACUUM INTO ?"), {copy}, error) ||
            !ApplySteps(db, found, error)) {
            result.error = QStringLiteral(
                               "Cannot update the archive %1 from version %2 (a copy "
                               "goes to %3): %4.")
                               .arg(Quoted(path))
                               .arg(found)
                               .arg(Quoted(copy), error.isEmpty() ? QStringLiteral("the copy "
                                                                                   "exists")
                                                                  : error);
            return result;
        }
    }
    if (!Configure(db, impl->readOnly, error)) {
        result.error = impl->ReadError(error);
        return result;
    }
    result.archive.reset(new Archive(std::move(impl)));
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
    const std::optional<QVariant> known =
        sql::Value(db, QStringLiteral("SELECT id FROM sources WHERE sha256 = ?"), {sha}, error);
    if (!known) {
        outcome.error = impl_->WriteError(error);
        return outcome;
    }
    if (!known->isNull()) {
        outcome.ok = true;
        outcome.duplicate = true;
        return outcome;
    }
    const qint64 utc =
        static_cast<qint64>(MillisecondsOf(source.readOutAt) / 1000) - source.utcOffsetSeconds;
    const std::optional<QSqlQuery> inserted = sql::Exec(
        db,
        QStringLiteral("INSERT INTO sources (sha256, image, serial, model, calibration, "
                       "read_out_at, utc_offset_s, read_out_utc, origin, imported_at) VALUES "
                       "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {sha, source.image, source.serial, sql::ModelName(source.model),
         static_cast<double>(data.Header.CalibrationFactor), FormatIsoLocal(source.readOutAt),
         source.utcOffsetSeconds, utc, source.origin,
         QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        error);
    if (!inserted ||
        !impl_->MergeSource(inserted->lastInsertId().toLongLong(), source.serial, source.model,
                            data, true, outcome, error) ||
        !transaction.Commit(error)) {
        ImportOutcome failed;
        failed.error = impl_->WriteError(error);
        return failed;
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace kelmor
