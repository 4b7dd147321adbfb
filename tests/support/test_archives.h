#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kelmor::testing {

// The archives a test makes: SQLite files in a temporary folder or, when the environment
// variable KELMOR_TEST_POSTGRES names the folder where tests/archive/pg_cluster.sh wrote a
// running server's URI, new databases on that server. So one suite runs on either engine.
class TestArchives {
  public:
    TestArchives() = default;
    ~TestArchives();  // removes the databases it made
    TestArchives(const TestArchives&) = delete;
    TestArchives& operator=(const TestArchives&) = delete;

    // The server's engine is asked for (whether or not its server runs).
    static bool OnServer();
    // The URI of the server's administrator (its database "postgres"); empty, with a test
    // failure, when no server is running where the environment says.
    static QString ServerUri();

    // A location no archive is at yet: a file path, or an empty new database.
    QString NewLocation(const QString& name = QStringLiteral("archive"));
    // A database made empty on the server, whatever the engine asked for; empty on failure.
    QString NewDatabase();

    const QTemporaryDir& Folder() const { return folder_; }

  private:
    QTemporaryDir folder_;
    QStringList databases_;
    int files_ = 0;
};

// Runs `statements` directly on what the location holds (a file, or a database on the
// server), behind the archive's back. False, with the reason, at the first that fails.
bool RawSql(const QString& location, const QStringList& statements, QString* error = nullptr);

}  // namespace kelmor::testing
