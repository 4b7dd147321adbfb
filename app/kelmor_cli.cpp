// kelmor-cli: reads a ".Rn" data file without a window and prints what the window shows
// of it: the measurement list, the sample list, the text export, the pulse distribution, a
// running mean, the foot line of a time range and the summary; or writes the report. It
// writes no temporary files.
//
// Exit codes: cli_exit_codes.h.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QTextStream>
#include <memory>
#include <optional>
#include <vector>

#include "cli_archive.h"
#include "cli_pulse_lines.h"
#include "cli_report.h"
#include "cli_summary.h"
#include "data/data_file.h"
#include "data/foot_line.h"
#include "data/image_loader.h"
#include "data/pulse_distribution.h"
#include "data/running_mean.h"
#include "data/safe_file.h"
#include "data/text_export.h"
#include "standard_output.h"

namespace {

using namespace kelmor;

using namespace kelmor::cli;

// The mean line's points, each with the error bar drawn at it (none for the first point
// of a trailing window).
class MeanLines : public MeanSink {
  public:
    struct Point {
        DateTime time;
        double mean;
        std::optional<double> error;
    };

    void BeginMean() override { points.clear(); }
    void AddMean(DateTime time, double mean) override { points.push_back({time, mean, {}}); }
    void AddMeanError(DateTime, double, double error) override { points.back().error = error; }
    void AddOverlay(Overlay, DateTime, double) override {}

