// Opening an archive kept in a database on a PostgreSQL server.
#include <QSqlError>
#include <QSqlQuery>

#include "archive/engine.h"
#include "archive/schema.h"
#include "archive/sql.h"

namespace kelmor::engine {

namespace {

// The marks of a Kelmor archive in a database of the server: what SQLite keeps in its
// file's header (application id and user_version).
const QString kApplication = QStringLiteral("kelmor-archive");

QString Quoted(const QString& location) {
    return QLatin1Char('"') + location + QLatin1Char('"');
}

enum class Found { Empty, Foreign, Archive };

// What the database holds: nothing yet, another program's tables, or an archive of
// `version`.
std::optional<Found> ReadMarks(const QSqlDatabase& db, int& version, QString& error) {
    // The catalog read as a table, not through the server's cache of names, which a
    // program that waited for another's creation may not have brought up to date yet.
    std::optional<QSqlQuery> tables = sql::Exec(
        db,
        QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = "
                       "current_schema()"),
        {}, error);
    if (!tables) {
        return std::nullopt;
    }
    bool any = false;
    bool meta = false;
    while (tables->next()) {
        any = true;
        meta = meta || tables->value(0).toString() == QLatin1String("kelmor_meta");
    }
    if (!meta) {
        return any ? Found::Foreign : Found::Empty;
    }
    const std::optional<QVariant> application = sql::Value(
        db, QStringLiteral("SELECT value FROM kelmor_meta WHERE name = 'application'"), {}, error);
    const std::optional<QVariant> stored = sql::Value(
        db, QStringLiteral("SELECT value FROM kelmor_meta WHERE name = 'version'"), {}, error);
    if (!application || !stored) {
        return std::nullopt;
    }
    bool number = false;
    version = stored->toString().toInt(&number);
    return application->toString() == kApplication && number && version >= 1 ? Found::Archive
                                                                             : Found::Foreign;
}

// Creates the archive in an empty database, or brings an older one up to date: one
// transaction, since the server's schema changes are transactional, and under the writers'
// lock, so that two programs doing it at once do it once.
bool CreateOrUpdate(const QSqlDatabase& db, QString& error) {
    sql::Transaction transaction(db);
    if (!transaction.Begin(error)) {
        return false;
    }
    int version = 0;
    const std::optional<Found> found = ReadMarks(db, version, error);
    if (!found) {
        return false;
    }
    if (*found == Found::Foreign) {
        error = QStringLiteral("another program made tables in it meanwhile");
        return false;
    }
    if (*found == Found::Empty &&
        (!sql::Exec(db,
                    QStringLiteral("CREATE TABLE kelmor_meta (name TEXT COLLATE \"C\" PRIMARY "
                                   "KEY, value TEXT NOT NULL)"),
                    {}, error) ||
         !sql::Exec(db,
                    QStringLiteral("INSERT INTO kelmor_meta (name, value) VALUES "
                                   "('application', ?)"),
                    {kApplication}, error))) {
        return false;
    }
    return ApplySteps(db, *found == Found::Empty ? 0 : version, error) && transaction.Commit(error);
}

}  // namespace

bool OpenPostgres(const ArchiveLocation& location, const OpenOptions& options, Archive::Impl& impl,
                  QString& error) {
    const QString name = Quoted(location.Display());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), impl.connection);
    if (!db.isValid()) {
        error = QStringLiteral(
                    "Cannot open the archive %1: Qt's PostgreSQL driver is not installed "
                    "(Debian package libqt6sql6-psql).")
                    .arg(name);
        return false;
    }
    db.setHostName(location.host);
    db.setPort(location.port);
    db.setUserName(location.user);
    db.setDatabaseName(location.database);
    db.setConnectOptions(location.connectOptions);
    if (!db.open()) {
        error = QStringLiteral("Cannot open the archive %1: %2.")
                    .arg(name, Reason(Engine::Postgres, db.lastError().databaseText()));
        return false;
    }
    // Another program's write waits as long as SQLite's busy time-out would.
    if (!sql::Exec(db, QStringLiteral("SET lock_timeout = %1").arg(options.busyTimeoutMs), {},
                   error)) {
        error = impl.ReadError(error);
        return false;
    }

    int version = 0;
    std::optional<Found> found = ReadMarks(db, version, error);
    if (!found) {
        error = impl.ReadError(error);
        return false;
    }
    const int current = CurrentSchemaVersion();
    if (*found == Found::Foreign) {
        error = QStringLiteral("%1 is not a Kelmor archive: the database holds other tables.")
                    .arg(name);
        return false;
    }
    if (*found == Found::Empty && options.mode != OpenMode::CreateIfMissing) {
        error = QStringLiteral("There is no archive %1: the database is empty.").arg(name);
        return false;
    }
    if (*found == Found::Archive && version > current) {
        error = QStringLiteral(
                    "The archive %1 was written by a newer Kelmor Desktop (archive version %2; "
                    "this one knows version %3). It was left as it is.")
                    .arg(name)
                    .arg(version)
                    .arg(current);
        return false;
    }
    if (*found == Found::Archive && version < current && options.mode == OpenMode::ReadOnly) {
        error = QStringLiteral(
                    "The archive %1 (version %2) needs updating to version %3, but it may not "
                    "be written.")
                    .arg(name)
                    .arg(version)
                    .arg(current);
        return false;
    }
    if ((*found == Found::Empty || version < current) && !CreateOrUpdate(db, error)) {
        error = *found == Found::Empty
                    ? QStringLiteral("Cannot create the archive %1: %2.")
                          .arg(name, Reason(Engine::Postgres, error))
                    : QStringLiteral(
                          "Cannot update the archive %1 from version %2: %3. It was "
                          "left as it was.")
                          .arg(name)
                          .arg(version)
                          .arg(Reason(Engine::Postgres, error));
        return false;
    }

    // A role the server lets read only is an archive opened read-only.
    const std::optional<QVariant> writable = sql::Value(
        db, QStringLiteral("SELECT has_table_privilege('sources', 'INSERT')"), {}, error);
    if (!writable) {
        error = impl.ReadError(error);
        return false;
    }
    impl.readOnly = options.mode == OpenMode::ReadOnly || !writable->toBool();
    if (impl.readOnly &&
        !sql::Exec(db, QStringLiteral("SET default_transaction_read_only = on"), {}, error)) {
        error = impl.ReadError(error);
        return false;
    }
    return true;
}

}  // namespace kelmor::engine
