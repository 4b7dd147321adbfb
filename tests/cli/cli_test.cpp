// Runs kelmor-cli as a user would: reference outputs for the sample files, and every kind
// of file that is not a data file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#include "pdf_text.h"

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// `prepare` may redirect the process's output or change what the child starts with.
CliRun RunCli(const QStringList& args, const std::function<void(QProcess&)>& prepare = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB.UTF-8"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QStringLiteral(KELMOR_SOURCE_DIR));
    if (prepare) {
        prepare(process);
    }
    process.start(QStringLiteral(KELMOR_CLI), args);
    EXPECT_TRUE(process.waitForFinished(30000)) << "kelmor-cli did not end";
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// Every command with what it needs, and the texts that are not commands.
const QList<QStringList> kEveryCommand = {
    {"list", "samples/kelmor-v7.Rn"},
    {"samples", "samples/kelmor-v7.Rn"},
    {"export", "samples/kelmor-v7.Rn"},
    {"pulses", "samples/kelmor-v7.Rn", "--measurement", "3"},
    {"mean", "samples/kelmor-v7.Rn", "--measurement", "3", "--interval", "24h", "--error"},
    {"foot", "samples/kelmor-v7.Rn", "--from", "2024-05-02T15:00:00", "--to",
     "2024-05-09T15:00:00"},
    {"summary", "samples/kelmor-v7.Rn", "--json"},
    {"--help"},
    {"--version"},
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Cli, OutputsMatchTheReferenceFiles) {
    const QString dir = QStringLiteral(KELMOR_SOURCE_DIR "/tests/cli/");
    const QList<QByteArray> lines = ReadFile(dir + "cases.txt").split('\n');
    int cases = 0;
    for (const QByteArray& line : lines) {
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const int colon = line.indexOf(':');
        const QString name = QString::fromUtf8(line.left(colon));
        QStringList args = QString::fromUtf8(line.mid(colon + 1)).split(' ', Qt::SkipEmptyParts);
        args << QStringLiteral("--date-separator") << QStringLiteral("/")
             << QStringLiteral("--time-separator") << QStringLiteral(":") << QStringLiteral("--now")
             << QStringLiteral("2026-12-08T12:00:00");
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0) << qPrintable(name) << ": " << run.err.constData();
        const QByteArray expected = ReadFile(dir + "reference/" + name + ".txt");
        ASSERT_FALSE(expected.isEmpty()) << qPrintable(name);
        EXPECT_TRUE(run.out == expected) << qPrintable(name) << " differs from its reference";
        ++cases;
    }
    EXPECT_GE(cases, 20);
}

TEST(Cli, ExportWritesCrlfLinesAndTheV7Header) {
    const CliRun run = RunCli({QStringLiteral("export"), QStringLiteral("samples/kelmor-v7.Rn")});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Time; Bqm3; Error; Temperature; Humidity%; Presssure\r\n"));
    EXPECT_EQ(run.out.count("\r\n"), run.out.count('\n'));
}

TEST(Cli, FilesThatAreNotDataFilesGiveOneLineAndExitCode2) {
    QTemporaryDir dir;
    auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return dir.filePath(name);
    };
    const QStringList files = {
        dir.filePath(QStringLiteral("missing.Rn")),
        write(QStringLiteral("empty.Rn"), {}),
        write(QStringLiteral("one.Rn"), QByteArray("1")),
        write(QStringLiteral("tag.Rn"), QByteArray(131071, 'A')),
        write(QStringLiteral("v5short.Rn"), QByteArray(8191, '1')),
        write(QStringLiteral("v6short.Rn"), QByteArray(32767, '2')),
        write(QStringLiteral("v7short.Rn"), QByteArray(131070, '3')),
        dir.path(),
    };
    for (const QString& file : files) {
        for (const QString& command : {QStringLiteral("list"), QStringLiteral("export")}) {
            const CliRun run = RunCli({command, file});
            EXPECT_EQ(run.exitCode, 2) << qPrintable(file);
            EXPECT_TRUE(run.out.isEmpty()) << qPrintable(file);
            EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
            EXPECT_TRUE(run.err.startsWith("kelmor-cli: ")) << run.err.constData();
        }
    }
}

