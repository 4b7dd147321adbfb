#include "cli_archive.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <memory>

#include "archive/annual_summary.h"
#include "archive/archive.h"
#include "archive/location.h"
#include "archive/location_setting.h"
#include "cli_exit_codes.h"
#include "cli_pulse_lines.h"
#include "cli_report.h"
#include "cli_summary.h"
#include "cli_survey.h"
#include "data/data_file.h"
#include "data/measurement_summary.h"
#include "data/safe_file.h"
#include "data/summary_text.h"
#include "standard_output.h"

namespace kelmor::cli {

namespace {

const QStringList kSubcommands = {
    QStringLiteral("import"), QStringLiteral("runs"),    QStringLiteral("assign"),
    QStringLiteral("places"), QStringLiteral("samples"), QStringLiteral("summary"),
    QStringLiteral("export"), QStringLiteral("rebuild"), QStringLiteral("check"),
    QStringLiteral("report"), QStringLiteral("copy")};

// One line per command, for the usage and the help.
const char* const kCommandLines[] = {
    "import FILE.Rn --instrument SERIAL [--now YYYY-MM-DDTHH:MM:SS]",
    "runs",
    "assign --instrument SERIAL --start YYYY-MM-DDTHH:MM --place NAME",
    "places",
    "samples --place NAME",
    "summary --place NAME [--reference L] [--json]",
    "export [--place NAME | --site NAME] -o FILE.csv",
    "rebuild",
    "check",
    "sites",
    "site NAME [--address A] [--client C] [--notes N]",
    "site-rename FROM TO",
    "site-remove NAME [--yes]",
    "place-site PLACE (SITE | --none)",
    ("deployment SERIAL YYYY-MM-DDTHH:MM [--tester T] [--placement P] [--deviations D] "
     "[--deployed T] [--retrieved T]"),
    "instruments",
    "instrument SERIAL",
    "calibration SERIAL YYYY-MM-DD [--certificate REF]",
    "calibration-remove SERIAL YYYY-MM-DD",
    "instrument-forget SERIAL [--yes]",
    "duplicates SITE",
    "report --site NAME -o FILE.pdf [--csv FILE.csv] [--reference L]",
    "copy --from DB --to DB",
};

QString UsageText() {
    QString text = QStringLiteral(
        "usage: kelmor-cli archive [--archive DB] COMMAND, where COMMAND is one of\n");
    for (const char* line : kCommandLines) {
        text += QStringLiteral("  %1\n").arg(QLatin1String(line));
    }
    return text +
           QStringLiteral("DB is a file path or postgresql://user@host:port/dbname?sslmode=...\n");
}

int Usage() {
    Err() << UsageText();
    return kUsage;
}

// A value option the command needs; says so when it is missing.
std::optional<QString> Required(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name) || parser.value(name).trimmed().isEmpty()) {
        Err() << "kelmor-cli: archive " << parser.positionalArguments().value(1) << " needs --"
              << name << '\n';
        return std::nullopt;
    }
    return parser.value(name);
}

// The archive kelmor uses: the one chosen in its window, else its file.
QString WindowArchive() {
    return ArchiveToUse(QString(),
                        LocationSetting(LocationSetting::DefaultFile(QStringLiteral("kelmor"))),
                        Archive::DefaultPath());
}

struct Opened {
    std::unique_ptr<Archive> archive;
    int exitCode = kDone;
};

Opened OpenFor(const QString& path, OpenMode mode) {
    OpenResult result = Archive::Open(path, {mode, 10000});
    if (!result.archive) {
        Err() << "kelmor-cli: " << result.error << '\n';
        return {nullptr, kBadFile};
    }
    return {std::move(result.archive), kDone};
}

