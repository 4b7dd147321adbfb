#include "test_archives.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAtomicInteger>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace kelmor::testing {

namespace {

QString StateFolder() {
    return qEnvironmentVariable("KELMOR_TEST_POSTGRES");
}

// A connection to `location` under `name`: a file through SQLite, a URI through the
// server's driver, without any of the archive's own code.
QSqlDatabase Connect(const QString& location, const QString& name) {
    if (!location.startsWith(QLatin1String("postgres"))) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(location);
        db.open();
        return db;
    }
    const QUrl url(location);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(url.host());
    db.setPort(url.port());
    db.setUserName(url.userName());
    db.setDatabaseName(url.path().mid(1));
    db.open();
    return db;
}

bool Run(const QString& location, const QStringList& statements, QString* error) {
    static QAtomicInteger<int> counter;
    const QString name = QStringLiteral("test-raw-%1").arg(counter.fetchAndAddRelaxed(1));
    bool ok = true;
    {
        QSqlDatabase db = Connect(location, name);
        if (!db.isOpen()) {
            ok = false;
            if (error) {
                *error = db.lastError().text();
            }
        }
        for (const QString& statement : statements) {
            QSqlQuery query(db);
            if (ok && !query.exec(statement)) {
                ok = false;
                if (error) {
                    *error = query.lastError().text();
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

}  // namespace

bool TestArchives::OnServer() {
    return !StateFolder().isEmpty();
}

QString TestArchives::ServerUri() {
    QFile file(StateFolder() + QStringLiteral("/uri"));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no PostgreSQL server for the tests: " << qPrintable(file.fileName())
                      << " is missing (tests/archive/pg_cluster.sh start did not run or failed)";
        return {};
    }
    return QString::fromUtf8(file.readAll().trimmed());
}

QString TestArchives::NewDatabase() {
    static QAtomicInteger<int> counter;
    const QString server = ServerUri();
    if (server.isEmpty()) {
        return {};
    }
    const QString name =
        QStringLiteral("kelmor_t%1_%2").arg(::getpid()).arg(counter.fetchAndAddRelaxed(1));
    QString error;
    if (!Run(server, {QStringLiteral("CREATE DATABASE %1").arg(name)}, &error)) {
        ADD_FAILURE() << "cannot make a test database: " << qPrintable(error);
        return {};
    }
    databases_ << name;
    QUrl url(server);
    url.setPath(QLatin1Char('/') + name);
    return url.toString();
}

QString TestArchives::NewLocation(const QString& name) {
    if (!OnServer()) {
        ++files_;
        return folder_.filePath(name + (files_ == 1 ? QString() : QString::number(files_)) +
                                QStringLiteral(".sqlite"));
    }
    return NewDatabase();
}

TestArchives::~TestArchives() {
    if (databases_.isEmpty()) {
        return;
    }
    QStringList drops;
    for (const QString& name : databases_) {
        drops << QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name);
    }
    Run(ServerUri(), drops, nullptr);
}

bool RawSql(const QString& location, const QStringList& statements, QString* error) {
    return Run(location, statements, error);
}

}  // namespace kelmor::testing
