#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <memory>

#include "data/measurement_data.h"

// kelmor-cli report FILE [--measurement K] [--reference BQ] -o OUT.pdf: the report that
// "Save report..." writes, made without a window, of a whole measurement (by default "All
// measurements") with the chart as the window first shows it. It draws with the window's chart, so
// it needs the window libraries; a kelmor-cli built without them says so. So does
// kelmor-cli archive report --site NAME -o FILE.pdf [--csv FILE.csv] [--reference BQ], the
// report of a surveyed site with a chart of each of its places.

namespace kelmor {
class Archive;
}

namespace kelmor::cli {

// The application object of a run: a widget application on the offscreen platform when
// the report is asked for, a plain one otherwise, so that the other commands start without
// loading any graphics.
std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv);

// Returns the exit code.
int ReportCommand(const MeasurementData& data, const QStringList& listItems, const QString& file,
                  const QCommandLineParser& parser, QTextStream& err);

// The site's report (and its hourly data with --csv). A site the archive does not hold
// exits kBadFile naming it. Returns the exit code.
int SiteReportCommand(const Archive& archive, const QCommandLineParser& parser, QTextStream& err);

}  // namespace kelmor::cli
