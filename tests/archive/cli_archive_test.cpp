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

#include "archive_fixture.h"
#include "cli_run.h"
#include "image_builder.h"
#include "pdf_text.h"
#include "survey_scenario.h"
#include "test_archives.h"

namespace {

using kelmor::testing::CliEnvironment;
using kelmor::testing::CliRun;
using kelmor::testing::RunCli;

const QString kSamples = QStringLiteral(KELMOR_SOURCE_DIR "/samples/");

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

    kelmor::testing::TestArchives archives_;
    const QTemporaryDir& folder_ = archives_.Folder();
    QString db_ = archives_.NewLocation();
};

TEST_F(ArchiveCliTest, TheContractAsWritten) {
    // The help names every command on standard output; a wrong command gets the same list.
    const CliRun help = RunCli({QStringLiteral("archive"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command :
         {"  import FILE.Rn", "  runs\n", "  site-remove NAME", "  report --site NAME",
          "  copy --from DB --to DB", "--archive <DB>"}) {
        EXPECT_TRUE(help.out.contains(command)) << command;
    }
    const CliRun wrong = Archive({QStringLiteral("sights")});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains("  duplicates SITE\n")) << wrong.err.constData();
    EXPECT_TRUE(RunCli({QStringLiteral("--help")}).out.contains("kelmor-cli archive --help"));

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
    QProcessEnvironment berlin = CliEnvironment();
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
    QString error;
    ASSERT_TRUE(kelmor::testing::RawSql(
        db_,
        {QStringLiteral("DROP TABLE calibrations"), QStringLiteral("DROP TABLE deployments"),
         QStringLiteral("DROP TABLE site_places"), QStringLiteral("DROP TABLE sites"),
         kelmor::testing::StoredVersion(1)},
        &error))
        << qPrintable(error);
    const CliRun run = Archive({QStringLiteral("runs")});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out.count('\n'), 5);
    EXPECT_EQ(QFile::exists(db_ + QStringLiteral(".v1.bak")),
              !kelmor::testing::TestArchives::OnServer());
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
    if (kelmor::testing::TestArchives::OnServer()) {
        return;
    }

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
        process.setProcessEnvironment(CliEnvironment());
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
        process->setProcessEnvironment(CliEnvironment());
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

// Successive read-outs of one instrument (the run growing, then a reused entry whose first
// hours differ), each imported by two programs at the same moment: one copy of each, and
// the archive that one program importing them in turn makes.
TEST_F(ArchiveCliTest, ManyProgramsImportingReadoutsOfOneRunAtOnceGiveTheOrderlyArchive) {
    const std::vector<kelmor::testing::RawRecord> full = kelmor::testing::V7Records(50, 3);
    std::vector<kelmor::testing::RawRecord> reused = full;
    for (int k = 0; k < 5; ++k) {
        reused[static_cast<std::size_t>(k)].pulses += 100;
    }
    const std::vector<std::pair<std::vector<kelmor::testing::RawRecord>, QString>> readouts = {
        {{full.begin(), full.begin() + 30}, QStringLiteral("2026-01-06T17:00:00")},
        {full, QStringLiteral("2026-01-07T13:00:00")},
        {reused, QStringLiteral("2026-03-20T09:00:00")},
    };
    QStringList files;
    for (std::size_t i = 0; i < readouts.size(); ++i) {
        kelmor::testing::ImageBuilder builder(kelmor::Model::V7);
        builder.AddMeasurement({2026, 1, 5, 10, 30}, readouts[i].first);
        files << folder_.filePath(QStringLiteral("r%1.Rn").arg(i));
        QFile file(files.back());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(builder.Image().data()),
                   builder.Layout().imageSize);
    }
    auto import = [&](QProcess& process, const QString& location, std::size_t i) {
        process.setProcessEnvironment(CliEnvironment());
        process.start(
            QStringLiteral(KELMOR_CLI),
            {QStringLiteral("archive"), QStringLiteral("--archive"), location,
             QStringLiteral("import"), files[static_cast<int>(i)], QStringLiteral("--instrument"),
             QStringLiteral("KM7"), QStringLiteral("--now"), readouts[i].second});
    };
    // The newest read-out first, so that the others must derive the run again.
    std::vector<std::unique_ptr<QProcess>> processes;
    for (std::size_t i : {2, 1, 0, 2, 1, 0}) {
        processes.push_back(std::make_unique<QProcess>());
        import(*processes.back(), db_, i);
    }
    for (const auto& process : processes) {
        ASSERT_TRUE(process->waitForFinished(60000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().constData();
    }
    const QString orderly = archives_.NewLocation(QStringLiteral("orderly"));
    for (std::size_t i = 0; i < readouts.size(); ++i) {
        QProcess process;
        import(process, orderly, i);
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    }
    for (const QString& command : {QStringLiteral("runs"), QStringLiteral("check")}) {
        const CliRun together = Archive({command});
        EXPECT_EQ(together.exitCode, 0) << together.out.constData();
        EXPECT_EQ(
            together.out,
            RunCli({QStringLiteral("archive"), QStringLiteral("--archive"), orderly, command}).out);
    }
    EXPECT_TRUE(Archive({QStringLiteral("check")}).out.endsWith("consistent, 5 conflicts\n"));
    const QString csv = folder_.filePath(QStringLiteral("together.csv"));
    const QString orderlyCsv = folder_.filePath(QStringLiteral("orderly.csv"));
    ASSERT_EQ(Archive({QStringLiteral("export"), QStringLiteral("-o"), csv}).exitCode, 0);
    ASSERT_EQ(RunCli({QStringLiteral("archive"), QStringLiteral("--archive"), orderly,
                      QStringLiteral("export"), QStringLiteral("-o"), orderlyCsv})
                  .exitCode,
              0);
    QFile a(csv);
    QFile b(orderlyCsv);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray exported = a.readAll();
    EXPECT_EQ(exported.count('\n'), 1 + 50);
    EXPECT_EQ(exported, b.readAll());
}

// Programs assigning runs to one new place at the same moment: the place is made once and
// holds every run.
TEST_F(ArchiveCliTest, ProgramsAssigningToANewPlaceAtOnceAllSucceed) {
    ASSERT_EQ(Import(QStringLiteral("kelmor-v7.Rn"), QStringLiteral("SN7")).exitCode, 0);
    QStringList starts;
    for (const QByteArray& line : Archive({QStringLiteral("runs")}).out.trimmed().split('\n')) {
        starts << QString::fromUtf8(line.split(';').value(2));
    }
    ASSERT_EQ(starts.size(), 8);
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QString& start : starts) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->setProcessEnvironment(CliEnvironment());
        processes.back()->start(
            QStringLiteral(KELMOR_CLI),
            {QStringLiteral("archive"), QStringLiteral("--archive"), db_, QStringLiteral("assign"),
             QStringLiteral("--instrument"), QStringLiteral("SN7"), QStringLiteral("--start"),
             start, QStringLiteral("--place"), QStringLiteral("Attic")});
    }
    for (const auto& process : processes) {
        ASSERT_TRUE(process->waitForFinished(60000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().constData();
    }
    EXPECT_TRUE(Archive({QStringLiteral("places")}).out.startsWith("Attic;8;"));
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