TEST(Cli, AnImageWithoutMeasurementsExitsWith3) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("blank.Rn")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("2") + QByteArray(32767, '\0'));
    file.close();
    const CliRun run = RunCli({QStringLiteral("list"), file.fileName()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, QByteArray("No measurements saved in V5! \n"));
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(Cli, MeanReportsTheStepDownOnStandardError) {
    // The V5 sample's first measurement has 168 samples: "7d" is too long and "2d" is used.
    const CliRun run = RunCli({QStringLiteral("mean"), QStringLiteral("samples/kelmor-v5.Rn"),
                               QStringLiteral("--measurement"), QStringLiteral("0"),
                               QStringLiteral("--interval"), QStringLiteral("7d")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, QByteArray("Mean intervall > number of measurements\ninterval used: 2d\n"));
    EXPECT_EQ(run.out.count('\n'), 168 - 48 + 1);
}

TEST(Cli, WrongUsageExitsWith1) {
    EXPECT_EQ(RunCli({}).exitCode, 1);
    EXPECT_EQ(RunCli({QStringLiteral("draw"), QStringLiteral("samples/kelmor-v5.Rn")}).exitCode, 1);
    EXPECT_EQ(RunCli({QStringLiteral("mean"), QStringLiteral("samples/kelmor-v5.Rn"),
                      QStringLiteral("--measurement"), QStringLiteral("9"),
                      QStringLiteral("--interval"), QStringLiteral("2h")})
                  .exitCode,
              1);
    EXPECT_EQ(RunCli({QStringLiteral("list"), QStringLiteral("samples/kelmor-v5.Rn"),
                      QStringLiteral("--date-separator"), QStringLiteral("ab")})
                  .exitCode,
              1);
}

TEST(Cli, SeparatorsComeFromTheOptions) {
    const CliRun run = RunCli({QStringLiteral("samples"), QStringLiteral("samples/kelmor-v5.Rn"),
                               QStringLiteral("--date-separator"), QStringLiteral("-")});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("03-10 19.00; ")) << run.out.left(40).constData();
}

TEST(Cli, OutputThatCannotBeWrittenGivesOneLineAndExitCode4) {
    for (const QStringList& args : kEveryCommand) {
        const CliRun full =
            RunCli(args, [](QProcess& p) { p.setStandardOutputFile(QStringLiteral("/dev/full")); });
        EXPECT_EQ(full.exitCode, 4) << qPrintable(args.join(' '));
        EXPECT_EQ(full.err,
                  QByteArray("kelmor-cli: cannot write output: No space left on device\n"));

        const CliRun closed = RunCli(
            args, [](QProcess& p) { p.setChildProcessModifier([] { ::close(STDOUT_FILENO); }); });
        EXPECT_EQ(closed.exitCode, 4) << qPrintable(args.join(' '));
        EXPECT_EQ(closed.err, QByteArray("kelmor-cli: cannot write output: Bad file descriptor\n"));
    }
}

TEST(Cli, AFileSizeLimitIsAWriteErrorAndDoesNotEndTheProgram) {
    QTemporaryDir dir;
    const CliRun run = RunCli({"samples", "samples/kelmor-v7.Rn"}, [&dir](QProcess& p) {
        p.setStandardOutputFile(dir.filePath(QStringLiteral("samples.txt")));
        p.setChildProcessModifier([] {
            const rlimit limit{65536, 65536};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    });
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err, QByteArray("kelmor-cli: cannot write output: File too large\n"));
}

TEST(Cli, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.Rn"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, dir.path(), QStringLiteral("/dev/zero")}) {
        for (const QString& command : {QStringLiteral("list"), QStringLiteral("export")}) {
            const CliRun run = RunCli({command, path});
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_EQ(run.err, QStringLiteral("kelmor-cli: \"%1\" is not a regular file.\n")
                                   .arg(QFileInfo(path).fileName())
                                   .toUtf8());
        }
    }
}

// A sample's time is often one step of double precision away from its hour.
TEST(Cli, TheFootLineIncludesASampleExactlyOnBothEnds) {
    const CliRun run = RunCli({"foot", "samples/kelmor-v7.Rn", "--from", "2024-05-02T16:00:00",
                               "--to", "2024-05-02T16:00:00"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.endsWith(" Radonlevel :100\u00B125\n")) << run.out.constData();
}

TEST(Cli, SummaryJsonIsOneObjectOfAllMeasurementsByDefault) {
    const CliRun all = RunCli({QStringLiteral("summary"), QStringLiteral("samples/kelmor-v6.Rn"),
                               QStringLiteral("--json")});
    ASSERT_EQ(all.exitCode, 0) << all.err.constData();
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(all.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    for (const char* key :
         {"first", "last", "samples", "missing_hours", "mean_bq_m3", "error_bq_m3", "mean_pci_l",
          "max_bq_m3", "max_time", "median_bq_m3", "max_24h_mean_bq_m3", "hourly_profile_bq_m3"}) {
        EXPECT_TRUE(json.contains(QLatin1String(key))) << key;
    }
    EXPECT_FALSE(json.contains(QStringLiteral("reference_bq_m3")));
    // "All measurements" is the last list row: the same figures as asking for it.
    const CliRun last =
        RunCli({QStringLiteral("summary"), QStringLiteral("samples/kelmor-v6.Rn"),
                QStringLiteral("--json"), QStringLiteral("--measurement"), QStringLiteral("5")});
    EXPECT_EQ(last.out, all.out);
}

TEST(Cli, SummaryAndReportRefuseWrongOptions) {
    const QString v5 = QStringLiteral("samples/kelmor-v5.Rn");
    const QList<QStringList> wrong = {
        {QStringLiteral("summary"), v5, QStringLiteral("--from"),
         QStringLiteral("2025-10-04T00:00:00")},
        {QStringLiteral("summary"), v5, QStringLiteral("--from"),
         QStringLiteral("2025-10-05T00:00:00"), QStringLiteral("--to"),
         QStringLiteral("2025-10-04T00:00:00")},
        {QStringLiteral("summary"), v5, QStringLiteral("--reference"), QStringLiteral("0")},
        {QStringLiteral("summary"), v5, QStringLiteral("--measurement"), QStringLiteral("5")},
        {QStringLiteral("report"), v5},
        {QStringLiteral("report"), v5, QStringLiteral("-o"), QStringLiteral("r.pdf"),
         QStringLiteral("--from"), QStringLiteral("2025-10-04T00:00:00"), QStringLiteral("--to"),
         QStringLiteral("2025-10-05T00:00:00")},
    };
    for (const QStringList& args : wrong) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 1) << qPrintable(args.join(' '));
        EXPECT_TRUE(run.err.contains("kelmor-cli: ")) << run.err.constData();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral(KELMOR_SOURCE_DIR "/r.pdf")));
}

TEST(Cli, ReportWritesTwoPagesOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("cellar.pdf"));
    const CliRun run =
        RunCli({QStringLiteral("report"), QStringLiteral("samples/kelmor-v7.Rn"),
                QStringLiteral("--measurement"), QStringLiteral("3"), QStringLiteral("--reference"),
                QStringLiteral("eu"), QStringLiteral("-o"), pdf});
    if (!KELMOR_CLI_HAS_REPORT) {
        // Built without the windows, which draw the report's chart: it says so.
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("report is not available")) << run.err.constData();
        EXPECT_FALSE(QFile::exists(pdf));
        return;
    }
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(5), QByteArray("%PDF-"));

    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(30000));
        const QByteArray out = text.readAllStandardOutput();
        EXPECT_EQ(out.count('\f'), 2);  // one form feed after each page
        EXPECT_TRUE(out.contains("File: kelmor-v7.Rn"));
        EXPECT_TRUE(out.contains("Summary of: 15/07 08.00 TO 13/09 08.xx"));
        EXPECT_TRUE(out.contains("Reference level 300 Bq/m3"));
        // The chart's axis title, drawn upright, inside the page's margin of 15 mm.
        const QList<QRectF> titles = kelmor::testing::WordBoxes(pdf, 1, QStringLiteral("Bq/m3"));
        const auto upright = std::find_if(titles.cbegin(), titles.cend(), [](const QRectF& box) {
            return box.height() > box.width();
        });
        ASSERT_NE(upright, titles.cend());
        EXPECT_GT(upright->left(), 42);
    }

    const CliRun failed =
        RunCli({QStringLiteral("report"), QStringLiteral("samples/kelmor-v7.Rn"),
                QStringLiteral("-o"), dir.filePath(QStringLiteral("missing/cellar.pdf"))});
    EXPECT_EQ(failed.exitCode, 4);
    EXPECT_TRUE(failed.err.contains("kelmor-cli: Cannot write \"cellar.pdf\""))
        << failed.err.constData();
}

}  // namespace
