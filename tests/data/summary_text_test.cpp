#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "data/radon_units.h"
#include "data/reference_level.h"
#include "data/summary_json.h"
#include "data/summary_text.h"
#include "decode_helpers.h"

namespace kelmor {
namespace {

using testing::At;
using testing::NewData;

// Row 0: `hours` hourly samples of `bqm3` from 5 March 2026 01:00, 100 pulses each.
std::unique_ptr<MeasurementData> Constant(int hours, Extended bqm3) {
    auto data = NewData();
    for (int k = 0; k < hours; ++k) {
        SampleRecord& s = data->SampleTable[static_cast<std::size_t>(k)];
        s.Time = At(2026, 3, 5) + (k + 1) / 24.0;
        s.Concentration = bqm3;
        s.PulseCount = 100;
    }
    data->MeasurementTable[0] = {0, hours - 1, At(2026, 3, 5)};
    data->LastSampleIndex = hours - 1;
    return data;
}

MeasurementSummary Of(const MeasurementData& data, std::optional<double> reference) {
    SummaryWorkspace workspace;
    return Summarise(data, SummaryScope{0, {}}, reference, workspace);
}

QString Row(const std::vector<SummaryRow>& rows, const QString& label) {
    for (const SummaryRow& row : rows) {
        if (row.label == label) {
            return row.value;
        }
    }
    return QStringLiteral("(no row %1)").arg(label);
}

TEST(RadonUnits, OnePicocuriePerLitreIs37BecquerelPerCubicMetre) {
    EXPECT_DOUBLE_EQ(PciPerLitre(37), 1);
    EXPECT_DOUBLE_EQ(PciPerLitre(148), 4);  // the US EPA action level
    EXPECT_NEAR(PciPerLitre(100), 2.7027, 1e-4);
}

TEST(SummaryText, FiguresInBothUnitsWithTheYear) {
    const MeasurementSummary s = Of(*Constant(30, 148), 100);
    const std::vector<SummaryRow> rows = SummaryRows(s, QLocale::c());
    EXPECT_EQ(Row(rows, QStringLiteral("First sample")), QStringLiteral("2026-03-05 01:00"));
    EXPECT_EQ(Row(rows, QStringLiteral("Last sample")), QStringLiteral("2026-03-06 06:00"));
    EXPECT_EQ(Row(rows, QStringLiteral("Duration")), QStringLiteral("1 day 6 hours"));
    EXPECT_EQ(Row(rows, QStringLiteral("Hourly samples")), QStringLiteral("30"));
    // 3000 pulses: an error of 148 / sqrt(3000) = 2.70 Bq/m3.
    EXPECT_EQ(Row(rows, QStringLiteral("Mean")),
              QStringLiteral("148 \u00B1 2.7 Bq/m3 (4.00 \u00B1 0.07 pCi/L)"));
    EXPECT_EQ(Row(rows, QStringLiteral("95 % interval")),
              QStringLiteral("143 to 153 Bq/m3 (3.86 to 4.14 pCi/L)"));
    EXPECT_EQ(Row(rows, QStringLiteral("Highest 24-hour mean")),
              QStringLiteral("148 Bq/m3 (4.00 pCi/L), 24 hours to 2026-03-06 00:00"));
    EXPECT_EQ(Row(rows, QStringLiteral("Reference level")),
              QStringLiteral("100 Bq/m3 (2.70 pCi/L)"));
    EXPECT_EQ(Row(rows, QStringLiteral("Hours above it")), QStringLiteral("100.0 % (30 of 30)"));
    // A V5-less hand-made table has no model: no climate rows.
    EXPECT_EQ(Row(rows, QStringLiteral("Temperature")), QStringLiteral("(no row Temperature)"));

    // The numbers follow the locale given.
    EXPECT_EQ(Row(SummaryRows(s, QLocale(QLocale::German)), QStringLiteral("Mean")),
              QStringLiteral("148 \u00B1 2,7 Bq/m3 (4,00 \u00B1 0,07 pCi/L)"));
}

TEST(SummaryText, TheSentenceSaysShortTermMeasurementsAreOnlyAnIndication) {
    const QString shortTerm = ReferenceSentence(Of(*Constant(240, 400), 300), QLocale::c());
    EXPECT_TRUE(shortTerm.startsWith(QStringLiteral(
        "The mean of 400 Bq/m3 (10.8 pCi/L) is above the reference level of 300 Bq/m3 (8.11 "
        "pCi/L).")))
        << shortTerm.toStdString();
    EXPECT_TRUE(shortTerm.contains(QStringLiteral("annual average")));
    EXPECT_TRUE(
        shortTerm.contains(QStringLiteral("short-term measurement (10 days 0 hours "
                                          "measured), so the comparison is only an "
                                          "indication")))
        << shortTerm.toStdString();

    const QString longTerm = ReferenceSentence(Of(*Constant(2160, 50), 100), QLocale::c());
    EXPECT_TRUE(longTerm.contains(QStringLiteral("is below the reference level")));
    EXPECT_TRUE(longTerm.contains(QStringLiteral("long-term measurement (90 days 0 hours")));

    // 30 samples of 100 pulses at 148: 148 +- 5.3 takes in 150.
    const QString close = ReferenceSentence(Of(*Constant(30, 148), 150), QLocale::c());
    EXPECT_TRUE(close.contains(QStringLiteral("is close to the reference level")));

    EXPECT_TRUE(ReferenceSentence(Of(*Constant(30, 148), std::nullopt), QLocale::c()).isEmpty());
}

TEST(SummaryText, PlainLinesCarryTheHourOfDayProfile) {
    const QStringList lines = SummaryTextLines(Of(*Constant(3, 74), 100), QLocale::c());
    EXPECT_TRUE(lines.contains(QStringLiteral("Mean by hour of day:")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  00:00 no sample")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  02:00 74 Bq/m3 (2.00 pCi/L)")));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("The mean of 74 Bq/m3")));

    auto empty = NewData();
    EXPECT_EQ(SummaryTextLines(Of(*empty, 100), QLocale::c()),
              QStringList{QStringLiteral("Hourly samples: 0")});
}

