// Places: assigning runs, the place offered to an instrument's next run, renaming, merging
// and moving, and a place's samples as the window's measurement state.
#include "archive/archive.h"
#include "archive_fixture.h"
#include "data/measurement_summary.h"

namespace kelmor::testing {
namespace {

class PlacesTest : public ArchiveTest {
  protected:
    void SetUp() override {
        archive_ = OpenArchive();
        ImageBuilder first(Model::V7);
        first.AddMeasurement({2026, 1, 5, 10, 0}, V7Records(30, 1));
        ASSERT_TRUE(archive_->Import(SourceOf(first, QStringLiteral("A"), At(2026, 1, 7))).ok);
        ImageBuilder other(Model::V5);
        other.AddMeasurement({2026, 1, 5, 12, 0}, ConstantPulses(10, 50));
        ASSERT_TRUE(archive_->Import(SourceOf(other, QStringLiteral("B"), At(2026, 1, 7))).ok);
    }

    RunKey FirstRun() const { return {QStringLiteral("A"), RunStartMinutes(At(2026, 1, 5, 10))}; }
    RunKey OtherRun() const { return {QStringLiteral("B"), RunStartMinutes(At(2026, 1, 5, 12))}; }

    std::unique_ptr<Archive> archive_;
};

TEST_F(PlacesTest, ANewRunIsOfferedItsInstrumentsPreviousPlaceButNotAssigned) {
    ASSERT_TRUE(archive_->Assign(FirstRun(), QStringLiteral("Cellar")).ok);
    ImageBuilder later(Model::V7);
    later.AddMeasurement({2026, 1, 5, 10, 0}, V7Records(30, 1));
    later.AddMeasurement({2026, 2, 1, 9, 0}, V7Records(12, 2));
    const ImportOutcome outcome =
        archive_->Import(SourceOf(later, QStringLiteral("A"), At(2026, 2, 2)));
    ASSERT_TRUE(outcome.ok) << qPrintable(outcome.error);
    const RunKey next{QStringLiteral("A"), RunStartMinutes(At(2026, 2, 1, 9))};
    ASSERT_EQ(outcome.offeredPlaces.size(), 1);
    EXPECT_EQ(outcome.offeredPlaces[0].first, next);
    EXPECT_EQ(outcome.offeredPlaces[0].second, QStringLiteral("Cellar"));

    const QList<RunInfo> runs = archive_->Runs();
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(runs[0].place, QStringLiteral("Cellar"));  // the continued run keeps its place
    EXPECT_TRUE(runs[1].place.isEmpty());
    EXPECT_EQ(runs[1].offeredPlace, QStringLiteral("Cellar"));

    ASSERT_TRUE(archive_->Assign(next, QStringLiteral("Cellar")).ok);
    EXPECT_TRUE(archive_->Runs()[1].offeredPlace.isEmpty());
    EXPECT_EQ(archive_->RunsOfPlace(QStringLiteral("Cellar")).size(), 2);
}

TEST_F(PlacesTest, PlacesAreRenamedMergedAndRunsMoved) {
    ASSERT_TRUE(archive_->Assign(FirstRun(), QStringLiteral("Cellar")).ok);
    ASSERT_TRUE(archive_->Assign(OtherRun(), QStringLiteral("  Bedroom   1st floor ")).ok);
    EXPECT_TRUE(archive_->HasPlace(QStringLiteral("Bedroom 1st floor")));

    EXPECT_FALSE(
        archive_->RenamePlace(QStringLiteral("Cellar"), QStringLiteral("Bedroom 1st floor")).ok);
    ASSERT_TRUE(archive_->RenamePlace(QStringLiteral("Cellar"), QStringLiteral("Basement")).ok);
    ASSERT_TRUE(
        archive_->MergePlaces(QStringLiteral("Bedroom 1st floor"), QStringLiteral("Basement")).ok);
    QList<PlaceInfo> places = archive_->Places();
    ASSERT_EQ(places.size(), 1);
    EXPECT_EQ(places[0].name, QStringLiteral("Basement"));
    EXPECT_EQ(places[0].runs, 2);
    EXPECT_EQ(places[0].hours, 40);

    ASSERT_TRUE(archive_->Assign(OtherRun(), QStringLiteral("Kitchen")).ok);  // moved
    EXPECT_EQ(archive_->RunsOfPlace(QStringLiteral("Basement")).size(), 1);
    EXPECT_FALSE(archive_->RemovePlace(QStringLiteral("Basement")).ok);
    ASSERT_TRUE(archive_->Unassign(FirstRun()).ok);
    ASSERT_TRUE(archive_->RemovePlace(QStringLiteral("Basement")).ok);
    places = archive_->Places();
    ASSERT_EQ(places.size(), 1);
    EXPECT_DOUBLE_EQ(places[0].meanBqm3, 300);  // 50 pulses x 6.0

    EXPECT_FALSE(archive_->Assign({QStringLiteral("A"), 1}, QStringLiteral("Kitchen")).ok);
}

TEST_F(PlacesTest, APlacesSamplesAreOneTimeSortedMeasurementTheSummaryWorksOn) {
    ASSERT_TRUE(archive_->Assign(FirstRun(), QStringLiteral("Cellar")).ok);
    ASSERT_TRUE(archive_->Assign(OtherRun(), QStringLiteral("Cellar")).ok);
    auto data = std::make_unique<MeasurementData>();
    const LoadedSamples loaded = archive_->PlaceData(QStringLiteral("Cellar"), *data);
    ASSERT_TRUE(loaded.ok) << qPrintable(loaded.error);
    EXPECT_EQ(loaded.samples, 40);
    EXPECT_FALSE(loaded.cut);
    EXPECT_EQ(loaded.listItems.size(), 2);
    EXPECT_EQ(data->MeasurementCount, 1);
    EXPECT_EQ(data->ModelTag(), '1');  // the model of the run that started last
    for (int i = 1; i < loaded.samples; ++i) {
        EXPECT_LE(data->SampleTable[i - 1].Time, data->SampleTable[i].Time);
    }
    SummaryWorkspace workspace;
    const MeasurementSummary summary = Summarise(*data, {1, std::nullopt}, std::nullopt, workspace);
    EXPECT_EQ(summary.samples, 40);
    EXPECT_FALSE(archive_->PlaceData(QStringLiteral("Attic"), *data).ok);
}

}  // namespace
}  // namespace kelmor::testing
