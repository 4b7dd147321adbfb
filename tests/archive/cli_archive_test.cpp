// kelmor-cli archive as outside checks use it: the command lines, outputs and exit codes,
// a real import killed at many moments, two imports into one archive at once, and the
// report of a surveyed site.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include "pdf_text.h"
#include "survey_scenario.h"

namespace {

const QString kSamples = QStringLiteral(KELMOR_SOURCE_DIR "/samples/");

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QProcessEnvironment Environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB.UTF-8"));
    return env;
}

CliRun RunCli(const QStringList& args, const QProcessEnvironment& env = Environment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KELMOR_CLI), args);
    EXPECT_TRUE(process.waitForFinished(60000)) << "kelmor-cli did not end";
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

class ArchiveCliTest : public ::testing::Test {
  protected:
    CliRun Archive(QStringList args) {
        args.prepend(db_);
        args.prepend(QStringLiteral("--archive"));
        args.prepend(QStringLiteral("archive"));
        return RunCli(args);
    }
    CliRun Import(const QString& sample, const QString& serial) {
        return Archive({QStringLiteral("import"), kSamples + sample, QStringLiteral("--instrument"),
                        serial, QStringLiteral("--now"), QStringLiteral("2026-12-08T12:00:00")});
    }

    QTemporaryDir folder_;
    QString db_ = folder_.filePath(QStringLiteral("archive.sqlite"));
};