TEST(SummaryJson, KeysOfTheCommandLineWithNullsForWhatDoesNotExist) {
    const QJsonObject json =
        QJsonDocument::fromJson(SummaryJson(Of(*Constant(3, 74), 148))).object();
    EXPECT_EQ(json[QStringLiteral("first")].toString(), QStringLiteral("2026-03-05T01:00:00"));
    EXPECT_EQ(json[QStringLiteral("last")].toString(), QStringLiteral("2026-03-05T03:00:00"));
    EXPECT_EQ(json[QStringLiteral("samples")].toInt(), 3);
    EXPECT_EQ(json[QStringLiteral("missing_hours")].toInt(), 0);
    EXPECT_DOUBLE_EQ(json[QStringLiteral("mean_bq_m3")].toDouble(), 74);
    EXPECT_DOUBLE_EQ(json[QStringLiteral("mean_pci_l")].toDouble(), 2);
    EXPECT_NEAR(json[QStringLiteral("error_bq_m3")].toDouble(), 74 / std::sqrt(300.0), 1e-12);
    EXPECT_DOUBLE_EQ(json[QStringLiteral("max_bq_m3")].toDouble(), 74);
    EXPECT_EQ(json[QStringLiteral("max_time")].toString(), QStringLiteral("2026-03-05T01:00:00"));
    EXPECT_DOUBLE_EQ(json[QStringLiteral("median_bq_m3")].toDouble(), 74);
    EXPECT_TRUE(json[QStringLiteral("max_24h_mean_bq_m3")].isNull());
    const QJsonArray profile = json[QStringLiteral("hourly_profile_bq_m3")].toArray();
    ASSERT_EQ(profile.size(), 24);
    EXPECT_TRUE(profile[0].isNull());
    EXPECT_DOUBLE_EQ(profile[1].toDouble(), 74);
    EXPECT_TRUE(profile[4].isNull());
    EXPECT_TRUE(json[QStringLiteral("temperature_c")].isNull());
    EXPECT_DOUBLE_EQ(json[QStringLiteral("reference_bq_m3")].toDouble(), 148);
    EXPECT_DOUBLE_EQ(json[QStringLiteral("hours_above_fraction")].toDouble(), 0);
    EXPECT_EQ(json[QStringLiteral("term")].toString(), QStringLiteral("short-term"));
    EXPECT_EQ(json[QStringLiteral("verdict")].toString(), QStringLiteral("below"));

    const QJsonObject none =
        QJsonDocument::fromJson(SummaryJson(Of(*Constant(0, 0), std::nullopt))).object();
    EXPECT_EQ(none[QStringLiteral("samples")].toInt(-1), 0);
    EXPECT_TRUE(none[QStringLiteral("mean_bq_m3")].isNull());
    EXPECT_TRUE(none[QStringLiteral("first")].isNull());
    EXPECT_EQ(none[QStringLiteral("hourly_profile_bq_m3")].toArray().size(), 24);
    EXPECT_FALSE(none.contains(QStringLiteral("reference_bq_m3")));
}

TEST(ReferenceLevels, PresetsAndTypedValues) {
    const auto& presets = ReferenceLevelPresets();
    EXPECT_EQ(presets[0].bqm3, 100);
    EXPECT_EQ(presets[1].bqm3, 148);
    EXPECT_EQ(presets[2].bqm3, 300);
    EXPECT_EQ(ParseReferenceLevel(QStringLiteral("epa")), 148);
    EXPECT_EQ(ParseReferenceLevel(QStringLiteral("WHO")), 100);
    EXPECT_EQ(ParseReferenceLevel(QStringLiteral(" 200.5 ")), 200.5);
    for (const char* bad : {"", "0", "-5", "abc", "1e9", "nan", "inf", "200,5"}) {
        EXPECT_FALSE(ParseReferenceLevel(QLatin1String(bad))) << bad;
    }
}

}  // namespace
}  // namespace kelmor
