#include "site_report_text.h"

#include <QLocale>
#include <QMap>
#include <cmath>

#include "archive/annual_summary.h"
#include "data/measurement_image.h"
#include "data/radon_units.h"
#include "data/reference_level.h"

namespace kelmor {

namespace {

const QString kPlusMinus = QStringLiteral(" \u00B1 ");
constexpr DateTime kHour = 1.0 / 24;

QLocale Numbers() {
    return QLocale::c();
}

QString Percent(double fraction) {
    return Numbers().toString(100 * fraction, 'f', 1) + QStringLiteral(" %");
}

// Each sample stands for the hour that ends at its time, so a period begins an hour
// before its first sample: the run's start.
QString Period(DateTime first, DateTime last, const QString& separator) {
    return FormatSummaryTime(first - kHour) + separator + FormatSummaryTime(last);
}

QString RunText(const RunKey& run) {
    return QStringLiteral("%1, run from %2")
        .arg(run.serial, FormatSummaryTime(RunStartTime(run.startMinutes)));
}

QString ModelText(Model model) {
    return QStringLiteral("Kelmor ") + QLatin1String(LayoutOf(model).name);
}

QString DateText(const QDate& date) {
    return date.toString(Qt::ISODate);
}

QString OrNot(const QString& text, const QString& absent) {
    return text.trimmed().isEmpty() ? absent : text.trimmed();
}

QString InstrumentLine(const PlaceInstrument& instrument) {
    return QStringLiteral("%1: %2, calibration factor %3 Bq/m3 per pulse, last calibration %4")
        .arg(RunText(instrument.run), ModelText(instrument.model),
             Numbers().toString(static_cast<double>(instrument.calibrationFactor), 'f', 2),
             instrument.lastCalibration ? DateText(*instrument.lastCalibration)
                                        : QStringLiteral("none recorded"));
}

QString OverdueWarning(const PlaceInstrument& instrument) {
    if (!instrument.lastCalibration) {
        return QStringLiteral(
                   "Warning: no calibration of instrument %1 is recorded; its "
                   "calibration is overdue for this run")
            .arg(instrument.run.serial);
    }
    return QStringLiteral(
               "Warning: calibration overdue: instrument %1 was last calibrated on "
               "%2, more than 12 months before this run")
        .arg(instrument.run.serial, DateText(*instrument.lastCalibration));
}

// The runs' instruments, each serial once, with its model.
QMap<QString, Model> InstrumentsOf(const SiteReportData& data) {
    QMap<QString, Model> instruments;
    for (const SitePlaceFigures& place : data.places) {
        for (const PlaceInstrument& instrument : place.instruments) {
            instruments.insert(instrument.run.serial, instrument.model);
        }
    }
    return instruments;
}

QString BothUnits(double bqm3) {
    return QStringLiteral("%1 Bq/m3 (%2 pCi/L)").arg(FormatBqm3(bqm3, Numbers()), FormatPciL(bqm3));
}

}  // namespace

QString FormatPciL(double bqm3) {
    return Numbers().toString(PciPerLitre(bqm3), 'f', 1);
}

QString MeanAndErrorBqm3(const MeasurementSummary& summary) {
    const QString mean = FormatBqm3(summary.meanBqm3, Numbers());
    if (!summary.errorBqm3) {
        return mean + QStringLiteral(" (no pulse counted)");
    }
    return mean + kPlusMinus + FormatBqm3(*summary.errorBqm3, Numbers());
}

QString MeanAndErrorPciL(const MeasurementSummary& summary) {
    const QString mean = FormatPciL(summary.meanBqm3);
    if (!summary.errorBqm3) {
        return mean;
    }
    // An error that rounds to 0.0 is small, not absent.
    const QString error = FormatPciL(*summary.errorBqm3);
    const bool rounded = *summary.errorBqm3 > 0 && PciPerLitre(*summary.errorBqm3) < 0.05;
    return mean + kPlusMinus + (rounded ? QStringLiteral("<0.1") : error);
}

std::vector<SummaryRow> CoverRows(const SiteReportData& data, const QDateTime& made) {
    std::vector<SummaryRow> rows = {
        {QStringLiteral("Site"), data.site.name},
        {QStringLiteral("Client"), OrNot(data.site.client, QStringLiteral("not recorded"))},
        {QStringLiteral("Address"), OrNot(data.site.address, QStringLiteral("not recorded"))},
    };
    if (!data.site.notes.trimmed().isEmpty()) {
        rows.push_back({QStringLiteral("Notes"), data.site.notes.trimmed()});
    }
    rows.push_back({data.testers.size() == 1 ? QStringLiteral("Tester") : QStringLiteral("Testers"),
                    data.testers.isEmpty() ? QStringLiteral("not recorded")
                                           : data.testers.join(QStringLiteral(", "))});
    rows.push_back({QStringLiteral("Measured"),
                    data.places.isEmpty() ? QStringLiteral("no place holds a measurement")
                                          : Period(data.first, data.last, QStringLiteral(" to "))});
    rows.push_back({QStringLiteral("Places measured"),
                    QStringLiteral("%1 of the site's %2, each reported on its own")
                        .arg(data.places.size())
                        .arg(data.site.places.size())});
    rows.push_back({QStringLiteral("Reference level"), data.referenceLevelBqm3 > 0
                                                           ? BothUnits(data.referenceLevelBqm3)
                                                           : QStringLiteral("none chosen")});
    QStringList instruments;
    const QMap<QString, Model> models = InstrumentsOf(data);
    for (auto it = models.cbegin(); it != models.cend(); ++it) {
        instruments << QStringLiteral("%1 (%2)").arg(it.key(), ModelText(it.value()));
    }
    rows.push_back({QStringLiteral("Instruments"), instruments.isEmpty()
                                                       ? QStringLiteral("none")
                                                       : instruments.join(QStringLiteral(", "))});
    rows.push_back(
        {QStringLiteral("Places with a duplicate"), DuplicateShareSentence(data.duplicates)});
    rows.push_back(
        {QStringLiteral("Report made"), made.toString(QStringLiteral("yyyy-MM-dd HH:mm"))});
    return rows;
}

QString PlacesNotAveragedSentence() {
    return QStringLiteral(
        "Each place is reported on its own: places are not averaged together. Radon differs "
        "from room to room and from floor to floor, so a building has no single radon "
        "concentration, and a mean of its places would hide the place that needs attention.");
}

QString HighestPlaceSentence(const SiteReportData& data) {
    if (!data.highestPlace) {
        return QString();
    }
    for (const SitePlaceFigures& place : data.places) {
        if (place.place == *data.highestPlace) {
            return QStringLiteral("The highest mean was measured in: %1 (%2 Bq/m3, %3 pCi/L).")
                .arg(place.place, MeanAndErrorBqm3(place.summary), MeanAndErrorPciL(place.summary));
        }
    }
    return QStringLiteral("The highest mean was measured in: %1.").arg(*data.highestPlace);
}

QString OverdueSentence(const SiteReportData& data) {
    int runs = 0;
    int overdue = 0;
    QStringList serials;
    for (const SitePlaceFigures& place : data.places) {
        for (const PlaceInstrument& instrument : place.instruments) {
            ++runs;
            if (instrument.calibrationOverdue) {
                ++overdue;
                if (!serials.contains(instrument.run.serial)) {
                    serials << instrument.run.serial;
                }
            }
        }
    }
    if (overdue == 0) {
        return QString();
    }
    return QStringLiteral(
               "Warning: the calibration was overdue or not recorded for %1 of %2 "
               "runs (instrument %3); see the warnings in the table of places.")
        .arg(overdue)
        .arg(runs)
        .arg(serials.join(QStringLiteral(", ")));
}

QString ReferenceSourceSentence(double referenceLevelBqm3) {
    for (const ReferenceLevelPreset& preset : ReferenceLevelPresets()) {
        if (preset.bqm3 == referenceLevelBqm3) {
            return QLatin1String(preset.source);
        }
    }
    return QString();
}

QList<ReportColumn> PlaceColumns(double referenceLevelBqm3) {
    QList<ReportColumn> columns = {
        {QStringLiteral("Place"), 2.2},      {QStringLiteral("Measured"), 2.2},
        {QStringLiteral("Hours"), 0.9},      {QStringLiteral("Mean Bq/m3"), 1.4},
        {QStringLiteral("Mean pCi/L"), 1.4},
    };
    if (referenceLevelBqm3 > 0) {
        columns.push_back(
            {QStringLiteral("Hours above %1 Bq/m3").arg(FormatBqm3(referenceLevelBqm3, Numbers())),
             1.4});
    }
    return columns;
}

QList<ReportRow> PlaceRows(const SiteReportData& data) {
    QList<ReportRow> rows;
    for (const SitePlaceFigures& place : data.places) {
        const MeasurementSummary& s = place.summary;
        ReportRow row;
        row.cells << (data.highestPlace == place.place
                          ? place.place + QStringLiteral("\n(highest mean)")
                          : place.place)
                  << Period(s.first, s.last, QStringLiteral("\nto "))
                  << QString::number(s.measuredHours) << MeanAndErrorBqm3(s) << MeanAndErrorPciL(s);
        if (data.referenceLevelBqm3 > 0) {
            row.cells << Percent(place.shareAboveReference);
        }
        for (const QString& line : AnnualVerdictLines(place.annual, Numbers())) {
            row.below.push_back({line, false});
        }
        for (const PlaceInstrument& instrument : place.instruments) {
            row.below.push_back({InstrumentLine(instrument), false});
            if (instrument.calibrationOverdue) {
                row.below.push_back({OverdueWarning(instrument), true});
            }
        }
        rows << row;
    }
    return rows;
}

QList<ReportColumn> DuplicateColumns() {
    return {
        {QStringLiteral("Place"), 1.7},
        {QStringLiteral("First instrument"), 1.7},
        {QStringLiteral("Second instrument"), 1.7},
        {QStringLiteral("Common hours"), 0.9},
        {QStringLiteral("Mean of the first"), 1.3},
        {QStringLiteral("Mean of the second"), 1.3},
        {QStringLiteral("Relative difference"), 1.1},
    };
}

QList<ReportRow> DuplicateRows(const SiteDuplicates& duplicates) {
    QList<ReportRow> rows;
    const auto instrument = [](const RunKey& run) {
        return QStringLiteral("%1\nrun from %2")
            .arg(run.serial, FormatSummaryTime(RunStartTime(run.startMinutes)));
    };
    const auto mean = [](double bqm3) {
        return QStringLiteral("%1 Bq/m3\n%2 pCi/L")
            .arg(FormatBqm3(bqm3, Numbers()), FormatPciL(bqm3));
    };
    for (const DuplicatePair& pair : duplicates.pairs) {
        ReportRow row;
        row.cells << pair.place << instrument(pair.first) << instrument(pair.second)
                  << QString::number(pair.commonHours) << mean(pair.firstMeanBqm3)
                  << mean(pair.secondMeanBqm3) << Percent(pair.relativePercentDifference / 100);
        rows << row;
    }
    return rows;
}

QString DuplicateShareSentence(const SiteDuplicates& duplicates) {
    if (duplicates.places == 0) {
        return QStringLiteral("no place measured");
    }
    return QStringLiteral("%1 of %2 places (%3)")
        .arg(duplicates.placesWithDuplicate)
        .arg(duplicates.places)
        .arg(Percent(static_cast<double>(duplicates.placesWithDuplicate) / duplicates.places));
}

QList<ReportColumn> DeploymentColumns() {
    return {
        {QStringLiteral("Place"), 1.5},      {QStringLiteral("Instrument and run"), 2.0},
        {QStringLiteral("Placed by"), 1.2},  {QStringLiteral("Placement"), 2.3},
        {QStringLiteral("Deviations"), 2.3},
    };
}

QList<ReportRow> DeploymentRows(const SiteReportData& data) {
    QList<ReportRow> rows;
    for (const SitePlaceFigures& place : data.places) {
        for (const PlaceInstrument& instrument : place.instruments) {
            const Deployment& d = instrument.deployment;
            QString run = RunText(instrument.run);
            if (d.deployedAt) {
                run += QStringLiteral("\ndeployed ") + FormatSummaryTime(*d.deployedAt);
            }
            if (d.retrievedAt) {
                run += QStringLiteral("\nretrieved ") + FormatSummaryTime(*d.retrievedAt);
            }
            ReportRow row;
            row.cells << place.place << run << OrNot(d.tester, QStringLiteral("not recorded"))
                      << OrNot(d.placement, QStringLiteral("not recorded"))
                      << OrNot(d.deviations, QStringLiteral("none recorded"));
            rows << row;
        }
    }
    return rows;
}

}  // namespace kelmor