TEST_F(ArchiveCliTest, TheContractAsWritten) {
    EXPECT_EQ(Archive({QStringLiteral("runs")}).exitCode, 2);  // no archive yet
    CliRun run = Import(QStringLiteral("kelmor-v7.Rn"), QStringLiteral("SN7"));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    ASSERT_EQ(Import(QStringLiteral("kelmor-v6.Rn"), QStringLiteral("SN6")).exitCode, 0);
    EXPECT_EQ(Import(QStringLiteral("kelmor-v6.Rn"), QStringLiteral("SN6")).exitCode, 0);

    run = Archive({QStringLiteral("runs")});
    ASSERT_EQ(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines[0], "SN6;V6;2026-01-12T10:00;170;");
    EXPECT_EQ(lines[5], "SN7;V7;2024-05-02T14:00;336;");

    // The fourth measurement of the V7 sample alone in a place: what pulses and summary
    // give of that measurement.
    run = Archive({QStringLiteral("assign"), QStringLiteral("--instrument"), QStringLiteral("SN7"),
                   QStringLiteral("--start"), QStringLiteral("2024-07-15T08:00"),
                   QStringLiteral("--place"), QStringLiteral("Cellar, north")});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(Archive({QStringLiteral("runs")})
                    .out.contains("SN7;V7;2024-07-15T08:00;1440;"
                                  "Cellar, north\n"));
    EXPECT_EQ(Archive({QStringLiteral("places")}).out, "Cellar, north;1;1440;102.4\n");
    const CliRun pulses = RunCli({QStringLiteral("pulses"), kSamples + "kelmor-v7.Rn",
                                  QStringLiteral("--measurement"), QStringLiteral("3")});
    run = Archive(
        {QStringLiteral("samples"), QStringLiteral("--place"), QStringLiteral("Cellar, north")});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, pulses.out);

    const QJsonObject file =
        QJsonDocument::fromJson(
            RunCli({QStringLiteral("summary"), kSamples + "kelmor-v7.Rn",
                    QStringLiteral("--measurement"), QStringLiteral("3"),
                    QStringLiteral("--reference"), QStringLiteral("eu"), QStringLiteral("--json")})
                .out)
            .object();
    const QJsonObject place =
        QJsonDocument::fromJson(
            Archive({QStringLiteral("summary"), QStringLiteral("--place"),
                     QStringLiteral("Cellar, north"), QStringLiteral("--reference"),
                     QStringLiteral("eu"), QStringLiteral("--json")})
                .out)
            .object();
    for (const QString& key : file.keys()) {
        EXPECT_EQ(place.value(key), file.value(key)) << qPrintable(key);
    }
    for (const char* key : {"annual_mean_bq_m3", "annual_months", "monthly_means",
                            "heating_season_fraction", "days_measured", "months_covered"}) {
        EXPECT_TRUE(place.contains(QLatin1String(key))) << key;
    }
    EXPECT_TRUE(place.value(QStringLiteral("annual_mean_bq_m3")).isNull());  // 60 days

    const QString csv = folder_.filePath(QStringLiteral("cellar.csv"));
    run = Archive({QStringLiteral("export"), QStringLiteral("--place"),
                   QStringLiteral("Cellar, north"), QStringLiteral("-o"), csv});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = exported.readAll().split('\n');
    EXPECT_EQ(rows.size(), 1 + 1440 + 1);  // header, samples, nothing after the last CRLF
    EXPECT_EQ(rows[0],
              "\xEF\xBB\xBFplace,instrument,model,run start,time,radon Bq/m3,"
              "error Bq/m3,pulses,temperature \xC2\xB0"
              "C,humidity %,pressure kPa,site\r");
    EXPECT_TRUE(
        rows[1].startsWith("\"Cellar, north\",SN7,V7,2024-07-15T08:00:00,"
                           "2024-07-15T09:00:00,"));

    EXPECT_EQ(Archive({QStringLiteral("check")}).exitCode, 0);
    EXPECT_EQ(Archive({QStringLiteral("rebuild")}).exitCode, 0);
    EXPECT_EQ(Archive({QStringLiteral("runs")}).out.count('\n'), 13);
    EXPECT_TRUE(Archive({QStringLiteral("runs")}).out.contains("Cellar, north"));

    run = Archive({QStringLiteral("summary"), QStringLiteral("--place"), QStringLiteral("Attic")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("Attic"));
    run = Archive({QStringLiteral("assign"), QStringLiteral("--instrument"), QStringLiteral("SN9"),
                   QStringLiteral("--start"), QStringLiteral("2024-07-15T08:00"),
                   QStringLiteral("--place"), QStringLiteral("Attic")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("SN9"));
    EXPECT_EQ(Archive({QStringLiteral("import"), kSamples + "kelmor-v7.Rn"}).exitCode, 1);
}

TEST_F(ArchiveCliTest, SurveyRecordsAndWhatDoesNotExist) {
    ASSERT_EQ(Import(QStringLiteral("kelmor-v7.Rn"), QStringLiteral("SN7")).exitCode, 0);
    ASSERT_EQ(Import(QStringLiteral("kelmor-v6.Rn"), QStringLiteral("SN6")).exitCode, 0);
    for (const auto& [serial, start, place] : {std::tuple{"SN7", "2024-07-15T08:00", "Cellar"},
                                               {"SN6", "2026-01-12T10:00", "Kitchen"}}) {
        ASSERT_EQ(Archive({QStringLiteral("assign"), QStringLiteral("--instrument"),
                           QLatin1String(serial), QStringLiteral("--start"), QLatin1String(start),
                           QStringLiteral("--place"), QLatin1String(place)})
                      .exitCode,
                  0);
    }
    const QString site = QStringLiteral("Farm house");
    ASSERT_EQ(
        Archive({QStringLiteral("site"), site, QStringLiteral("--client"), QStringLiteral("Kim")})
            .exitCode,
        0);
    ASSERT_EQ(Archive({QStringLiteral("place-site"), QStringLiteral("Cellar"), site}).exitCode, 0);
    ASSERT_EQ(Archive({QStringLiteral("place-site"), QStringLiteral("Kitchen"), site}).exitCode, 0);
    CliRun run = Archive({QStringLiteral("site"), site});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("client: Kim\n")) << run.out.constData();
    EXPECT_TRUE(run.out.contains("place: Cellar;1;1440;102.4\n")) << run.out.constData();
    EXPECT_TRUE(run.out.contains("places with a duplicate: 0 of 2\n"));
    EXPECT_EQ(Archive({QStringLiteral("sites")}).out, "Farm house;2;Kim;\n");

    const QString today = QDate::currentDate().toString(Qt::ISODate);
    ASSERT_EQ(Archive({QStringLiteral("calibration"), QStringLiteral("SN7"), today}).exitCode, 0);
    EXPECT_EQ(Archive({QStringLiteral("instruments")}).out,
              "SN6;V6;5;;overdue\nSN7;V7;8;" + today.toUtf8() + ";\n");
    EXPECT_EQ(Archive({QStringLiteral("calibration"), QStringLiteral("SN7"),
                       QStringLiteral("2025-02-30")})
                  .exitCode,
              1);
    ASSERT_EQ(Archive({QStringLiteral("deployment"), QStringLiteral("SN7"),
                       QStringLiteral("2024-07-15T08:00"), QStringLiteral("--tester"),
                       QStringLiteral("Robin"), QStringLiteral("--retrieved"),
                       QStringLiteral("2024-09-13T09:00")})
                  .exitCode,
              0);
    run = Archive(
        {QStringLiteral("deployment"), QStringLiteral("SN7"), QStringLiteral("2024-07-15T08:00")});
    EXPECT_TRUE(run.out.contains("tester: Robin\n") &&
                run.out.contains("retrieved: 2024-09-13T09:00\n"))
        << run.out.constData();
    // The instrument's clock knows no daylight saving time: an hour that the PC's zone skips
    // is still a time it was deployed at.
    QProcessEnvironment berlin = Environment();
    berlin.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
    const QStringList deployment = {QStringLiteral("archive"),
                                    QStringLiteral("--archive"),
                                    db_,
                                    QStringLiteral("deployment"),
                                    QStringLiteral("SN7"),
                                    QStringLiteral("2024-07-15T08:00")};
    ASSERT_EQ(RunCli(deployment + QStringList{QStringLiteral("--deployed"),
                                              QStringLiteral("2024-03-31T02:30")},
                     berlin)
                  .exitCode,
              0);
    EXPECT_TRUE(RunCli(deployment, berlin).out.contains("deployed: 2024-03-31T02:30\n"));

    // Whatever is named and not there: exit 2 and its name.
    const std::pair<QStringList, const char*> missing[] = {
        {{QStringLiteral("site-remove"), QStringLiteral("Barn"), QStringLiteral("--yes")}, "Barn"},
        {{QStringLiteral("duplicates"), QStringLiteral("Barn")}, "Barn"},
        {{QStringLiteral("export"), QStringLiteral("--site"), QStringLiteral("Barn"),
          QStringLiteral("-o"), folder_.filePath(QStringLiteral("barn.csv"))},
         "Barn"},
        {{QStringLiteral("place-site"), QStringLiteral("Attic"), site}, "Attic"},
        {{QStringLiteral("place-site"), QStringLiteral("Cellar"), QStringLiteral("Barn")}, "Barn"},
        {{QStringLiteral("instrument"), QStringLiteral("SN9")}, "SN9"},
        {{QStringLiteral("instrument-forget"), QStringLiteral("SN9"), QStringLiteral("--yes")},
         "SN9"},
        {{QStringLiteral("calibration"), QStringLiteral("SN9"), QStringLiteral("2025-01-01")},
         "SN9"},
        {{QStringLiteral("calibration-remove"), QStringLiteral("SN7"),
          QStringLiteral("2025-01-01")},
         "2025-01-01"},
        {{QStringLiteral("deployment"), QStringLiteral("SN9"), QStringLiteral("2024-07-15T08:00")},
         "SN9"},
    };
    for (const auto& [args, name] : missing) {
        run = Archive(args);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(args.join(' '));
        EXPECT_TRUE(run.err.contains(name)) << run.err.constData();
    }
    EXPECT_FALSE(QFile::exists(folder_.filePath(QStringLiteral("barn.csv"))));

    // Removal asks; without a terminal to answer, --yes or nothing.
    const QByteArray places = Archive({QStringLiteral("places")}).out;
    run = Archive({QStringLiteral("site-remove"), site});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("(Cellar, Kitchen)")) << run.out.constData();
    EXPECT_TRUE(run.err.contains("--yes"));
    EXPECT_EQ(Archive({QStringLiteral("sites")}).out.count('\n'), 1);
    EXPECT_EQ(Archive({QStringLiteral("instrument-forget"), QStringLiteral("SN7")}).exitCode, 1);
    EXPECT_TRUE(Archive({QStringLiteral("instrument"), QStringLiteral("SN7")})
                    .out.contains(today.toUtf8()));
    EXPECT_EQ(Archive({QStringLiteral("site-remove"), site, QStringLiteral("--yes")}).exitCode, 0);
    EXPECT_EQ(Archive({QStringLiteral("instrument-forget"), QStringLiteral("SN7"),
                       QStringLiteral("--yes")})
                  .exitCode,
              0);
    EXPECT_EQ(Archive({QStringLiteral("sites")}).out, "");
    EXPECT_FALSE(Archive({QStringLiteral("instrument"), QStringLiteral("SN7")})
                     .out.contains("calibration:"));
    EXPECT_EQ(Archive({QStringLiteral("places")}).out, places);
    EXPECT_EQ(Archive({QStringLiteral("runs")}).out.count('\n'), 13);
    EXPECT_EQ(Archive({QStringLiteral("check")}).exitCode, 0);
    EXPECT_EQ(Archive({QStringLiteral("site")}).exitCode, 1);
    EXPECT_EQ(Archive({QStringLiteral("place-site"), QStringLiteral("Cellar"), site,
                       QStringLiteral("--none")})
                  .exitCode,
              1);
}

