// kelmor-cli built without the window libraries (KELMOR_BUILD_UI=OFF): every command but
// the reports.
#include "cli_report.h"
#include "cli_summary.h"

namespace kelmor::cli {

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv) {
    return std::make_unique<QCoreApplication>(argc, argv);
}

int ReportCommand(const MeasurementData&, const QStringList&, const QString&,
                  const QCommandLineParser&, QTextStream& err) {
    err << "kelmor-cli: report is not available: this kelmor-cli was built without the "
           "window libraries (KELMOR_BUILD_UI=OFF)\n";
    return kUsage;
}

int SiteReportCommand(const Archive&, const QCommandLineParser&, QTextStream& err) {
    err << "kelmor-cli: archive report is not available: this kelmor-cli was built without "
           "the window libraries (KELMOR_BUILD_UI=OFF)\n";
    return kUsage;
}

}  // namespace kelmor::cli
