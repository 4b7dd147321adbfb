#include "cli_report.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>

#include "chart/chart_sink.h"
#include "chart/kelmor_chart.h"
#include "cli_summary.h"
#include "report/radon_report.h"
#include "summary/summary_panel.h"

namespace kelmor::cli {

namespace {

// The size of the chart in the window at its usual size: the report lays the chart out at
// its own size, with the text sizes of the screen.
constexpr QSize kChartSize(900, 500);

}  // namespace

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv) {
    // Any argument "report" will do: a file of that name only costs a slower start.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "report") == 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QApplication>(argc, argv);
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int ReportCommand(const MeasurementData& data, const QStringList& listItems, const QString& file,
                  const QCommandLineParser& parser, QTextStream& err) {
    const std::optional<SummaryScope> scope = ScopeFromOptions(data, parser, err);
    bool referenceOk = false;
    const std::optional<double> reference = ReferenceFromOptions(parser, referenceOk, err);
    if (!scope || !referenceOk) {
        return kUsage;
    }
    const QString output = parser.value(QStringLiteral("output"));
    if (output.isEmpty()) {
        err << "kelmor-cli: report needs -o OUT.pdf\n";
        return kUsage;
    }
    if (scope->range) {
        err << "kelmor-cli: report covers a whole measurement; --from and --to are for "
               "summary\n";
        return kUsage;
    }
    // Widgets abort the program without a widget application.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        err << "kelmor-cli: report needs the application of MakeCliApplication\n";
        return kUsage;
    }

    // The chart as the window shows a chosen measurement: its pulse distribution.
    KelmorChart chart;
    chart.resize(kChartSize);
    ChartSink sink(chart);
    DrawPulseDistribution(data, scope->row, OverlayChoice{}, sink);
    chart.SetReferenceLevel(reference);
    // Laid out once with its points, as the window's chart always is before it is printed:
    // a chart never laid out gives its axes the margins of their empty ranges, and the left
    // axis's title falls outside the chart.
    chart.RepaintNow();

    SummaryWorkspace workspace;
    ReportContent content;
    content.chartTitle = chart.TitleText();
    content.fileName = QFileInfo(file).fileName();
    const std::optional<Model> model = ModelFromTag(data.ModelTag());
    content.model = model ? QLatin1String(LayoutOf(*model).name) : QString();
    content.calibrationFactor = static_cast<double>(data.Header.CalibrationFactor);
    content.subject = SummarySubject(listItems.value(scope->row), *scope);
    content.summary = Summarise(data, *scope, reference, workspace);
    content.chart = &chart;
    content.made = QDateTime::currentDateTime();

    const FileWrite written = SaveReport(output, content);
    if (!written.ok) {
        err << "kelmor-cli: " << written.error << '\n';
        return kOutputFailed;
    }
    return kDone;
}

}  // namespace kelmor::cli
