// The survey's records as the archive keeps them: brought into an archive of the first
// version, kept by a rebuild, checked, changed, forgotten and exported.
#include <QBuffer>
#include <QFile>

#include "archive/archive.h"
#include "archive_fixture.h"
#include "full_disk_gtest.h"
#include "survey_scenario.h"

namespace kelmor::testing {
namespace {

using S = SurveyScenario;

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SurveyRecordsTest : public ArchiveTest {
  protected:
    void BuildScenario() {
        const QString error = BuildSurveyScenario(ArchivePath());
        ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
        archive_ = OpenArchive(OpenMode::ReadWrite);
        ASSERT_TRUE(archive_);
    }

    // An archive as the first version left it: one run of S1 in the cellar.
    void MakeFirstVersion() {
        {
            std::unique_ptr<Archive> archive = OpenArchive();
            ImageBuilder builder(Model::V7);
            builder.AddMeasurement({2026, 1, 5, 10, 0}, V7Records(20, 3));
            ASSERT_TRUE(
                archive->Import(SourceOf(builder, QStringLiteral("S1"), At(2026, 2, 1))).ok);
            ASSERT_TRUE(archive->Assign(archive->Runs()[0].key, QStringLiteral("Cellar")).ok);
        }
        Raw(ArchivePath(),
            {QStringLiteral("DROP TABLE calibrations"), QStringLiteral("DROP TABLE deployments"),
             QStringLiteral("DROP TABLE site_places"), QStringLiteral("DROP TABLE sites"),
             StoredVersion(1)});
    }

    std::unique_ptr<Archive> archive_;
};

TEST_F(SurveyRecordsTest, AFirstVersionArchiveIsCopiedThenBroughtUpToDateWithItsRuns) {
    MakeFirstVersion();
    std::unique_ptr<Archive> archive = OpenArchive(OpenMode::ReadWrite);
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->Runs().size(), 1);
    EXPECT_EQ(archive->Runs()[0].place, QStringLiteral("Cellar"));
    EXPECT_EQ(archive->Runs()[0].hours, 20);
    ASSERT_TRUE(archive->SaveSite({QStringLiteral("Farm"), {}, {}, {}, {}}).ok);
    ASSERT_TRUE(archive->SetPlaceSite(QStringLiteral("Cellar"), QStringLiteral("Farm")).ok);
    EXPECT_TRUE(archive->Check().consistent);
    archive.reset();
    if (TestArchives::OnServer()) {
        return;  // a server's update is one transaction, with no copy beside it
    }

    // The copy is the archive as it was, and opens as one (brought up to date in turn).
    const QString copy = ArchivePath() + QStringLiteral(".v1.bak");
    const OpenResult unchanged = Archive::Open(copy, {OpenMode::ReadOnly, 2000});
    EXPECT_TRUE(unchanged.error.contains(QStringLiteral("(version 1) needs updating")))
        << qPrintable(unchanged.error);
    OpenResult old = Archive::Open(copy, {OpenMode::ReadWrite, 2000});
    ASSERT_TRUE(old.archive) << qPrintable(old.error);
    EXPECT_EQ(old.archive->Runs().size(), 1);
    EXPECT_TRUE(old.archive->Sites().isEmpty());
}

// Whatever fails during the update, the archive stays as the first version left it.
TEST_F(SurveyRecordsTest, AnUpdateThatFailsHalfwayLeavesTheFirstVersionAsItWas) {
    MakeFirstVersion();
    Raw(ArchivePath(), {QStringLiteral("CREATE TABLE deployments (other INTEGER)")});
    const OpenResult refused = Archive::Open(ArchivePath(), {OpenMode::ReadWrite, 2000});
    EXPECT_FALSE(refused.archive);
    EXPECT_TRUE(refused.error.contains(QStringLiteral("from version 1")))
        << qPrintable(refused.error);
    Raw(ArchivePath(), {QStringLiteral("DROP TABLE deployments")});
    const OpenResult old = Archive::Open(ArchivePath(), {OpenMode::ReadOnly, 2000});
    EXPECT_TRUE(old.error.contains(QStringLiteral("(version 1) needs updating")))
        << qPrintable(old.error);
    // The failed update's copy stays where it is and does not stand in the way of the next.
    std::unique_ptr<Archive> archive = OpenArchive(OpenMode::ReadWrite);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->Runs().size(), 1);
    EXPECT_TRUE(archive->Sites().isEmpty());
    if (!TestArchives::OnServer()) {
        EXPECT_TRUE(QFile::exists(ArchivePath() + QStringLiteral(".v1.bak")));
        EXPECT_TRUE(QFile::exists(ArchivePath() + QStringLiteral(".v1-2.bak")));
    }
}

