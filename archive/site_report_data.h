#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "archive/annual_average.h"
#include "archive/survey.h"
#include "data/measurement_summary.h"

namespace kelmor {

class Archive;

// One instrument's share in a place: what the client's report names for it.
struct PlaceInstrument {
    RunKey run;
    Model model = Model::V7;
    Extended calibrationFactor = 0;
    std::optional<QDate> lastCalibration;
    bool calibrationOverdue = false;  // CalibrationOverdue for this run
    Deployment deployment;
};

// One row of the site report's table of places. Places are never averaged together.
struct SitePlaceFigures {
    QString place;
    MeasurementSummary summary;  // of every hour of the place's runs, as the place's view
    AnnualAverage annual;
    double shareAboveReference = 0;  // of the measured hours, 0..1
    QList<PlaceInstrument> instruments;
};

struct SiteReportData {
    SiteInfo site;
    double referenceLevelBqm3 = 0;
    QStringList testers;  // the deployments' testers, sorted, each once
    DateTime first = 0;   // the site's first and last sample
    DateTime last = 0;
    QList<SitePlaceFigures> places;       // by name; places without samples are left out
    std::optional<QString> highestPlace;  // the place with the highest mean
    SiteDuplicates duplicates;
};

// Gathers what the site report shows; none, with `error` naming the site, when the site
// does not exist or the archive could not be read.
std::optional<SiteReportData> GatherSiteReport(const Archive& archive, const QString& site,
                                               double referenceLevelBqm3, QString* error);

}  // namespace kelmor