    std::vector<Point> points;
};

struct Options {
    QString command;
    QString file;
    Separators separators;
    DateTime now = 0;
};

int ListCommand(const DecodeOutcome& outcome) {
    for (const QString& item : outcome.listItems) {
        Out() << item << '\n';
    }
    return kDone;
}

int SamplesCommand(const MeasurementData& data, const Options& options) {
    Out() << SampleListText(data, options.separators, QLatin1String("\n"));
    return kDone;
}

int ExportCommand(const MeasurementData& data, const Options& options) {
    // The bytes Save writes, as they are.
    Out().flush();
    OutputDevice().write(ExportText(data, options.separators));
    return kDone;
}

// The list index --measurement gives, a row of MeasurementTable; none (having said why)
// when it names no entry of the list.
std::optional<int> MeasurementRow(const MeasurementData& data, const QCommandLineParser& parser) {
    bool isNumber = false;
    const int row = parser.value(QStringLiteral("measurement")).toInt(&isNumber);
    if (!isNumber || row < 0 || row > data.MeasurementCount) {
        Err() << "kelmor-cli: --measurement must be a list index from 0 to "
              << data.MeasurementCount << " (the last is \"All measurements\")\n";
        return std::nullopt;
    }
    return row;
}

int PulsesCommand(const MeasurementData& data, const QCommandLineParser& parser) {
    const std::optional<int> row = MeasurementRow(data, parser);
    if (!row) {
        return kUsage;
    }
    PulseLines lines;
    DrawPulseDistribution(data, *row, OverlayChoice(), lines);
    return kDone;
}

int MeanCommand(const MeasurementData& data, const QCommandLineParser& parser) {
    const std::optional<int> row = MeasurementRow(data, parser);
    if (!row) {
        return kUsage;
    }
    const int interval = MeanIntervalIndex(parser.value(QStringLiteral("interval")));
    if (interval < 0) {
        Err() << "kelmor-cli: --interval must be one of 2h 4h 8h 12h 24h 2d 7d Mean\n";
        return kUsage;
    }
    MeanOptions meanOptions;
    meanOptions.withErrors = parser.isSet(QStringLiteral("error"));
    MeanLines lines;
    const MeanSelection selection = DrawMeanSteppingDown(data, interval, *row, meanOptions, lines);
    if (selection.tooShort) {
        Err() << kMeanTooLongText << '\n'
              << "interval used: "
              << MeanIntervals()[static_cast<std::size_t>(selection.interval)].item << '\n';
    }
    for (const MeanLines::Point& p : lines.points) {
        Out() << FormatIsoLocal(p.time) << ';' << QString::number(p.mean, 'f', 6);
        if (meanOptions.withErrors && p.error) {
            Out() << ';' << QString::number(*p.error, 'f', 6);
        }
        Out() << '\n';
    }
    return kDone;
}

int FootCommand(const MeasurementData& data, const QCommandLineParser& parser,
                const Options& options) {
    const std::optional<DateTime> from = ParseIsoLocal(parser.value(QStringLiteral("from")));
    const std::optional<DateTime> to = ParseIsoLocal(parser.value(QStringLiteral("to")));
    if (!from || !to) {
        Err() << "kelmor-cli: foot needs --from and --to as YYYY-MM-DDTHH:MM:SS\n";
        return kUsage;
    }
    const std::optional<QString> line = FootLine(data, *from, *to, data.Header.CalibrationFactor,
                                                 QLocale::system(), options.separators);
    Out() << line.value_or(QString()) << '\n';
    return kDone;
}

std::optional<QChar> SingleCharacter(const QCommandLineParser& parser, const QString& name) {
    const QString value = parser.value(name);
    return value.size() == 1 ? std::optional<QChar>(value.front()) : std::nullopt;
}

int Run(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = cli::MakeCliApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelmor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.19"));
    if (QCoreApplication::arguments().value(1) == QLatin1String("archive")) {
        return cli::ArchiveCommand(QCoreApplication::arguments());
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads a Kelmor data file (.Rn) and prints its measurement list, sample list, text "
        "export, pulse distribution, running mean, foot line or summary, or writes its "
        "report. kelmor-cli archive --help lists the commands of the radon archive."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("list, samples, export, pulses, mean, foot, summary, report or archive"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the .Rn data file"));
    parser.addOptions({
        {QStringLiteral("date-separator"),
         QStringLiteral("Date separator (default: the locale's)."), QStringLiteral("C")},
        {QStringLiteral("time-separator"),
         QStringLiteral("Time separator (default: the locale's)."), QStringLiteral("C")},
        {QStringLiteral("now"),
         QStringLiteral("The current local time for the V7 clock check (default: the clock)."),
         QStringLiteral("YYYY-MM-DDTHH:MM:SS")},
        {QStringLiteral("measurement"),
         QStringLiteral("pulses, mean, summary, report: the list index of the measurement."),
         QStringLiteral("K")},
        {QStringLiteral("interval"), QStringLiteral("mean: 2h 4h 8h 12h 24h 2d 7d or Mean."),
         QStringLiteral("ITEM")},
        {QStringLiteral("error"), QStringLiteral("mean: also print the error of each point.")},
        {QStringLiteral("from"), QStringLiteral("foot, summary: start of the range."),
         QStringLiteral("YYYY-MM-DDTHH:MM:SS")},
        {QStringLiteral("to"), QStringLiteral("foot, summary: end of the range."),
         QStringLiteral("YYYY-MM-DDTHH:MM:SS")},
    });
    cli::AddSummaryOptions(parser);
    // Help and version go through Out() like any output, so that their failure shows too.
    if (!parser.parse(QCoreApplication::arguments())) {
        Err() << "kelmor-cli: " << parser.errorText() << '\n';
        return kUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        Out() << parser.helpText();
        return kDone;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        Out() << QCoreApplication::applicationName() << ' '
              << QCoreApplication::applicationVersion() << '\n';
        return kDone;
    }

    const QStringList args = parser.positionalArguments();
    static const QStringList kCommands = {QStringLiteral("list"),    QStringLiteral("samples"),
                                          QStringLiteral("export"),  QStringLiteral("pulses"),
                                          QStringLiteral("mean"),    QStringLiteral("foot"),
                                          QStringLiteral("summary"), QStringLiteral("report")};
    if (args.size() != 2 || !kCommands.contains(args[0])) {
        Err() << "usage: kelmor-cli list|samples|export|pulses|mean|foot|summary|report "
                 "FILE.Rn [options]; see --help\n";
        return kUsage;
    }

    Options options;
    options.command = args[0];
    options.file = args[1];
    options.separators = Separators::FromSystemLocale();
    for (const auto& [name, target] :
         {std::pair{QStringLiteral("date-separator"), &options.separators.date},
          std::pair{QStringLiteral("time-separator"), &options.separators.time}}) {
        if (parser.isSet(name)) {
            const std::optional<QChar> c = SingleCharacter(parser, name);
            if (!c) {
                Err() << "kelmor-cli: --" << name << " takes one character\n";
                return kUsage;
            }
            *target = *c;
        }
    }
    options.now = DateTimeFromQt(QDateTime::currentDateTime());
    if (parser.isSet(QStringLiteral("now"))) {
        const std::optional<DateTime> now = ParseIsoLocal(parser.value(QStringLiteral("now")));
        if (!now) {
            Err() << "kelmor-cli: --now takes YYYY-MM-DDTHH:MM:SS\n";
            return kUsage;
        }
        options.now = *now;
    }

    // The tables are large: one instance for the run, as in the window program.
    auto staging = std::make_unique<ImageBuffer>();
    const DataFileRead read = ReadDataFile(options.file, *staging);
    if (!read.ok) {
        Err() << "kelmor-cli: " << read.error << '\n';
        return kBadFile;
    }
    auto data = std::make_unique<MeasurementData>();
    const DecodeOutcome outcome = LoadImage(*data, staging->data(), read.model,
                                            DecodeContext{options.now, options.separators});
    if (!outcome.measurementsFound) {
        Err() << outcome.message << '\n';
        return kNoMeasurements;
    }

    if (options.command == QLatin1String("list")) {
        return ListCommand(outcome);
    }
    if (options.command == QLatin1String("samples")) {
        return SamplesCommand(*data, options);
    }
    if (options.command == QLatin1String("export")) {
        return ExportCommand(*data, options);
    }
    if (options.command == QLatin1String("pulses")) {
        return PulsesCommand(*data, parser);
    }
    if (options.command == QLatin1String("mean")) {
        return MeanCommand(*data, parser);
    }
    if (options.command == QLatin1String("summary")) {
        return cli::SummaryCommand(*data, outcome.listItems, parser, Out(), Err());
    }
    if (options.command == QLatin1String("report")) {
        return cli::ReportCommand(*data, outcome.listItems, options.file, parser, Err());
    }
    return FootCommand(*data, parser, options);
}

}  // namespace

int main(int argc, char** argv) {
    kelmor::IgnoreFileSizeLimitSignal();
    kelmor::HoldStandardDescriptors();
    int code = Run(argc, argv);
    kelmor::OutputDevice().Finish();
    if (!kelmor::OutputDevice().Failure().isEmpty()) {
        Err() << "kelmor-cli: cannot write output: " << kelmor::OutputDevice().Failure() << '\n';
        code = kOutputFailed;
    }
    Err().flush();
    return code;
}
