#include <QApplication>
#include <QDateTime>

#include "archive/archive.h"
#include "cli_report.h"
#include "cli_summary.h"
#include "report/site_report.h"

namespace kelmor::cli {

int SiteReportCommand(const Archive& archive, const QCommandLineParser& parser, QTextStream& err) {
    bool referenceOk = false;
    const std::optional<double> reference = ReferenceFromOptions(parser, referenceOk, err);
    if (!referenceOk) {
        return kUsage;
    }
    const QString site = parser.value(QStringLiteral("site"));
    const QString output = parser.value(QStringLiteral("output"));
    if (site.trimmed().isEmpty() || output.isEmpty()) {
        err << "kelmor-cli: archive report needs --site NAME and -o FILE.pdf\n";
        return kUsage;
    }
    // Widgets abort the program without a widget application.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        err << "kelmor-cli: report needs the application of MakeCliApplication\n";
        return kUsage;
    }
    QString error;
    if (!archive.Site(site, &error)) {
        err << "kelmor-cli: " << error << '\n';
        return kBadFile;
    }

    SiteReportRequest request;
    request.site = site;
    request.pdfPath = output;
    request.csvPath = parser.value(QStringLiteral("csv"));
    request.referenceLevelBqm3 = reference.value_or(0);
    request.made = QDateTime::currentDateTime();
    const FileWrite written = SaveSiteReport(archive, request);
    if (!written.ok) {
        err << "kelmor-cli: " << written.error << '\n';
        return kOutputFailed;
    }
    return kDone;
}

}  // namespace kelmor::cli