int ImportCommand(const QString& path, const QString& file, const QCommandLineParser& parser) {
    const std::optional<QString> serial = Required(parser, QStringLiteral("instrument"));
    if (!serial) {
        return kUsage;
    }
    // A data file does not record when it was read out; the time it was saved stands in
    // for it (or --now): V7 measurements dated after it are left out, as on opening.
    QDateTime readOut = QFileInfo(file).lastModified();
    if (parser.isSet(QStringLiteral("now"))) {
        const std::optional<DateTime> now = ParseIsoLocal(parser.value(QStringLiteral("now")));
        if (!now) {
            Err() << "kelmor-cli: --now takes YYYY-MM-DDTHH:MM:SS\n";
            return kUsage;
        }
        readOut = DateTimeToQt(*now);
    }
    auto staging = std::make_unique<ImageBuffer>();
    const DataFileRead read = ReadDataFile(file, *staging);
    if (!read.ok) {
        Err() << "kelmor-cli: " << read.error << '\n';
        return kBadFile;
    }
    ArchiveSource source;
    source.model = read.model;
    source.image =
        QByteArray(reinterpret_cast<const char*>(staging->data()), LayoutOf(read.model).imageSize);
    source.serial = serial->trimmed();
    source.readOutAt = DateTimeFromQt(readOut);
    source.utcOffsetSeconds = readOut.offsetFromUtc();
    source.origin = QFileInfo(file).fileName();

    const Opened opened = OpenFor(path, OpenMode::CreateIfMissing);
    if (!opened.archive) {
        return opened.exitCode;
    }
    const ImportOutcome outcome = opened.archive->Import(source);
    if (outcome.noMeasurements) {
        Err() << outcome.error << '\n';
        return kNoMeasurements;
    }
    if (!outcome.ok) {
        Err() << "kelmor-cli: " << outcome.error << '\n';
        return kOutputFailed;
    }
    if (outcome.duplicate) {
        Out() << "already in the archive: nothing changed\n";
        return kDone;
    }
    Out() << "runs added: " << outcome.runsAdded.size()
          << ", runs extended: " << outcome.runsExtended.size()
          << ", hours added: " << outcome.hoursAdded << ", conflicts: " << outcome.conflictsFound
          << '\n';
    for (const auto& [key, place] : outcome.offeredPlaces) {
        Out() << "offered place for " << key.serial << ' ' << FormatRunStart(key.startMinutes)
              << ": " << place << '\n';
    }
    return kDone;
}

int RunsCommand(const Archive& archive) {
    QString error;
    const QList<RunInfo> runs = archive.Runs(&error);
    if (!error.isEmpty()) {
        Err() << "kelmor-cli: cannot read the archive: " << error << '\n';
        return kBadFile;
    }
    for (const RunInfo& run : runs) {
        Out() << run.key.serial << ';' << LayoutOf(run.model).name << ';'
              << FormatRunStart(run.key.startMinutes) << ';' << run.hours << ';' << run.place
              << '\n';
    }
    return kDone;
}

int AssignCommand(Archive& archive, const QCommandLineParser& parser) {
    const std::optional<QString> serial = Required(parser, QStringLiteral("instrument"));
    const std::optional<QString> start = Required(parser, QStringLiteral("start"));
    const std::optional<QString> place = Required(parser, QStringLiteral("place"));
    if (!serial || !start || !place) {
        return kUsage;
    }
    const std::optional<qint64> minutes = ParseRunStart(*start);
    if (!minutes) {
        Err() << "kelmor-cli: --start takes YYYY-MM-DDTHH:MM\n";
        return kUsage;
    }
    const RunKey key{*serial, *minutes};
    const QList<RunInfo> runs = archive.Runs();
    const bool known =
        std::any_of(runs.cbegin(), runs.cend(), [&](const RunInfo& run) { return run.key == key; });
    if (!known) {
        Err() << "kelmor-cli: the archive holds no run of instrument " << *serial << " starting "
              << *start << '\n';
        return kBadFile;
    }
    const ArchiveStatus status = archive.Assign(key, *place);
    if (!status.ok) {
        Err() << "kelmor-cli: " << status.error << '\n';
        return kOutputFailed;
    }
    return kDone;
}

int PlacesCommand(const Archive& archive) {
    QString error;
    const QList<PlaceInfo> places = archive.Places(&error);
    if (!error.isEmpty()) {
        Err() << "kelmor-cli: cannot read the archive: " << error << '\n';
        return kBadFile;
    }
    for (const PlaceInfo& place : places) {
        Out() << place.name << ';' << place.runs << ';' << place.hours << ';'
              << (place.hours > 0 ? QString::number(place.meanBqm3, 'f', 1) : QString()) << '\n';
    }
    return kDone;
}

// The place's samples as one measurement; none (having said why) when there is no such
// place or nothing to read.
std::unique_ptr<MeasurementData> LoadPlace(const Archive& archive, const QString& place) {
    auto data = std::make_unique<MeasurementData>();
    const LoadedSamples loaded = archive.PlaceData(place, *data);
    if (!loaded.ok) {
        Err() << "kelmor-cli: " << loaded.error << '\n';
        return nullptr;
    }
    if (loaded.cut) {
        Err() << "kelmor-cli: the place holds more samples than one view takes; the newest "
              << loaded.samples << " are used\n";
    }
    return data;
}

int SamplesCommand(const Archive& archive, const QCommandLineParser& parser) {
    const std::optional<QString> place = Required(parser, QStringLiteral("place"));
    if (!place) {
        return kUsage;
    }
    const std::unique_ptr<MeasurementData> data = LoadPlace(archive, *place);
    if (!data) {
        return kBadFile;
    }
    PulseLines lines;
    DrawPulseDistribution(*data, 0, OverlayChoice(), lines);
    return kDone;
}