// An archive of the first version, as every archive was before sites: a command that only
// reads brings it up to date, a copy kept beside it.
TEST_F(ArchiveCliTest, AnArchiveOfTheFirstVersionIsBroughtUpToDate) {
    ASSERT_EQ(Import(QStringLiteral("kelmor-v6.Rn"), QStringLiteral("SN6")).exitCode, 0);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "first");
        db.setDatabaseName(db_);
        ASSERT_TRUE(db.open());
        for (const char* statement :
             {"DROP TABLE calibrations", "DROP TABLE deployments", "DROP TABLE site_places",
              "DROP TABLE sites", "PRAGMA user_version = 1"}) {
            ASSERT_TRUE(QSqlQuery(db).exec(QLatin1String(statement))) << statement;
        }
    }
    QSqlDatabase::removeDatabase("first");
    const CliRun run = Archive({QStringLiteral("runs")});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out.count('\n'), 5);
    EXPECT_TRUE(QFile::exists(db_ + QStringLiteral(".v1.bak")));
    EXPECT_EQ(Archive({QStringLiteral("sites")}).exitCode, 0);
}

TEST_F(ArchiveCliTest, AnImageWithoutMeasurementsStoresNothingAndExits3) {
    const QString empty = folder_.filePath(QStringLiteral("empty.Rn"));
    QFile file(empty);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray image(8192, '\0');
    image[0] = '1';
    file.write(image);
    file.close();
    const CliRun run = Archive(
        {QStringLiteral("import"), empty, QStringLiteral("--instrument"), QStringLiteral("SN5")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("No measurements saved in V5!"));
    EXPECT_EQ(Archive({QStringLiteral("runs")}).out, "");

    QFile notDb(db_);
    ASSERT_TRUE(notDb.open(QIODevice::WriteOnly | QIODevice::Truncate));
    notDb.write("not a database at all, but long enough to look at its header");
    notDb.close();
    const CliRun bad = Archive({QStringLiteral("runs")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(db_.toUtf8()));
}

// A real import killed at moments from its start to its end: every time, the archive
// checks consistent and holds either what it held before or the whole import.
TEST_F(ArchiveCliTest, AnImportKilledAtAnyMomentLeavesTheArchiveBeforeOrWhole) {
    ASSERT_EQ(Import(QStringLiteral("kelmor-v6.Rn"), QStringLiteral("SN6")).exitCode, 0);
    const QByteArray before = Archive({QStringLiteral("runs")}).out;
    int whole = 0;
    int untouched = 0;
    // Delays grow by 30 % a step until one import outlasts its delay, however slow the machine.
    double delayUs = 0;
    for (int step = 0; step < 40 && whole == 0; ++step) {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.start(
            QStringLiteral(KELMOR_CLI),
            {QStringLiteral("archive"), QStringLiteral("--archive"), db_, QStringLiteral("import"),
             kSamples + "kelmor-v7.Rn", QStringLiteral("--instrument"), QStringLiteral("SN7"),
             QStringLiteral("--now"), QStringLiteral("2026-12-08T12:00:00")});
        ASSERT_TRUE(process.waitForStarted());
        QThread::usleep(static_cast<unsigned long>(delayUs));
        delayUs = delayUs == 0 ? 2000 : delayUs * 1.3;
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        process.waitForFinished();

        const CliRun check = Archive({QStringLiteral("check")});
        EXPECT_EQ(check.exitCode, 0) << step << check.out.constData() << check.err.constData();
        const QByteArray runs = Archive({QStringLiteral("runs")}).out;
        if (runs == before) {
            ++untouched;
            continue;
        }
        ++whole;
        EXPECT_EQ(runs.count('\n'), 13) << step;
        EXPECT_TRUE(runs.startsWith(before));
        EXPECT_TRUE(runs.endsWith("SN7;V7;2025-10-24T11:00;8500;\n")) << step;
    }
    EXPECT_GT(untouched, 0);
    EXPECT_EQ(whole, 1) << "no import lasted until the kill: raise the delays";
}

TEST_F(ArchiveCliTest, TwoProgramsImportingIntoOneArchiveAtOnceBothSucceed) {
    ASSERT_EQ(Import(QStringLiteral("kelmor-v5.Rn"), QStringLiteral("SN5")).exitCode, 0);
    QProcess first;
    QProcess second;
    for (auto [process, sample, serial] :
         {std::tuple{&first, "kelmor-v7.Rn", "SN7"}, std::tuple{&second, "kelmor-v6.Rn", "SN6"}}) {
        process->setProcessEnvironment(Environment());
        process->start(QStringLiteral(KELMOR_CLI),
                       {QStringLiteral("archive"), QStringLiteral("--archive"), db_,
                        QStringLiteral("import"), kSamples + QLatin1String(sample),
                        QStringLiteral("--instrument"), QLatin1String(serial)});
    }
    ASSERT_TRUE(first.waitForFinished(60000) && second.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().constData();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();
    const QByteArray runs = Archive({QStringLiteral("runs")}).out;
    EXPECT_TRUE(runs.contains("SN6;") && runs.contains("SN7;") && runs.contains("SN5;"));
    EXPECT_EQ(Archive({QStringLiteral("check")}).exitCode, 0);
}

TEST_F(ArchiveCliTest, TheReportOfASiteOrWhyNot) {
    ASSERT_EQ(kelmor::testing::BuildSurveyScenario(db_), QString());
    const QString site = kelmor::testing::SurveyScenario::Site();
    const QString pdf = folder_.filePath(QStringLiteral("maple.pdf"));
    const QString csv = folder_.filePath(QStringLiteral("maple.csv"));
    CliRun run = Archive({QStringLiteral("report"), QStringLiteral("--site"), site,
                          QStringLiteral("--reference"), QStringLiteral("epa"),
                          QStringLiteral("-o"), pdf, QStringLiteral("--csv"), csv});
    if (!KELMOR_CLI_HAS_REPORT) {
        // Built without the windows, which draw the report's charts: it says so.
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("archive report is not available")) << run.err.constData();
        EXPECT_FALSE(QFile::exists(pdf) || QFile::exists(csv));
        return;
    }
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty());
    QFile report(pdf);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(report.read(5), QByteArray("%PDF-"));
    QFile hourly(csv);
    ASSERT_TRUE(hourly.open(QIODevice::ReadOnly));
    EXPECT_EQ(hourly.readAll().count('\n'), 1 + 96 + 72 + 72);
    if (kelmor::testing::HavePoppler()) {
        const QString text = kelmor::testing::PdfText(pdf).out.simplified();
        EXPECT_TRUE(text.contains(site));
        EXPECT_TRUE(text.contains(QStringLiteral("Hours above 148 Bq/m3"))) << qPrintable(text);
    }

    // A site the archive does not hold; the usage; an output that cannot be written.
    run = Archive({QStringLiteral("report"), QStringLiteral("--site"), QStringLiteral("Oak Lane 3"),
                   QStringLiteral("-o"), pdf});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("\"Oak Lane 3\"")) << run.err.constData();
    for (const QStringList& wrong :
         {QStringList{QStringLiteral("report"), QStringLiteral("-o"), pdf},
          {QStringLiteral("report"), QStringLiteral("--site"), site},
          {QStringLiteral("report"), QStringLiteral("--site"), site, QStringLiteral("-o"), pdf,
           QStringLiteral("--reference"), QStringLiteral("0")}}) {
        run = Archive(wrong);
        EXPECT_EQ(run.exitCode, 1) << qPrintable(wrong.join(' '));
        EXPECT_TRUE(run.err.contains("kelmor-cli: ")) << run.err.constData();
    }
    run = Archive({QStringLiteral("report"), QStringLiteral("--site"), site, QStringLiteral("-o"),
                   folder_.filePath(QStringLiteral("missing/maple.pdf"))});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains("Cannot write \"maple.pdf\"")) << run.err.constData();
}

}  // namespace
