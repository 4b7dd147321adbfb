#pragma once

// Everything in which the two engines differ: SQLite files and PostgreSQL servers. The rest
// of the archive speaks the SQL both understand, through these functions where they part.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "archive/archive_impl.h"
#include "archive/location.h"

namespace kelmor::engine {

Engine Of(const QSqlDatabase& db);

// Whether a query's rows may be read one at a time as they come. Qt's PostgreSQL driver
// then reads them from the server while they are used, and loses them when another query
// runs meanwhile, as a loop over runs does for each run's samples: there, a query's rows
// come whole.
bool ForwardOnly(Engine engine);

// A schema statement, written in SQLite's words, in the engine's.
QString Ddl(Engine engine, const QString& statement);

// The statements that begin a write transaction. One writer at a time, as in SQLite: the
// merge reads what is stored before it adds, so two merges into one run must not overlap.
QStringList BeginWrite(Engine engine);
// Begins a read transaction that sees one moment of the archive throughout.
QString BeginSnapshot(Engine engine);

// Records the schema's version inside the current transaction.
bool WriteVersion(const QSqlDatabase& db, int version, QString& error);

// The engine's own checks of its storage (pages, references); problems are added.
bool CheckStorage(const QSqlDatabase& db, QStringList& problems, QString& error);

// A complete copy of the archive in a new SQLite file at `path`, taken at one moment.
bool CopyToFile(const Archive& archive, const QSqlDatabase& db, const QString& path,
                QString& error);

// After rows were copied into `table` with their ids: new rows get ids after theirs.
bool ContinueIds(const QSqlDatabase& db, const QString& table, QString& error);

// The database's reason for a failure, in words a user understands, with the driver's own
// text after it.
QString Reason(Engine engine, const QString& raw);

// Opens the archive into `impl` (its connection and read-only state), creating it when the
// options ask for it, refusing it with `error` when it is damaged, foreign or newer, and
// bringing an older one up to date.
bool OpenSqlite(const QString& path, const OpenOptions& options, Archive::Impl& impl,
                QString& error);
bool OpenPostgres(const ArchiveLocation& location, const OpenOptions& options, Archive::Impl& impl,
                  QString& error);

}  // namespace kelmor::engine