int SummaryCommand(const Archive& archive, const QCommandLineParser& parser) {
    const std::optional<QString> place = Required(parser, QStringLiteral("place"));
    bool referenceOk = false;
    const std::optional<double> reference = ReferenceFromOptions(parser, referenceOk, Err());
    if (!place || !referenceOk) {
        return kUsage;
    }
    const std::unique_ptr<MeasurementData> data = LoadPlace(archive, *place);
    if (!data) {
        return kBadFile;
    }
    SummaryWorkspace workspace;
    const MeasurementSummary summary = Summarise(*data, {0, std::nullopt}, reference, workspace);
    const AnnualAverage annual = ComputeAnnualAverage(HourlyValuesOf(*data, 0));
    if (parser.isSet(QStringLiteral("json"))) {
        Out() << QString::fromUtf8(PlaceSummaryJson(summary, annual));
        return kDone;
    }
    Out() << "Summary of " << *place << '\n';
    const QLocale locale = QLocale::system();
    for (const QString& line : SummaryTextLines(summary, locale)) {
        Out() << line << '\n';
    }
    for (const QString& line : AnnualTextLines(annual, locale)) {
        Out() << line << '\n';
    }
    return kDone;
}

int ExportCommand(const Archive& archive, const QCommandLineParser& parser) {
    const std::optional<QString> output = Required(parser, QStringLiteral("output"));
    if (!output) {
        return kUsage;
    }
    const bool bySite = parser.isSet(QStringLiteral("site"));
    if (bySite && parser.isSet(QStringLiteral("place"))) {
        Err() << "kelmor-cli: archive export takes --place or --site, not both\n";
        return kUsage;
    }
    const QString site = parser.value(QStringLiteral("site"));
    if (bySite && !archive.Site(site)) {
        Err() << "kelmor-cli: There is no site \"" << site << "\" in the archive.\n";
        return kBadFile;
    }
    std::optional<QString> place;
    if (parser.isSet(QStringLiteral("place"))) {
        place = parser.value(QStringLiteral("place"));
        if (!archive.HasPlace(*place)) {
            Err() << "kelmor-cli: There is no place \"" << *place << "\" in the archive.\n";
            return kBadFile;
        }
    }
    SafeFile file(*output);
    if (!file.open(QIODevice::WriteOnly)) {
        Err() << "kelmor-cli: " << file.ErrorMessage() << '\n';
        return kOutputFailed;
    }
    const ArchiveStatus status =
        bySite ? archive.ExportSiteCsv(site, file) : archive.ExportCsv(place, file);
    if (!status.ok) {
        file.CancelWriting(status.error);
    }
    if (!file.Commit()) {
        Err() << "kelmor-cli: " << file.ErrorMessage() << '\n';
        return kOutputFailed;
    }
    return kDone;
}

int RebuildCommand(Archive& archive) {
    const ArchiveStatus status = archive.Rebuild();
    if (!status.ok) {
        Err() << "kelmor-cli: " << status.error << '\n';
        return kOutputFailed;
    }
    const QList<RunInfo> runs = archive.Runs();
    int hours = 0;
    for (const RunInfo& run : runs) {
        hours += run.hours;
    }
    Out() << "runs: " << runs.size() << ", hours: " << hours
          << ", conflicts: " << archive.Conflicts().size() << '\n';
    return kDone;
}

// Copies a whole archive, sources included, into a new file or an empty database. A file
// made for the copy is removed again when the copy fails.
int CopyCommand(const QCommandLineParser& parser) {
    const std::optional<QString> from = Required(parser, QStringLiteral("from"));
    const std::optional<QString> to = Required(parser, QStringLiteral("to"));
    if (!from || !to) {
        return kUsage;
    }
    const Opened source = OpenFor(*from, OpenMode::ReadOnly);
    if (!source.archive) {
        return source.exitCode;
    }
    const bool madeFile = !IsServerLocation(*to) && !QFileInfo::exists(*to);
    Opened target = OpenFor(*to, OpenMode::CreateIfMissing);
    if (!target.archive) {
        return target.exitCode;
    }
    const ArchiveStatus status = source.archive->CopyTo(*target.archive);
    if (!status.ok) {
        target.archive.reset();
        if (madeFile) {
            for (const char* suffix : {"", "-wal", "-shm"}) {
                QFile::remove(*to + QLatin1String(suffix));
            }
        }
        Err() << "kelmor-cli: " << status.error << '\n';
        return kOutputFailed;
    }
    const QList<RunInfo> runs = target.archive->Runs();
    int hours = 0;
    for (const RunInfo& run : runs) {
        hours += run.hours;
    }
    Out() << "copied to " << target.archive->Path() << ": runs: " << runs.size()
          << ", hours: " << hours << '\n';
    return kDone;
}