TEST_F(SurveyRecordsTest, AnUpdateOnAFullDiskLeavesTheFirstVersionAsItWas) {
    if (TestArchives::OnServer()) {
        GTEST_SKIP() << "a matter of SQLite files";
    }
    if (RanOnFullDisk()) {
        return;
    }
    MakeFirstVersion();
    const QByteArray before = FileBytes(ArchivePath());
    FillDisk(folder_.path(), 0);
    const OpenResult refused = Archive::Open(ArchivePath(), {OpenMode::ReadWrite, 2000});
    FillDisk(folder_.path(), -1);
    EXPECT_FALSE(refused.archive);
    EXPECT_TRUE(refused.error.contains(ArchivePath())) << qPrintable(refused.error);
    EXPECT_EQ(FileBytes(ArchivePath()), before);
    EXPECT_FALSE(QFile::exists(ArchivePath() + QStringLiteral(".v1.bak")));  // no half copy
    std::unique_ptr<Archive> archive = OpenArchive(OpenMode::ReadWrite);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->Runs().size(), 1);
}

TEST_F(SurveyRecordsTest, RebuildKeepsSitesLinksDeploymentsAndCalibrations) {
    BuildScenario();
    const QList<SiteInfo> sites = archive_->Sites();
    const Deployment deployment = archive_->DeploymentOf(S::BasementB());
    ASSERT_TRUE(archive_->Rebuild().ok);
    ASSERT_EQ(archive_->Sites().size(), 1);
    EXPECT_EQ(archive_->Sites()[0].places, sites[0].places);
    EXPECT_EQ(archive_->Sites()[0].client, S::Client());
    const Deployment kept = archive_->DeploymentOf(S::BasementB());
    EXPECT_EQ(kept.tester, deployment.tester);
    EXPECT_EQ(kept.deviations, S::Deviation());
    const Deployment timed = archive_->DeploymentOf(S::BasementA());
    ASSERT_TRUE(timed.deployedAt);
    EXPECT_EQ(FormatIsoLocal(*timed.deployedAt), QStringLiteral("2026-01-05T09:30:00"));
    EXPECT_FALSE(timed.retrievedAt);
    EXPECT_EQ(archive_->Instrument(S::SerialB())->lastCalibration, QDate(2024, 11, 30));
    EXPECT_EQ(archive_->Duplicates(S::Site()).pairs.size(), 1);
    const CheckReport report = archive_->Check();
    EXPECT_TRUE(report.consistent) << qPrintable(report.problems.join(QLatin1Char('\n')));
}

TEST_F(SurveyRecordsTest, CheckNamesRecordsThatBelongToNothing) {
    BuildScenario();
    archive_.reset();
    Raw(ArchivePath(),
        {QStringLiteral("INSERT INTO deployments VALUES ('GHOST', 0, 'Alex', '', '', NULL, "
                        "NULL)"),
         QStringLiteral("UPDATE site_places SET site_id = 99 WHERE place_id = (SELECT id FROM "
                        "places WHERE name = 'Bedroom')"),
         QStringLiteral("UPDATE calibrations SET calibrated_on = '2025-13-01' WHERE serial = "
                        "'SN-A'"),
         QStringLiteral("UPDATE deployments SET retrieved_at = '2026-01-05T09:00:00' WHERE "
                        "serial = 'SN-A' AND deployed_at IS NOT NULL")});
    archive_ = OpenArchive(OpenMode::ReadOnly);
    const CheckReport report = archive_->Check();
    EXPECT_FALSE(report.consistent);
    const QString problems = report.problems.join(QLatin1Char('\n'));
    QStringList expected = {
        QStringLiteral("the deployment of GHOST starting 1899-12-30T00:00 belongs to no run"),
        QStringLiteral("the calibration of SN-A has the date \"2025-13-01\""),
        QStringLiteral("the deployment of SN-A starting 2026-01-05T10:00 ends before it begins")};
    // A server refuses a reference to nothing: only a file can be given one behind its back.
    if (!TestArchives::OnServer()) {
        expected << QStringLiteral("a row of site_places refers to a missing row of sites");
    }
    for (const QString& line : expected) {
        EXPECT_TRUE(problems.contains(line)) << qPrintable(problems);
    }
    EXPECT_EQ(report.problems.size(), expected.size()) << qPrintable(problems);
}

