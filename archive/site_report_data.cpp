#include "archive/site_report_data.h"

#include <QMap>
#include <algorithm>
#include <memory>

#include "archive/annual_summary.h"
#include "archive/archive.h"

namespace kelmor {

std::optional<SiteReportData> GatherSiteReport(const Archive& archive, const QString& site,
                                               double referenceLevelBqm3, QString* error) {
    auto fail = [error](const QString& reason) -> std::optional<SiteReportData> {
        if (error) {
            *error = reason;
        }
        return std::nullopt;
    };
    QString reason;
    const std::optional<SiteInfo> info = archive.Site(site, &reason);
    if (!info) {
        return fail(reason);
    }
    SiteReportData report;
    report.site = *info;
    report.referenceLevelBqm3 = referenceLevelBqm3;

    QMap<QString, InstrumentInfo> instruments;
    QStringList testers;
    auto data = std::make_unique<MeasurementData>();
    SummaryWorkspace workspace;
    double highestMean = 0;
    for (const QString& place : info->places) {
        const QList<RunInfo> runs = archive.RunsOfPlace(place, &reason);
        if (!reason.isEmpty()) {
            return fail(reason);
        }
        const bool sampled = std::any_of(runs.cbegin(), runs.cend(),
                                         [](const RunInfo& run) { return run.hours > 0; });
        if (!sampled) {
            continue;
        }
        // The place's figures exactly as its view in the window shows them.
        const LoadedSamples loaded = archive.PlaceData(place, *data);
        if (!loaded.ok) {
            return fail(loaded.error);
        }
        SitePlaceFigures figures;
        figures.place = place;
        figures.summary = Summarise(*data, {0, std::nullopt}, referenceLevelBqm3, workspace);
        figures.annual = ComputeAnnualAverage(HourlyValuesOf(*data, 0));
        if (figures.summary.reference) {
            figures.shareAboveReference = figures.summary.reference->hoursAboveFraction;
        }
        for (const RunInfo& run : runs) {
            if (!instruments.contains(run.key.serial)) {
                const std::optional<InstrumentInfo> instrument =
                    archive.Instrument(run.key.serial, &reason);
                if (!instrument) {
                    return fail(reason);
                }
                instruments.insert(run.key.serial, *instrument);
            }
            PlaceInstrument entry;
            entry.run = run.key;
            entry.model = run.model;
            entry.calibrationFactor = run.calibrationFactor;
            const DateTime start = RunStartTime(run.key.startMinutes);
            entry.lastCalibration = CalibrationAt(instruments.value(run.key.serial), start);
            entry.calibrationOverdue = CalibrationOverdue(entry.lastCalibration, start);
            entry.deployment = archive.DeploymentOf(run.key, &reason);
            if (!reason.isEmpty()) {
                return fail(reason);
            }
            if (!entry.deployment.tester.isEmpty()) {
                testers << entry.deployment.tester;
            }
            figures.instruments << entry;
        }
        if (report.places.isEmpty() || figures.summary.first < report.first) {
            report.first = figures.summary.first;
        }
        if (report.places.isEmpty() || figures.summary.last > report.last) {
            report.last = figures.summary.last;
        }
        if (!report.highestPlace || figures.summary.meanBqm3 > highestMean) {
            report.highestPlace = place;
            highestMean = figures.summary.meanBqm3;
        }
        report.places << figures;
    }
    testers.sort();
    testers.removeDuplicates();
    report.testers = testers;
    report.duplicates = archive.Duplicates(site, &reason);
    if (!reason.isEmpty()) {
        return fail(reason);
    }
    return report;
}

}  // namespace kelmor
