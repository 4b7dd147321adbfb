#include "cli_summary.h"

#include <QLocale>

#include "data/reference_level.h"
#include "data/summary_json.h"
#include "data/summary_text.h"

namespace kelmor::cli {

void AddSummaryOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("reference"),
         QStringLiteral("summary, report: compare with a reference level in Bq/m3, or who "
                        "(100), epa (148) or eu (300)."),
         QStringLiteral("BQ")},
        {QStringLiteral("json"), QStringLiteral("summary: print one JSON object.")},
        {{QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral("report: the PDF file to write."),
         QStringLiteral("OUT.pdf")},
    });
}

std::optional<SummaryScope> ScopeFromOptions(const MeasurementData& data,
                                             const QCommandLineParser& parser, QTextStream& err) {
    SummaryScope scope;
    scope.row = data.MeasurementCount;
    if (parser.isSet(QStringLiteral("measurement"))) {
        bool isNumber = false;
        scope.row = parser.value(QStringLiteral("measurement")).toInt(&isNumber);
        if (!isNumber || scope.row < 0 || scope.row > data.MeasurementCount) {
            err << "kelmor-cli: --measurement must be a list index from 0 to "
                << data.MeasurementCount << " (the last is \"All measurements\")\n";
            return std::nullopt;
        }
    }
    const bool from = parser.isSet(QStringLiteral("from"));
    const bool to = parser.isSet(QStringLiteral("to"));
    if (from || to) {
        const std::optional<DateTime> start = ParseIsoLocal(parser.value(QStringLiteral("from")));
        const std::optional<DateTime> end = ParseIsoLocal(parser.value(QStringLiteral("to")));
        if (!start || !end) {
            err << "kelmor-cli: a range needs both --from and --to as YYYY-MM-DDTHH:MM:SS\n";
            return std::nullopt;
        }
        if (*end < *start) {
            err << "kelmor-cli: --to lies before --from\n";
            return std::nullopt;
        }
        scope.range = TimeRange{*start, *end};
    }
    return scope;
}

std::optional<double> ReferenceFromOptions(const QCommandLineParser& parser, bool& ok,
                                           QTextStream& err) {
    ok = true;
    if (!parser.isSet(QStringLiteral("reference"))) {
        return std::nullopt;
    }
    const std::optional<double> level =
        ParseReferenceLevel(parser.value(QStringLiteral("reference")));
    if (!level) {
        err << "kelmor-cli: --reference takes who, epa, eu or a level from "
            << kLowestReferenceLevel << " to " << kHighestReferenceLevel << " Bq/m3\n";
        ok = false;
    }
    return level;
}

int SummaryCommand(const MeasurementData& data, const QStringList& listItems,
                   const QCommandLineParser& parser, QTextStream& out, QTextStream& err) {
    const std::optional<SummaryScope> scope = ScopeFromOptions(data, parser, err);
    bool referenceOk = false;
    const std::optional<double> reference = ReferenceFromOptions(parser, referenceOk, err);
    if (!scope || !referenceOk) {
        return kUsage;
    }
    SummaryWorkspace workspace;
    const MeasurementSummary summary = Summarise(data, *scope, reference, workspace);
    if (parser.isSet(QStringLiteral("json"))) {
        out << QString::fromUtf8(SummaryJson(summary));
        return kDone;
    }
    out << "Summary of " << listItems.value(scope->row) << '\n';
    if (scope->range) {
        out << "Range: " << FormatSummaryTime(scope->range->from) << " to "
            << FormatSummaryTime(scope->range->to) << '\n';
    }
    for (const QString& line : SummaryTextLines(summary, QLocale::system())) {
        out << line << '\n';
    }
    return kDone;
}

}  // namespace kelmor::cli
