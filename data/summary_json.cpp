#include "summary_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include "radon_units.h"
#include "summary_text.h"

namespace kelmor {

namespace {

QJsonValue OrNull(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue Climate(const std::optional<ClimateFigures>& figures) {
    if (!figures) {
        return QJsonValue(QJsonValue::Null);
    }
    return QJsonObject{{QStringLiteral("mean"), figures->mean},
                       {QStringLiteral("lowest"), figures->lowest},
                       {QStringLiteral("highest"), figures->highest}};
}

QString VerdictText(ReferenceVerdict verdict) {
    switch (verdict) {
        case ReferenceVerdict::Above:
            return QStringLiteral("above");
        case ReferenceVerdict::Close:
            return QStringLiteral("close");
        case ReferenceVerdict::Below:
            break;
    }
    return QStringLiteral("below");
}

}  // namespace

QByteArray SummaryJson(const MeasurementSummary& s) {
    const QJsonValue null(QJsonValue::Null);
    QJsonObject json;
    json[QStringLiteral("samples")] = s.samples;
    QJsonArray profile;
    for (const std::optional<double>& mean : s.hourlyProfileBqm3) {
        profile.append(OrNull(mean));
    }
    json[QStringLiteral("hourly_profile_bq_m3")] = profile;

    const bool any = s.samples > 0;
    const auto figure = [any, &null](double value) { return any ? QJsonValue(value) : null; };
    const auto time = [any, &null](DateTime value) {
        return any ? QJsonValue(FormatIsoLocal(value)) : null;
    };
    json[QStringLiteral("first")] = time(s.first);
    json[QStringLiteral("last")] = time(s.last);
    json[QStringLiteral("duration_hours")] = figure(s.durationHours);
    json[QStringLiteral("measured_hours")] = figure(s.measuredHours);
    json[QStringLiteral("missing_hours")] = figure(s.missingHours);
    json[QStringLiteral("term")] = any ? QJsonValue(TermText(s.term)) : null;
    json[QStringLiteral("pulses")] = figure(s.totalPulses);
    json[QStringLiteral("mean_bq_m3")] = figure(s.meanBqm3);
    json[QStringLiteral("error_bq_m3")] = OrNull(s.errorBqm3);
    json[QStringLiteral("interval_95_bq_m3")] =
        any && s.errorBqm3 ? QJsonValue(QJsonArray{s.low95Bqm3, s.high95Bqm3}) : null;
    json[QStringLiteral("mean_pci_l")] = figure(PciPerLitre(s.meanBqm3));
    json[QStringLiteral("error_pci_l")] =
        s.errorBqm3 ? QJsonValue(PciPerLitre(*s.errorBqm3)) : null;
    json[QStringLiteral("max_bq_m3")] = figure(s.maxBqm3);
    json[QStringLiteral("max_time")] = time(s.maxTime);
    json[QStringLiteral("median_bq_m3")] = figure(s.medianBqm3);
    json[QStringLiteral("max_24h_mean_bq_m3")] = OrNull(s.max24hMeanBqm3);
    json[QStringLiteral("max_24h_mean_end")] = s.max24hMeanBqm3 ? time(s.max24hEnd) : null;
    json[QStringLiteral("temperature_c")] = Climate(s.temperature);
    json[QStringLiteral("humidity_percent")] = Climate(s.humidity);
    json[QStringLiteral("pressure_kpa")] = Climate(s.pressure);
    if (any && s.reference) {
        json[QStringLiteral("reference_bq_m3")] = s.reference->levelBqm3;
        json[QStringLiteral("reference_pci_l")] = PciPerLitre(s.reference->levelBqm3);
        json[QStringLiteral("hours_above")] = s.reference->hoursAbove;
        json[QStringLiteral("hours_above_fraction")] = s.reference->hoursAboveFraction;
        json[QStringLiteral("verdict")] = VerdictText(s.reference->verdict);
        json[QStringLiteral("assessment")] = ReferenceSentence(s, QLocale::c());
    }
    return QJsonDocument(json).toJson(QJsonDocument::Indented);
}

}  // namespace kelmor