int CheckCommand(const Archive& archive) {
    const CheckReport report = archive.Check();
    for (const QString& problem : report.problems) {
        Out() << "problem: " << problem << '\n';
    }
    for (const ConflictInfo& c : report.conflicts) {
        Out() << "conflict;" << c.key.serial << ';' << FormatRunStart(c.key.startMinutes) << ';'
              << FormatIsoLocal(c.time) << ";kept " << c.keptPulses << " pulses from "
              << c.keptOrigin << ";" << c.otherOrigin << " gives " << c.otherPulses << " pulses\n";
    }
    Out() << (report.consistent ? "consistent" : "not consistent") << ", "
          << report.conflicts.size() << " conflicts\n";
    return report.consistent ? kDone : kInconsistent;
}

}  // namespace

int ArchiveCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("archive"), QStringLiteral("archive"));
    parser.addPositionalArgument(QStringLiteral("command"), kSubcommands.join(QLatin1Char(' ')));
    parser.addOptions({
        {QStringLiteral("archive"),
         QStringLiteral("The archive: a file or postgresql://user@host:port/dbname (default: "
                        "the window's, %1).")
             .arg(WindowArchive()),
         QStringLiteral("DB")},
        {QStringLiteral("instrument"), QStringLiteral("The instrument's serial number."),
         QStringLiteral("SERIAL")},
        {QStringLiteral("start"), QStringLiteral("The run's start."),
         QStringLiteral("YYYY-MM-DDTHH:MM")},
        {QStringLiteral("place"), QStringLiteral("The place."), QStringLiteral("NAME")},
        {QStringLiteral("site"), QStringLiteral("export, report: the site."),
         QStringLiteral("NAME")},
        {QStringLiteral("now"), QStringLiteral("import: the time of the read-out."),
         QStringLiteral("YYYY-MM-DDTHH:MM:SS")},
        {QStringLiteral("from"), QStringLiteral("copy: the archive to copy."),
         QStringLiteral("DB")},
        {QStringLiteral("to"), QStringLiteral("copy: a new file or an empty database."),
         QStringLiteral("DB")},
        {QStringLiteral("csv"),
         QStringLiteral("report: the site's hourly data, written beside it."),
         QStringLiteral("FILE.csv")},
    });
    const QCommandLineOption help = parser.addHelpOption();
    AddSummaryOptions(parser);
    AddSurveyOptions(parser);
    if (!parser.parse(arguments)) {
        Err() << "kelmor-cli: " << parser.errorText() << '\n';
        return kUsage;
    }
    if (parser.isSet(help)) {
        // Qt's help without its own usage line and argument list: the lines above say both.
        const QString options = parser.helpText().section(QLatin1Char('\n'), 1);
        Out() << UsageText() << options.left(options.indexOf(QLatin1String("Arguments:")));
        return kDone;
    }
    const QStringList args = parser.positionalArguments();
    const QString command = args.value(1);
    const int expected = command == QLatin1String("import") ? 3 : 2;
    const bool survey = IsSurveyCommand(command);
    if (!survey && (!kSubcommands.contains(command) || args.size() != expected)) {
        return Usage();
    }
    const QString path = parser.isSet(QStringLiteral("archive"))
                             ? parser.value(QStringLiteral("archive"))
                             : WindowArchive();
    if (command == QLatin1String("import")) {
        return ImportCommand(path, args[2], parser);
    }
    if (command == QLatin1String("copy")) {
        return CopyCommand(parser);
    }
    // Opened for writing even to read, so that an archive of an older version is brought up
    // to date (a copy kept) rather than refused; a file that may not be written is still
    // opened read-only.
    Opened opened = OpenFor(path, OpenMode::ReadWrite);
    if (!opened.archive) {
        return opened.exitCode;
    }
    Archive& archive = *opened.archive;
    if (survey) {
        return SurveyCommand(archive, args, parser);
    }
    if (command == QLatin1String("runs")) {
        return RunsCommand(archive);
    }
    if (command == QLatin1String("assign")) {
        return AssignCommand(archive, parser);
    }
    if (command == QLatin1String("places")) {
        return PlacesCommand(archive);
    }
    if (command == QLatin1String("samples")) {
        return SamplesCommand(archive, parser);
    }
    if (command == QLatin1String("summary")) {
        return SummaryCommand(archive, parser);
    }
    if (command == QLatin1String("export")) {
        return ExportCommand(archive, parser);
    }
    if (command == QLatin1String("rebuild")) {
        return RebuildCommand(archive);
    }
    if (command == QLatin1String("report")) {
        return SiteReportCommand(archive, parser, Err());
    }
    return CheckCommand(archive);
}

}  // namespace kelmor::cli
