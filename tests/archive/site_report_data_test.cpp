// What the site report gathers, and the duplicates and calibrations behind it, on the
// surveyed building of survey_scenario.h.
#include "archive/site_report_data.h"
#include "archive_fixture.h"
#include "survey_scenario.h"

namespace kelmor::testing {
namespace {

using S = SurveyScenario;

class SiteReportTest : public ArchiveTest {
  protected:
    void SetUp() override {
        const QString error = BuildSurveyScenario(ArchivePath());
        ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
        archive_ = OpenArchive(OpenMode::ReadWrite);
        ASSERT_TRUE(archive_);
    }

    std::unique_ptr<Archive> archive_;
};

TEST_F(SiteReportTest, EachPlaceHasItsOwnFiguresInstrumentsAndCalibrations) {
    QString error;
    const std::optional<SiteReportData> report =
        GatherSiteReport(*archive_, S::Site(), 250, &error);
    ASSERT_TRUE(report) << qPrintable(error);
    EXPECT_EQ(report->site.client, S::Client());
    EXPECT_EQ(report->site.address, S::Address());
    EXPECT_EQ(report->testers, (QStringList{S::TesterA(), S::TesterB()}));
    EXPECT_EQ(FormatIsoLocal(report->first), QStringLiteral("2026-01-05T11:00:00"));
    EXPECT_EQ(FormatIsoLocal(report->last), QStringLiteral("2026-01-11T10:00:00"));
    EXPECT_EQ(report->highestPlace, S::Basement());

    ASSERT_EQ(report->places.size(), 3);
    const SitePlaceFigures& basement = report->places[0];
    EXPECT_EQ(basement.place, S::Basement());
    EXPECT_EQ(report->places[1].place, S::Bedroom());
    EXPECT_EQ(report->places[2].place, S::LivingRoom());
    // Every hour of both instruments counts in the basement's figures; none of another place.
    EXPECT_EQ(basement.summary.samples, 96);
    EXPECT_NEAR(basement.summary.meanBqm3, S::kBasementMean, 1e-9);
    EXPECT_NEAR(report->places[1].summary.meanBqm3, S::kBedroomMean, 1e-9);
    EXPECT_NEAR(report->places[2].summary.meanBqm3, S::kLivingRoomMean, 1e-9);
    EXPECT_DOUBLE_EQ(basement.shareAboveReference, 0.5);  // SN-A's hours, not SN-B's 220
    EXPECT_DOUBLE_EQ(report->places[2].shareAboveReference, 0);
    EXPECT_FALSE(basement.annual.annualMeanBqm3);
    EXPECT_EQ(basement.annual.months.size(), 1u);

    ASSERT_EQ(basement.instruments.size(), 2);
    const PlaceInstrument& a = basement.instruments[0];
    const PlaceInstrument& b = basement.instruments[1];
    EXPECT_EQ(a.run, S::BasementA());
    EXPECT_EQ(a.model, Model::V7);
    EXPECT_DOUBLE_EQ(static_cast<double>(a.calibrationFactor), 6.0);
    EXPECT_EQ(a.lastCalibration, QDate(2025, 6, 1));
    EXPECT_FALSE(a.calibrationOverdue);
    EXPECT_EQ(a.deployment.tester, S::TesterA());
    EXPECT_EQ(b.run, S::BasementB());
    EXPECT_EQ(b.model, Model::V5);
    EXPECT_DOUBLE_EQ(static_cast<double>(b.calibrationFactor), 5.5);
    EXPECT_EQ(b.lastCalibration, QDate(2024, 11, 30));
    EXPECT_TRUE(b.calibrationOverdue);
    EXPECT_EQ(b.deployment.deviations, S::Deviation());

    ASSERT_EQ(report->duplicates.pairs.size(), 1);
    EXPECT_EQ(report->duplicates.places, 3);
    EXPECT_EQ(report->duplicates.placesWithDuplicate, 1);
}

TEST_F(SiteReportTest, ACalibrationAfterTheRunDoesNotVouchForIt) {
    ASSERT_TRUE(
        archive_->AddCalibration(S::SerialB(), {QDate(2026, 2, 1), QStringLiteral("LAB-26")}).ok);
    EXPECT_EQ(archive_->Instrument(S::SerialB())->lastCalibration, QDate(2026, 2, 1));
    const std::optional<SiteReportData> report =
        GatherSiteReport(*archive_, S::Site(), 300, nullptr);
    ASSERT_TRUE(report);
    const PlaceInstrument& b = report->places[0].instruments[1];
    EXPECT_EQ(b.lastCalibration, QDate(2024, 11, 30));
    EXPECT_TRUE(b.calibrationOverdue);
}

TEST_F(SiteReportTest, PlacesWithoutSamplesAndUnknownSitesAreNotReported) {
    ASSERT_TRUE(archive_->Unassign(S::BedroomB()).ok);
    std::optional<SiteReportData> report = GatherSiteReport(*archive_, S::Site(), 300, nullptr);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->places.size(), 2);
    EXPECT_EQ(report->duplicates.places, 2);
    EXPECT_EQ(report->testers, (QStringList{S::TesterA(), S::TesterB()}));