TEST_F(SurveyRecordsTest, SitesAndTheirPlacesChangeWithoutLosingARun) {
    BuildScenario();
    EXPECT_FALSE(archive_->SaveSite({QStringLiteral("  "), {}, {}, {}, {}}).ok);
    ASSERT_TRUE(archive_
                    ->SaveSite({QStringLiteral(" Elm  Road 3 "),
                                QStringLiteral("3 Elm Road"),
                                QString(),
                                QString(),
                                {}})
                    .ok);
    ASSERT_TRUE(archive_->SaveSite({S::Site(), S::Address(), QStringLiteral("New owner"), {}, {}})
                    .ok);  // updated, its places kept
    std::optional<SiteInfo> site = archive_->Site(S::Site());
    ASSERT_TRUE(site);
    EXPECT_EQ(site->client, QStringLiteral("New owner"));
    EXPECT_TRUE(site->notes.isEmpty());
    EXPECT_EQ(site->places, (QStringList{S::Basement(), S::Bedroom(), S::LivingRoom()}));

    EXPECT_FALSE(archive_->RenameSite(S::Site(), QStringLiteral("Elm Road 3")).ok);
    EXPECT_FALSE(archive_->RenameSite(QStringLiteral("Oak Lane"), QStringLiteral("Ash")).ok);
    ASSERT_TRUE(archive_->RenameSite(S::Site(), QStringLiteral("Maple St. 12")).ok);
    ASSERT_TRUE(archive_->SetPlaceSite(S::Bedroom(), QStringLiteral("Elm Road 3")).ok);
    EXPECT_EQ(archive_->SiteOfPlace(S::Bedroom()), QStringLiteral("Elm Road 3"));
    EXPECT_FALSE(archive_->SetPlaceSite(S::Bedroom(), QStringLiteral("Oak Lane")).ok);
    EXPECT_FALSE(archive_->SetPlaceSite(QStringLiteral("Attic"), QStringLiteral("Elm Road 3")).ok);
    EXPECT_EQ(archive_->SiteOfPlace(S::Bedroom()), QStringLiteral("Elm Road 3"));

    // A place merged into one without a site brings its site; an emptied place in a site
    // can be removed.
    ASSERT_TRUE(archive_->MergePlaces(S::LivingRoom(), QStringLiteral("Lounge")).ok);
    EXPECT_EQ(archive_->SiteOfPlace(QStringLiteral("Lounge")), QStringLiteral("Maple St. 12"));
    ASSERT_TRUE(archive_->MergePlaces(S::Basement(), S::Bedroom()).ok);
    EXPECT_EQ(archive_->SiteOfPlace(S::Bedroom()), QStringLiteral("Elm Road 3"));
    ASSERT_TRUE(archive_->Unassign(S::LivingRoomA()).ok);
    ASSERT_TRUE(archive_->RemovePlace(QStringLiteral("Lounge")).ok);
    EXPECT_TRUE(archive_->Site(QStringLiteral("Maple St. 12"))->places.isEmpty());

    ASSERT_TRUE(archive_->SetPlaceSite(S::Bedroom(), QString()).ok);
    EXPECT_TRUE(archive_->SiteOfPlace(S::Bedroom()).isEmpty());
    ASSERT_TRUE(archive_->SetPlaceSite(S::Bedroom(), QStringLiteral("Elm Road 3")).ok);
    ASSERT_TRUE(archive_->RemoveSite(QStringLiteral("Elm Road 3")).ok);
    EXPECT_FALSE(archive_->RemoveSite(QStringLiteral("Elm Road 3")).ok);
    EXPECT_TRUE(archive_->HasPlace(S::Bedroom()));
    EXPECT_EQ(archive_->RunsOfPlace(S::Bedroom()).size(), 3);
    EXPECT_EQ(archive_->Runs().size(), 4);
    EXPECT_TRUE(archive_->Check().consistent);
}

