// Opening an archive kept in an SQLite file on this PC.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "archive/engine.h"
#include "archive/schema.h"
#include "archive/sql.h"

namespace kelmor::engine {

namespace {

// Tells a Kelmor archive from any other SQLite file ("KLMR").
constexpr qint64 kApplicationId = 0x4B4C4D52;

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

// "NAME.vN.bak", or "NAME.vN-2.bak" and on when an earlier update left its copy there: a
// copy the user has not moved away must neither be overwritten nor block the update.
QString FreeBackupName(const QString& path, int version) {
    QString copy = path + QStringLiteral(".v%1.bak").arg(version);
    for (int n = 2; QFileInfo::exists(copy); ++n) {
        copy = path + QStringLiteral(".v%1-%2.bak").arg(version).arg(n);
    }
    return copy;
}

bool Migrate(const QSqlDatabase& db, int from, QString& error) {
    sql::Transaction transaction(db);
    return transaction.Begin(error) && ApplySteps(db, from, error) && transaction.Commit(error);
}

// A new archive is made whole under a temporary name and then linked into place, so that
// no program ever meets a half-made one, and one made meanwhile by another program wins.
bool CreateArchive(const QString& path, const QString& connection, QString& error) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        error = QStringLiteral("Cannot create the folder of %1.").arg(Quoted(path));
        return false;
    }
    const QString temporary =
        info.absolutePath() +
        QStringLiteral("/.%1.%2.new").arg(info.fileName()).arg(QCoreApplication::applicationPid());
    QFile::remove(temporary);
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
             Migrate(db, 0, error) &&
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

bool OpenSqlite(const QString& path, const OpenOptions& options, Archive::Impl& impl,
                QString& error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        if (options.mode != OpenMode::CreateIfMissing) {
            error = QStringLiteral("There is no archive %1.").arg(Quoted(path));
            return false;
        }
        if (!CreateArchive(path, impl.connection, error)) {
            return false;
        }
    }
    const QFileInfo file(path);
    if (!file.isFile() || file.size() == 0 || !LooksLikeSqlite(path)) {
        error =
            file.isFile() && !file.isReadable()
                ? QStringLiteral("Cannot read the archive %1: permission denied.").arg(Quoted(path))
                : QStringLiteral("%1 is not a Kelmor archive.").arg(Quoted(path));
        return false;
    }

    impl.readOnly = options.mode == OpenMode::ReadOnly ||
                    ::access(QFile::encodeName(path).constData(), W_OK) != 0;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), impl.connection);
    db.setDatabaseName(path);
    QString connectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs);
    if (impl.readOnly) {
        connectOptions += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db.setConnectOptions(connectOptions);
    if (!db.open()) {
        error = impl.ReadError(db.lastError().text());
        return false;
    }

    // Nothing is written before the file has proved sound and ours.
    std::optional<QSqlQuery> check = sql::Exec(db, QStringLiteral("PRAGMA quick_check"), {}, error);
    if (!check) {
        error =
            error.contains(QLatin1String("locked"))
                ? QStringLiteral("The archive %1 is locked by another program.").arg(Quoted(path))
                : QStringLiteral("The archive %1 is damaged (%2); it was left as it is.")
                      .arg(Quoted(path), error);
        return false;
    }
    const QString verdict = check->next() ? check->value(0).toString() : QString();
    // A statement still open would make the copy before an update fail ("SQL statements in
    // progress").
    check.reset();
    if (verdict != QLatin1String("ok")) {
        error = QStringLiteral("The archive %1 is damaged (%2); it was left as it is.")
                    .arg(Quoted(path), verdict);
        return false;
    }
    const std::optional<QVariant> version =
        sql::Value(db, QStringLiteral("PRAGMA user_version"), {}, error);
    const std::optional<QVariant> application =
        sql::Value(db, QStringLiteral("PRAGMA application_id"), {}, error);
    if (!version || !application) {
        error = impl.ReadError(error);
        return false;
    }
    const int current = CurrentSchemaVersion();
    const int found = version->toInt();
    if (application->toLongLong() != kApplicationId || found < 1) {
        error = QStringLiteral("%1 is not a Kelmor archive.").arg(Quoted(path));
        return false;
    }
    if (found > current) {
        error = QStringLiteral(
                    "The archive %1 was written by a newer Kelmor Desktop "
                    "(archive version %2; this one knows version %3). It was "
                    "left as it is.")
                    .arg(Quoted(path))
                    .arg(found)
                    .arg(current);
        return false;
    }
    if (found < current) {
        if (impl.readOnly) {
            error = QStringLiteral(
                        "The archive %1 (version %2) needs updating to version "
                        "%3, but it may not be written.")
                        .arg(Quoted(path))
                        .arg(found)
                        .arg(current);
            return false;
        }
        const QString copy = FreeBackupName(path, found);
        const bool copied =
            sql::Exec(db, QStringLiteral("VACUUM INTO ?"), {copy}, error).has_value();
        if (!copied) {
            QFile::remove(copy);  // whatever a failing disk left of it
        }
        if (!copied || !Migrate(db, found, error)) {
            error = QStringLiteral(
                        "Cannot update the archive %1 from version %2 (a copy "
                        "goes to %3): %4.")
                        .arg(Quoted(path))
                        .arg(found)
                        .arg(Quoted(copy), error);
            return false;
        }
    }
    if (!Configure(db, impl.readOnly, error)) {
        error = impl.ReadError(error);
        return false;
    }
    return true;
}

}  // namespace kelmor::engine
