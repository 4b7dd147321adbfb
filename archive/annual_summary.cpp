#include "archive/annual_summary.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "data/row_samples.h"
#include "data/summary_json.h"

namespace kelmor {

std::vector<HourlyValue> HourlyValuesOf(const MeasurementData& data, int row) {
    const SampleSpan span = RowSamples(data, row);
    std::vector<HourlyValue> values;
    values.reserve(static_cast<std::size_t>(std::max(span.last - span.first + 1, 0)));
    for (int i = span.first; i <= span.last; ++i) {
        const SampleRecord& s = data.SampleTable[static_cast<std::size_t>(i)];
        if (s.Time != 0) {
            values.push_back({s.Time, static_cast<double>(s.Concentration)});
        }
    }
    return values;
}

void AddAnnualKeys(const AnnualAverage& annual, QJsonObject& object) {
    object.insert(QStringLiteral("annual_mean_bq_m3"), annual.annualMeanBqm3
                                                           ? QJsonValue(*annual.annualMeanBqm3)
                                                           : QJsonValue(QJsonValue::Null));
    QJsonArray annualMonths;
    for (const MonthlyMean& m : annual.annualMonths) {
        annualMonths.append(MonthName(m.year, m.month));
    }
    object.insert(QStringLiteral("annual_months"), annualMonths);
    QJsonArray months;
    for (const MonthlyMean& m : annual.months) {
        months.append(
            QJsonObject{{QStringLiteral("month"), MonthName(m.year, m.month)},
                        {QStringLiteral("mean_bq_m3"),
                         m.samples > 0 ? QJsonValue(m.meanBqm3) : QJsonValue(QJsonValue::Null)},
                        {QStringLiteral("covered_fraction"), m.coveredFraction}});
    }
    object.insert(QStringLiteral("monthly_means"), months);
    object.insert(QStringLiteral("heating_season_fraction"), annual.heatingSeasonFraction);
    object.insert(QStringLiteral("days_measured"), annual.daysMeasured);
    object.insert(QStringLiteral("months_covered"), annual.monthsCovered);
}

QByteArray PlaceSummaryJson(const MeasurementSummary& summary, const AnnualAverage& annual) {
    QJsonObject object = QJsonDocument::fromJson(SummaryJson(summary)).object();
    AddAnnualKeys(annual, object);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QStringList AnnualVerdictLines(const AnnualAverage& annual, const QLocale& locale) {
    const QString heating = locale.toString(100 * annual.heatingSeasonFraction, 'f', 0);
    if (annual.annualMeanBqm3) {
        const MonthlyMean& first = annual.annualMonths.front();
        const MonthlyMean& last = annual.annualMonths.back();
        return {QStringLiteral("Annual average: %1 Bq/m3 (the mean of the 12 monthly means "
                               "from %2 to %3)")
                    .arg(locale.toString(*annual.annualMeanBqm3, 'f', 0),
                         MonthName(first.year, first.month), MonthName(last.year, last.month)),
                QStringLiteral("Heating season: %1 % of the hours measured").arg(heating)};
    }
    return {QStringLiteral("Annual average: none yet; it needs 12 consecutive calendar "
                           "months each at least half measured"),
            QStringLiteral("Measured so far: %1 days, %2 of 12 months at least half "
                           "covered, %3 % of the hours in the heating season (October to "
                           "March)")
                .arg(locale.toString(annual.daysMeasured, 'f', 1))
                .arg(annual.monthsCovered)
                .arg(heating)};
}

QStringList AnnualTextLines(const AnnualAverage& annual, const QLocale& locale) {
    const QStringList verdict = AnnualVerdictLines(annual, locale);
    // The months follow the average itself; with an average, its heating season ends the text.
    const qsizetype head = annual.annualMeanBqm3 ? 1 : verdict.size();
    QStringList lines = verdict.mid(0, head);
    for (const MonthlyMean& m : annual.months) {
        lines << QStringLiteral("%1: %2 Bq/m3, %3 % of the month measured")
                     .arg(MonthName(m.year, m.month),
                          m.samples > 0 ? locale.toString(m.meanBqm3, 'f', 0) : QStringLiteral("-"),
                          locale.toString(100 * m.coveredFraction, 'f', 0));
    }
    lines << verdict.mid(head);
    return lines;
}

}  // namespace kelmor
