// The archive on a PostgreSQL server, as only a server can fail: logins refused, a server
// that is not there, another program holding the writers' lock, a connection lost in the
// middle of an import; and archives copied between the two engines.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include "archive/archive.h"
#include "archive/run_key.h"
#include "archive_fixture.h"
#include "cli_run.h"
#include "test_archives.h"

namespace kelmor::testing {
namespace {

const QString kSamples = QStringLiteral(KELMOR_SOURCE_DIR "/samples/");

CliRun Cli(const QString& location, const QStringList& args) {
    return RunCli(QStringList{QStringLiteral("archive"), QStringLiteral("--archive"), location} +
                  args);
}

CliRun Import(const QString& location, const QString& sample, const QString& serial) {
    return Cli(location,
               {QStringLiteral("import"), kSamples + sample, QStringLiteral("--instrument"), serial,
                QStringLiteral("--now"), QStringLiteral("2026-12-08T12:00:00")});
}

// A connection of the test's own to a database of the server, left open while it lives.
class Connection {
  public:
    explicit Connection(const QString& location) {
        const QUrl url(location);
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db_.setHostName(url.host());
        db_.setPort(url.port());
        db_.setUserName(url.userName());
        db_.setDatabaseName(url.path().mid(1));
        EXPECT_TRUE(db_.open()) << qPrintable(db_.lastError().text());
    }
    ~Connection() {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    QVariant Value(const QString& statement) {
        QSqlQuery query(db_);
        EXPECT_TRUE(query.exec(statement)) << qPrintable(query.lastError().text());
        return query.next() ? query.value(0) : QVariant();
    }

  private:
    QString name_ = QStringLiteral("test-%1").arg(reinterpret_cast<quintptr>(this));
    QSqlDatabase db_;
};

QString WithUser(const QString& location, const QString& user) {
    QUrl url(location);
    url.setUserName(user);
    return url.toString();
}

QString WithPort(const QString& location, int port) {
    QUrl url(location);
    url.setPort(port);
    return url.toString();
}

class ServerTest : public ArchiveTest {};

TEST_F(ServerTest, AServerThatCannotBeUsedIsNamedWithTheCause) {
    ASSERT_TRUE(OpenArchive());
    const QString database = QUrl(ArchivePath()).path();
    const struct {
        QString location;
        const char* cause;
    } cases[] = {
        {WithPort(ArchivePath(), 1), "the server refused the connection"},
        {QStringLiteral("postgresql://postgres@no-such-host.invalid") + database,
         "the server's host was not found"},
        {WithUser(ArchivePath(), QStringLiteral("pwuser")),
         "authentication failed (no password in ~/.pgpass or PGPASSWORD)"},
        {WithUser(ArchivePath(), QStringLiteral("nobody")), "authentication failed"},
        {QUrl(ArchivePath()).resolved(QUrl(QStringLiteral("/no_such_db"))).toString(),
         "no such database"},
        {ArchivePath() + QStringLiteral("?sslmode=require"),
         "the server offers no TLS, which sslmode asks for"},
    };
    for (const auto& c : cases) {
        const OpenResult result = Archive::Open(c.location, {OpenMode::ReadWrite, 500});
        EXPECT_FALSE(result.archive) << qPrintable(c.location);
        EXPECT_TRUE(result.error.contains(QLatin1String(c.cause))) << qPrintable(result.error);
        EXPECT_TRUE(result.error.contains(QUrl(c.location).host())) << qPrintable(result.error);
    }

    // A wrong password from PGPASSWORD, then the right one: libpq's own means. A role the
    // server lets only read gets the archive read-only.
    RawSql(ArchivePath(),
           {QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO pwuser")});
    const QString pwuser = WithUser(ArchivePath(), QStringLiteral("pwuser"));
    qputenv("PGPASSWORD", "wrong");
    const OpenResult wrong = Archive::Open(pwuser, {OpenMode::ReadWrite, 500});
    qputenv("PGPASSWORD", "secret");
    const OpenResult right = Archive::Open(pwuser, {OpenMode::ReadWrite, 500});
    qunsetenv("PGPASSWORD");
    EXPECT_TRUE(wrong.error.contains(QStringLiteral("authentication failed")))
        << qPrintable(wrong.error);
    EXPECT_FALSE(wrong.error.contains(QStringLiteral("wrong")));
    ASSERT_TRUE(right.archive) << qPrintable(right.error);
    EXPECT_TRUE(right.archive->IsReadOnly());
    EXPECT_TRUE(right.archive->Runs().isEmpty());
}

TEST_F(ServerTest, APasswordInTheLocationIsRefusedAndNeverRepeated) {
    QUrl url(ArchivePath());
    url.setPassword(QStringLiteral("s3cret"));
    for (const QString& location :
         {url.toString(), ArchivePath() + QStringLiteral("?password=s3cret")}) {
        const OpenResult result = Archive::Open(location, {OpenMode::CreateIfMissing, 500});
        EXPECT_FALSE(result.archive);
        EXPECT_TRUE(result.error.contains(QStringLiteral("~/.pgpass"))) << qPrintable(result.error);
        EXPECT_FALSE(result.error.contains(QStringLiteral("s3cret"))) << qPrintable(result.error);
    }
}

TEST_F(ServerTest, AWriterThatHoldsTheArchiveTooLongIsNamed) {
    std::unique_ptr<Archive> archive = OpenArchive();
    ASSERT_TRUE(archive);
    Connection holder(ArchivePath());
    holder.Value(QStringLiteral("BEGIN"));
    holder.Value(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(0x4B4C4D52));
    OpenResult waiting = Archive::Open(ArchivePath(), {OpenMode::ReadWrite, 200});
    ASSERT_TRUE(waiting.archive);
    const ArchiveStatus status =
        waiting.archive->Assign({QStringLiteral("S1"), 1}, QStringLiteral("Cellar"));
    EXPECT_FALSE(status.ok);
    EXPECT_TRUE(status.error.contains(QStringLiteral("another program kept the archive busy")))
        << qPrintable(status.error);
    holder.Value(QStringLiteral("ROLLBACK"));
    EXPECT_TRUE(waiting.archive->Places().isEmpty());
}

// The import waits, in the middle of its transaction, for a run the test is adding; the
// server then ends its connection. Nothing of it stays, and it succeeds when run again.
TEST_F(ServerTest, AConnectionLostInTheMiddleOfAnImportStoresNothing) {
    ASSERT_EQ(Import(ArchivePath(), QStringLiteral("kelmor-v6.Rn"), QStringLiteral("SN6")).exitCode,
              0);
    const QByteArray before = Cli(ArchivePath(), {QStringLiteral("runs")}).out;
    Connection blocker(ArchivePath());
    Connection watcher(ArchivePath());
    blocker.Value(QStringLiteral("BEGIN"));
    blocker.Value(QStringLiteral("INSERT INTO runs (serial, start, model, calibration) VALUES "
                                 "('SN7', %1, 'V7', 0)")
                      .arg(*ParseRunStart(QStringLiteral("2024-07-15T08:00"))));
    QProcess import;
    import.start(QStringLiteral(KELMOR_CLI),
                 {QStringLiteral("archive"), QStringLiteral("--archive"), ArchivePath(),
                  QStringLiteral("import"), kSamples + QStringLiteral("kelmor-v7.Rn"),
                  QStringLiteral("--instrument"), QStringLiteral("SN7"), QStringLiteral("--now"),
                  QStringLiteral("2026-12-08T12:00:00")});
    QVariant pid;
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && pid.isNull()) {
        pid = watcher.Value(
            QStringLiteral("SELECT pid FROM pg_stat_activity WHERE application_name = 'kelmor' AND "
                           "datname = current_database() AND wait_event_type = 'Lock'"));
        QThread::msleep(5);
    }
    ASSERT_FALSE(pid.isNull()) << "the import never waited for the run";
    // What it had added before it waited: the source and the runs before that one.
    EXPECT_TRUE(watcher
                    .Value(QStringLiteral("SELECT count(*) FROM pg_locks WHERE pid = %1 AND "
                                          "mode = 'RowExclusiveLock'")
                               .arg(pid.toLongLong()))
                    .toLongLong() > 0);
    watcher.Value(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid.toLongLong()));
    ASSERT_TRUE(import.waitForFinished(30000));
    const QByteArray error = import.readAllStandardError();
    EXPECT_EQ(import.exitCode(), 4) << error.constData();
    EXPECT_TRUE(error.contains("lost connection to the server")) << error.constData();
    EXPECT_TRUE(error.contains(ArchivePath().toUtf8())) << error.constData();
    blocker.Value(QStringLiteral("ROLLBACK"));

    EXPECT_EQ(Cli(ArchivePath(), {QStringLiteral("runs")}).out, before);
    EXPECT_EQ(watcher.Value(QStringLiteral("SELECT count(*) FROM sources")).toLongLong(), 1);
    EXPECT_EQ(Cli(ArchivePath(), {QStringLiteral("check")}).exitCode, 0);
    const CliRun again =
        Import(ArchivePath(), QStringLiteral("kelmor-v7.Rn"), QStringLiteral("SN7"));
    EXPECT_EQ(again.exitCode, 0) << again.err.constData();
    EXPECT_EQ(Cli(ArchivePath(), {QStringLiteral("runs")}).out.count('\n'), 13);
}

// Every image, run, place and sample goes from a file to the server and back to a file
// unchanged: the same bytes, the same lists, and each copy consistent.
TEST_F(ServerTest, ACopyGoesFromAFileToTheServerAndBackUnchanged) {
    const QString file = archives_.Folder().filePath(QStringLiteral("first.sqlite"));
    const QString back = archives_.Folder().filePath(QStringLiteral("back.sqlite"));
    for (const auto& [sample, serial] :
         {std::pair{"kelmor-v5.Rn", "SN5"}, std::pair{"kelmor-v6.Rn", "SN6"},
          std::pair{"kelmor-v7.Rn", "SN7"}}) {
        ASSERT_EQ(Import(file, QLatin1String(sample), QLatin1String(serial)).exitCode, 0);
    }
    ASSERT_EQ(
        Cli(file, {QStringLiteral("assign"), QStringLiteral("--instrument"), QStringLiteral("SN7"),
                   QStringLiteral("--start"), QStringLiteral("2024-07-15T08:00"),
                   QStringLiteral("--place"), QStringLiteral("Cellar, 'north'")})
            .exitCode,
        0);
    // What the user recorded besides: a site, a deployment, a calibration.
    for (const QStringList& command :
         {QStringList{QStringLiteral("site"), QStringLiteral("Farm"), QStringLiteral("--client"),
                      QStringLiteral("J. O'Brien"), QStringLiteral("--notes"), QString()},
          QStringList{QStringLiteral("place-site"), QStringLiteral("Cellar, 'north'"),
                      QStringLiteral("Farm")},
          QStringList{QStringLiteral("deployment"), QStringLiteral("SN7"),
                      QStringLiteral("2024-07-15T08:00"), QStringLiteral("--tester"),
                      QStringLiteral("A. Tester"), QStringLiteral("--deployed"),
                      QStringLiteral("2024-07-15T07:30")},
          QStringList{QStringLiteral("calibration"), QStringLiteral("SN7"),
                      QStringLiteral("2024-01-10"), QStringLiteral("--certificate"),
                      QStringLiteral("LAB-1")}}) {
        const CliRun recorded = Cli(file, command);
        ASSERT_EQ(recorded.exitCode, 0) << recorded.err.constData();
    }
    CliRun run = RunCli({QStringLiteral("archive"), QStringLiteral("copy"),
                         QStringLiteral("--from"), file, QStringLiteral("--to"), ArchivePath()});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.out.contains("runs: 17")) << run.out.constData();
    run = RunCli({QStringLiteral("archive"), QStringLiteral("copy"), QStringLiteral("--from"),
                  ArchivePath(), QStringLiteral("--to"), back});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();

