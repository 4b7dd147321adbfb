#include "summary_text.h"

#include <cmath>

#include "radon_units.h"

namespace kelmor {

namespace {

const QString kPlusMinus = QStringLiteral(" \u00B1 ");

// pCi/L are 37 times larger: two decimals up to 10, one above.
QString Pci(double bqm3, const QLocale& locale) {
    const double value = PciPerLitre(bqm3);
    return locale.toString(value, 'f', std::fabs(value) >= 10 ? 1 : 2);
}

// "128 Bq/m3 (3.46 pCi/L)".
QString Both(double bqm3, const QLocale& locale) {
    return QStringLiteral("%1 Bq/m3 (%2 pCi/L)").arg(FormatBqm3(bqm3, locale), Pci(bqm3, locale));
}

QString Plural(int count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString ClimateText(const ClimateFigures& figures, const QString& unit, const QLocale& locale) {
    const auto value = [&](double v) { return locale.toString(v, 'f', 1) + unit; };
    return QStringLiteral("mean %1, lowest %2, highest %3")
        .arg(value(figures.mean), value(figures.lowest), value(figures.highest));
}

QString Percent(double fraction, const QLocale& locale) {
    return locale.toString(100 * fraction, 'f', 1) + QStringLiteral(" %");
}

}  // namespace

QString FormatBqm3(double value, const QLocale& locale) {
    return locale.toString(value, 'f', std::fabs(value) >= 10 || value == 0 ? 0 : 1);
}

QString FormatSummaryTime(DateTime value) {
    // The ISO form to the minute, a blank for its "T".
    QString text = FormatIsoLocal(value).left(16);
    text[10] = QLatin1Char(' ');
    return text;
}

QString FormatDuration(int hours) {
    return Plural(hours / 24, "day", "days") + QLatin1Char(' ') +
           Plural(hours % 24, "hour", "hours");
}

QString TermText(MeasurementTerm term) {
    return term == MeasurementTerm::LongTerm ? QStringLiteral("long-term")
                                             : QStringLiteral("short-term");
}

std::vector<SummaryRow> SummaryRows(const MeasurementSummary& s, const QLocale& locale) {
    if (s.samples == 0) {
        return {{QStringLiteral("Hourly samples"), QStringLiteral("0")}};
    }
    std::vector<SummaryRow> rows = {
        {QStringLiteral("First sample"), FormatSummaryTime(s.first)},
        {QStringLiteral("Last sample"), FormatSummaryTime(s.last)},
        {QStringLiteral("Duration"), FormatDuration(s.durationHours)},
        {QStringLiteral("Hourly samples"), QString::number(s.samples)},
        {QStringLiteral("Missing hours"), QString::number(s.missingHours)},
        {QStringLiteral("Term"), s.term == MeasurementTerm::LongTerm
                                     ? QStringLiteral("long-term (90 days or more measured)")
                                     : QStringLiteral("short-term (less than 90 days measured)")},
    };
    if (s.errorBqm3) {
        rows.push_back(
            {QStringLiteral("Mean"),
             QStringLiteral("%1%2%3 Bq/m3 (%4%2%5 pCi/L)")
                 .arg(FormatBqm3(s.meanBqm3, locale), kPlusMinus, FormatBqm3(*s.errorBqm3, locale),
                      Pci(s.meanBqm3, locale), Pci(*s.errorBqm3, locale))});
        rows.push_back({QStringLiteral("95 % interval"),
                        QStringLiteral("%1 to %2 Bq/m3 (%3 to %4 pCi/L)")
                            .arg(FormatBqm3(s.low95Bqm3, locale), FormatBqm3(s.high95Bqm3, locale),
                                 Pci(s.low95Bqm3, locale), Pci(s.high95Bqm3, locale))});
    } else {
        rows.push_back({QStringLiteral("Mean"),
                        Both(s.meanBqm3, locale) + QStringLiteral(", no pulse counted")});
    }
    rows.push_back(
        {QStringLiteral("Highest hour"),
         Both(s.maxBqm3, locale) + QStringLiteral(" at ") + FormatSummaryTime(s.maxTime)});
    rows.push_back({QStringLiteral("Highest 24-hour mean"),
                    s.max24hMeanBqm3
                        ? Both(*s.max24hMeanBqm3, locale) + QStringLiteral(", 24 hours to ") +
                              FormatSummaryTime(s.max24hEnd)
                        : QStringLiteral("none: fewer than 24 hours in a row")});
    rows.push_back({QStringLiteral("Median"), Both(s.medianBqm3, locale)});
    if (s.temperature) {
        rows.push_back({QStringLiteral("Temperature"),
                        ClimateText(*s.temperature, QStringLiteral(" \u00B0C"), locale)});
    }
    if (s.humidity) {
        rows.push_back(
            {QStringLiteral("Humidity"), ClimateText(*s.humidity, QStringLiteral(" %"), locale)});
    }
    if (s.pressure) {
        rows.push_back(
            {QStringLiteral("Pressure"), ClimateText(*s.pressure, QStringLiteral(" kPa"), locale)});
    }
    if (s.reference) {
        rows.push_back({QStringLiteral("Reference level"), Both(s.reference->levelBqm3, locale)});
        rows.push_back({QStringLiteral("Hours above it"),
                        QStringLiteral("%1 (%2 of %3)")
                            .arg(Percent(s.reference->hoursAboveFraction, locale))
                            .arg(s.reference->hoursAbove)
                            .arg(s.samples)});
    }
    return rows;
}

QString ReferenceSentence(const MeasurementSummary& s, const QLocale& locale) {
    if (s.samples == 0 || !s.reference) {
        return QString();
    }
    const QString mean = Both(s.meanBqm3, locale);
    const QString level = Both(s.reference->levelBqm3, locale);
    QString comparison;
    switch (s.reference->verdict) {
        case ReferenceVerdict::Above:
            comparison = QStringLiteral("The mean of %1 is above the reference level of %2.");
            break;
        case ReferenceVerdict::Below:
            comparison = QStringLiteral("The mean of %1 is below the reference level of %2.");
            break;
        case ReferenceVerdict::Close:
            comparison = QStringLiteral(
                "The mean of %1 is close to the reference level of %2: the level lies within "
                "the 95 % interval of the mean.");
            break;
    }
    comparison = comparison.arg(mean, level);
    const QString measured = FormatDuration(s.measuredHours);
    const QString term =
        s.term == MeasurementTerm::LongTerm
            ? QStringLiteral(
                  "Reference levels apply to the annual average. This is a long-term "
                  "measurement (%1 measured), so its mean is a reasonable estimate of that "
                  "average; radon levels also change with the seasons.")
            : QStringLiteral(
                  "Reference levels apply to the annual average. This is a short-term "
                  "measurement (%1 measured), so the comparison is only an indication; a "
                  "measurement of 90 days or more tells more.");
    return comparison + QLatin1Char(' ') + term.arg(measured);
}

QStringList SummaryTextLines(const MeasurementSummary& s, const QLocale& locale) {
    QStringList lines;
    for (const SummaryRow& row : SummaryRows(s, locale)) {
        lines << row.label + QStringLiteral(": ") + row.value;
    }
    if (s.samples == 0) {
        return lines;
    }
    lines << QStringLiteral("Mean by hour of day:");
    for (std::size_t h = 0; h < s.hourlyProfileBqm3.size(); ++h) {
        const std::optional<double>& mean = s.hourlyProfileBqm3[h];
        lines << QStringLiteral("  %1:00 %2")
                     .arg(static_cast<int>(h), 2, 10, QLatin1Char('0'))
                     .arg(mean ? Both(*mean, locale) : QStringLiteral("no sample"));
    }
    const QString sentence = ReferenceSentence(s, locale);
    if (!sentence.isEmpty()) {
        lines << sentence;
    }
    return lines;
}

}  // namespace kelmor