TEST_F(SurveyRecordsTest, AnInstrumentKeepsTheFactorsItsImagesCarriedAndItsCalibrations) {
    BuildScenario();
    for (const auto& [whole, hundredths, month] : {std::tuple{6, 50, 2}, {6, 0, 3}}) {
        ImageBuilder later(Model::V7);
        later.SetCalibration(whole, hundredths);
        later.AddMeasurement({2026, month, 1, 10, 0}, V7Records(5, month));
        ASSERT_TRUE(archive_->Import(SourceOf(later, S::SerialA(), At(2026, month, 2, 8))).ok);
    }
    std::optional<InstrumentInfo> a = archive_->Instrument(S::SerialA());
    ASSERT_TRUE(a);
    EXPECT_EQ(a->model, Model::V7);
    EXPECT_EQ(a->runs, 4);
    ASSERT_EQ(a->factorsSeen.size(), 2);
    EXPECT_DOUBLE_EQ(static_cast<double>(a->factorsSeen[0].factor), 6.0);
    EXPECT_EQ(FormatIsoLocal(a->factorsSeen[0].firstSeen), QStringLiteral("2026-01-12T09:00:00"));
    EXPECT_EQ(FormatIsoLocal(a->factorsSeen[0].lastSeen), QStringLiteral("2026-03-02T08:00:00"));
    EXPECT_DOUBLE_EQ(static_cast<double>(a->factorsSeen[1].factor), 6.5);
    EXPECT_EQ(a->factorsSeen[1].firstSeen, a->factorsSeen[1].lastSeen);

    EXPECT_FALSE(archive_->AddCalibration(QStringLiteral("SN-Z"), {QDate(2025, 1, 1), {}}).ok);
    EXPECT_FALSE(archive_->AddCalibration(S::SerialA(), {QDate::currentDate().addDays(1), {}}).ok);
    EXPECT_FALSE(archive_->AddCalibration(S::SerialA(), {QDate(), {}}).ok);
    ASSERT_TRUE(archive_->AddCalibration(S::SerialA(), {QDate(2025, 12, 1), {}}).ok);
    ASSERT_TRUE(archive_->AddCalibration(S::SerialA(), {QDate(2025, 12, 1), QStringLiteral("R2")})
                    .ok);  // the same day's certificate replaced
    a = archive_->Instrument(S::SerialA());
    ASSERT_EQ(a->calibrations.size(), 2);
    EXPECT_EQ(a->calibrations[0].date, QDate(2025, 12, 1));
    EXPECT_EQ(a->calibrations[0].certificate, QStringLiteral("R2"));
    EXPECT_EQ(a->lastCalibration, QDate(2025, 12, 1));
    ASSERT_TRUE(archive_->RemoveCalibration(S::SerialA(), QDate(2025, 12, 1)).ok);
    EXPECT_FALSE(archive_->RemoveCalibration(S::SerialA(), QDate(2025, 12, 1)).ok);
    EXPECT_EQ(archive_->Instrument(S::SerialA())->lastCalibration, QDate(2025, 6, 1));

    const QList<InstrumentInfo> all = archive_->Instruments();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[1].serial, S::SerialB());
    EXPECT_EQ(all[1].model, Model::V5);
    EXPECT_FALSE(archive_->Instrument(QStringLiteral("SN-Z")));

    // Forgetting takes what the user wrote down, never what the instrument recorded.
    ASSERT_TRUE(archive_->ForgetInstrument(S::SerialB()).ok);
    EXPECT_FALSE(archive_->ForgetInstrument(QStringLiteral("SN-Z")).ok);
    const std::optional<InstrumentInfo> b = archive_->Instrument(S::SerialB());
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->calibrations.isEmpty());
    EXPECT_EQ(b->runs, 2);
    EXPECT_TRUE(archive_->DeploymentOf(S::BasementB()).tester.isEmpty());
    EXPECT_EQ(archive_->DeploymentOf(S::BasementA()).tester, S::TesterA());
    EXPECT_EQ(archive_->RunsOfPlace(S::Bedroom()).size(), 1);
    EXPECT_TRUE(archive_->Check().consistent);
}

