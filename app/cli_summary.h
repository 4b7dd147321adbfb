#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>
#include <optional>

#include "cli_exit_codes.h"
#include "data/measurement_data.h"
#include "data/measurement_summary.h"

// kelmor-cli summary FILE [--measurement K] [--from T --to T] [--reference BQ] [--json]:
// the radon assessment of a measurement (by default "All measurements"), or of its samples
// in a time range, as text lines or one JSON object.

namespace kelmor::cli {

// --reference, --json and --output, added to kelmor-cli's options.
void AddSummaryOptions(QCommandLineParser& parser);

// What --measurement, --from and --to choose: the row (the list's last row, "All
// measurements", when not given) and the range. Writes the usage error and returns none
// when an option is wrong.
std::optional<SummaryScope> ScopeFromOptions(const MeasurementData& data,
                                             const QCommandLineParser& parser, QTextStream& err);

// The reference level of --reference (Bq/m3 or who, epa, eu), none when not given. Writes
// the usage error and sets `ok` false when the value is wrong.
std::optional<double> ReferenceFromOptions(const QCommandLineParser& parser, bool& ok,
                                           QTextStream& err);

// `listItems` are the measurement list's items, "All measurements" last. Returns the exit
// code.
int SummaryCommand(const MeasurementData& data, const QStringList& listItems,
                   const QCommandLineParser& parser, QTextStream& out, QTextStream& err);

}  // namespace kelmor::cli