    QString error;
    EXPECT_FALSE(GatherSiteReport(*archive_, QStringLiteral("Elm Road 3"), 300, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Elm Road 3"))) << qPrintable(error);
}

TEST_F(SiteReportTest, ADuplicateIsComparedOverTheCommonHoursOnly) {
    const SiteDuplicates duplicates = archive_->Duplicates(S::Site());
    ASSERT_EQ(duplicates.pairs.size(), 1);
    const DuplicatePair& pair = duplicates.pairs[0];
    EXPECT_EQ(pair.place, S::Basement());
    EXPECT_EQ(pair.first, S::BasementA());
    EXPECT_EQ(pair.second, S::BasementB());
    EXPECT_EQ(pair.commonHours, S::kCommonHours);
    EXPECT_DOUBLE_EQ(pair.firstMeanBqm3, 300);  // without SN-A's two first hours of 600
    EXPECT_DOUBLE_EQ(pair.secondMeanBqm3, 220);
    EXPECT_NEAR(pair.relativePercentDifference, S::kRelativeDifference, 1e-9);

    // SN-B measuring the living room right after SN-A (its first hour the one after SN-A's
    // last) overlaps nothing; SN-A again over the bedroom's last hour is a pair of one hour.
    ImageBuilder b(Model::V5);
    b.SetCalibration(5, 50);
    b.AddMeasurement({2026, 1, 5, 12, 0}, ConstantPulses(48, 40));
    b.AddMeasurement({2026, 1, 8, 10, 0}, ConstantPulses(72, 30));
    b.AddMeasurement({2026, 1, 11, 10, 0}, ConstantPulses(5, 10));
    ImageBuilder a(Model::V7);
    a.AddMeasurement({2026, 1, 11, 9, 0}, Pulses({30, 30}));
    ASSERT_TRUE(archive_->Import(SourceOf(b, S::SerialB(), At(2026, 1, 20))).ok);
    ASSERT_TRUE(archive_->Import(SourceOf(a, S::SerialA(), At(2026, 1, 20))).ok);
    ASSERT_TRUE(archive_->Assign(S::Run(S::SerialB(), 11, 10), S::LivingRoom()).ok);
    ASSERT_TRUE(archive_->Assign(S::Run(S::SerialA(), 11, 9), S::Bedroom()).ok);
    const SiteDuplicates more = archive_->Duplicates(S::Site());
    ASSERT_EQ(more.pairs.size(), 2);
    EXPECT_EQ(more.pairs[1].place, S::Bedroom());
    EXPECT_EQ(more.pairs[1].commonHours, 1);
    EXPECT_DOUBLE_EQ(more.pairs[1].firstMeanBqm3, 180);
    EXPECT_DOUBLE_EQ(more.pairs[1].secondMeanBqm3, 165);
    EXPECT_EQ(more.placesWithDuplicate, 2);
}

TEST(CalibrationOverdueTest, TwelveCalendarMonthsToTheDay) {
    const DateTime start = At(2026, 3, 15, 23, 59);
    EXPECT_FALSE(CalibrationOverdue(QDate(2025, 3, 15), start));
    EXPECT_TRUE(CalibrationOverdue(QDate(2025, 3, 14), start));
    EXPECT_FALSE(CalibrationOverdue(QDate(2026, 3, 15), start));
    EXPECT_TRUE(CalibrationOverdue(std::nullopt, start));
    // Calibrated on 29 February: a year later ends on 28 February.
    EXPECT_FALSE(CalibrationOverdue(QDate(2024, 2, 29), At(2025, 2, 28, 8)));
    EXPECT_TRUE(CalibrationOverdue(QDate(2024, 2, 29), At(2025, 3, 1, 8)));
    EXPECT_DOUBLE_EQ(RelativePercentDifference(0, 0), 0);
    EXPECT_DOUBLE_EQ(RelativePercentDifference(90, 110), 20);
}

}  // namespace
}  // namespace kelmor::testing