TEST_F(SurveyRecordsTest, ADeploymentBelongsToARunAndEndsAfterItBegins) {
    BuildScenario();
    Deployment deployment{S::TesterB(), {}, {}, At(2026, 1, 5, 11), At(2026, 1, 5, 10)};
    EXPECT_FALSE(archive_->SetDeployment(S::BasementB(), deployment).ok);
    EXPECT_FALSE(archive_->SetDeployment(S::Run(S::SerialB(), 6, 12), Deployment{}).ok);
    deployment.retrievedAt = At(2026, 1, 7, 13, 15);
    ASSERT_TRUE(archive_->SetDeployment(S::BasementB(), deployment).ok);
    const Deployment stored = archive_->DeploymentOf(S::BasementB());
    EXPECT_TRUE(stored.deviations.isEmpty());  // replaced as a whole
    EXPECT_EQ(FormatIsoLocal(*stored.retrievedAt), QStringLiteral("2026-01-07T13:15:00"));
    ASSERT_TRUE(archive_->SetDeployment(S::BasementB(), Deployment{}).ok);
    EXPECT_EQ(archive_->DeploymentOf(S::BasementB()).deployedAt, std::nullopt);
    EXPECT_TRUE(archive_->Check().consistent);

    std::unique_ptr<Archive> reader = OpenArchive(OpenMode::ReadOnly);
    EXPECT_FALSE(reader->SetDeployment(S::BasementB(), deployment).ok);
    EXPECT_FALSE(reader->SaveSite({QStringLiteral("Oak Lane"), {}, {}, {}, {}}).ok);
}

TEST_F(SurveyRecordsTest, ASiteIsExportedWithItsNameInEveryRow) {
    BuildScenario();
    ASSERT_TRUE(archive_->SaveSite({QStringLiteral("Elm, Road 3"), {}, {}, {}, {}}).ok);
    ASSERT_TRUE(archive_->SetPlaceSite(S::Bedroom(), QStringLiteral("Elm, Road 3")).ok);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(archive_->ExportSiteCsv(S::Site(), buffer).ok);
    const QList<QByteArray> rows = buffer.data().split('\n');
    ASSERT_EQ(rows.size(), 1 + 48 + 48 + 72 + 1);
    EXPECT_TRUE(rows[0].endsWith(",pressure kPa,site\r"));
    for (int i = 1; i < rows.size() - 1; ++i) {
        EXPECT_TRUE(rows[i].endsWith(",Maple Street 12\r")) << rows[i].constData();
    }
    EXPECT_TRUE(rows[1].startsWith("Basement,SN-A,V7,2026-01-05T10:00:00,"));

    QBuffer all;
    all.open(QIODevice::WriteOnly);
    ASSERT_TRUE(archive_->ExportCsv(S::Bedroom(), all).ok);
    EXPECT_TRUE(all.data().split('\n')[1].endsWith(",,\"Elm, Road 3\"\r"));  // a V5: no climate

    QBuffer unknown;
    unknown.open(QIODevice::WriteOnly);
    const ArchiveStatus status = archive_->ExportSiteCsv(QStringLiteral("Oak Lane"), unknown);
    EXPECT_FALSE(status.ok);
    EXPECT_TRUE(status.error.contains(QStringLiteral("Oak Lane")));
    EXPECT_TRUE(unknown.data().isEmpty());
}

}  // namespace
}  // namespace kelmor::testing