    for (const QStringList& command :
         {QStringList{QStringLiteral("runs")}, QStringList{QStringLiteral("places")},
          QStringList{QStringLiteral("check")}, QStringList{QStringLiteral("sites")},
          QStringList{QStringLiteral("site"), QStringLiteral("Farm")},
          QStringList{QStringLiteral("instruments")},
          QStringList{QStringLiteral("deployment"), QStringLiteral("SN7"),
                      QStringLiteral("2024-07-15T08:00")},
          QStringList{QStringLiteral("samples"), QStringLiteral("--place"),
                      QStringLiteral("Cellar, 'north'")}}) {
        const CliRun original = Cli(file, command);
        ASSERT_EQ(original.exitCode, 0);
        EXPECT_EQ(Cli(ArchivePath(), command).out, original.out) << qPrintable(command[0]);
        EXPECT_EQ(Cli(back, command).out, original.out) << qPrintable(command[0]);
    }
    // Every run's samples, one after another: each of the server's queries whole.
    QByteArray exports[3];
    int i = 0;
    for (const QString& location : {file, ArchivePath(), back}) {
        const QString csv = archives_.Folder().filePath(QStringLiteral("all%1.csv").arg(i));
        ASSERT_EQ(Cli(location, {QStringLiteral("export"), QStringLiteral("-o"), csv}).exitCode, 0);
        QFile exported(csv);
        ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
        exports[i++] = exported.readAll();
    }
    EXPECT_EQ(exports[0].count('\n'), 1 + 2664 + 4010 + 20920);
    EXPECT_EQ(exports[1], exports[0]);
    EXPECT_EQ(exports[2], exports[0]);

    // The images byte for byte.
    auto images = [](const QString& path) {
        QByteArrayList list;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
            db.setDatabaseName(path);
            EXPECT_TRUE(db.open());
            QSqlQuery query(QStringLiteral("SELECT image FROM sources ORDER BY sha256"), db);
            while (query.next()) {
                list << query.value(0).toByteArray();
            }
        }
        QSqlDatabase::removeDatabase(path);
        return list;
    };
    const QByteArrayList first = images(file);
    EXPECT_EQ(first.size(), 3);
    EXPECT_EQ(images(back), first);

    // Into an archive that holds something: refused, and nothing changed.
    run = RunCli({QStringLiteral("archive"), QStringLiteral("copy"), QStringLiteral("--from"), file,
                  QStringLiteral("--to"), ArchivePath()});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains("is not empty")) << run.err.constData();
    EXPECT_EQ(Cli(ArchivePath(), {QStringLiteral("runs")}).out,
              Cli(file, {QStringLiteral("runs")}).out);
    // A new run on the server gets an id after the copied ones.
    EXPECT_EQ(
        Import(ArchivePath(), QStringLiteral("kelmor-v5.Rn"), QStringLiteral("SN55")).exitCode, 0);
}

}  // namespace
}  // namespace kelmor::testing
