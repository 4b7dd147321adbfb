// Files that are not what they should be, and a disk that fills up: a message that names
// the file, and the file left exactly as it was.
#include <QCryptographicHash>
#include <QFile>
#include <QSqlQuery>

#include "archive/archive.h"
#include "archive_fixture.h"
#include "full_disk_gtest.h"

namespace kelmor::testing {
namespace {

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

ArchiveSource OneRun(int hours, const QString& serial = QStringLiteral("S1")) {
    ImageBuilder builder(Model::V7);
    builder.AddMeasurement({2026, 1, 5, 10, 0}, V7Records(hours, hours));
    return SourceOf(builder, serial, At(2026, 2, 1));
}

class FailuresTest : public ArchiveTest {
  protected:
    // A sound archive holding one run, closed.
    void MakeArchive() {
        std::unique_ptr<Archive> archive = OpenArchive();
        ASSERT_TRUE(archive->Import(OneRun(20)).ok);
    }

    void ExpectRefused(const QString& mention) {
        const QByteArray before = Bytes(ArchivePath());
        for (const OpenMode mode :
             {OpenMode::ReadOnly, OpenMode::ReadWrite, OpenMode::CreateIfMissing}) {
            const OpenResult result = Archive::Open(ArchivePath(), {mode, 200});
            EXPECT_FALSE(result.archive);
            EXPECT_TRUE(result.error.contains(ArchivePath())) << qPrintable(result.error);
            EXPECT_TRUE(result.error.contains(mention)) << qPrintable(result.error);
        }
        EXPECT_EQ(Bytes(ArchivePath()), before);
    }
};

TEST_F(FailuresTest, ANewerVersionIsRefusedNamingBothVersions) {
    MakeArchive();
    Raw(ArchivePath(), {QStringLiteral("PRAGMA user_version = 7")});
    ExpectRefused(QStringLiteral("archive version 7; this one knows version 2"));
}

TEST_F(FailuresTest, ForeignDamagedTruncatedAndEmptyFilesAreRefusedUntouched) {
    WriteBytes(ArchivePath(), QByteArray("place,instrument\r\nCellar,S1\r\n"));
    ExpectRefused(QStringLiteral("not a Kelmor archive"));

    WriteBytes(ArchivePath(), {});
    ExpectRefused(QStringLiteral("not a Kelmor archive"));

    QFile::remove(ArchivePath());
    MakeArchive();
    const QByteArray whole = Bytes(ArchivePath());
    WriteBytes(ArchivePath(), whole.left(whole.size() / 2));
    ExpectRefused(QStringLiteral("damaged"));

    QByteArray scribbled = whole;
    for (int i = 4096 + 100; i < scribbled.size(); i += 7) {
        scribbled[i] = static_cast<char>(0xA5);
    }
    WriteBytes(ArchivePath(), scribbled);
    ExpectRefused(QStringLiteral("damaged"));

    QFile::remove(ArchivePath());
    Raw(ArchivePath(), {QStringLiteral("CREATE TABLE other (x)")});
    ExpectRefused(QStringLiteral("not a Kelmor archive"));
}

TEST_F(FailuresTest, AnArchiveLockedByAnotherProgramIsNamed) {
    MakeArchive();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "holder");
    db.setDatabaseName(ArchivePath());
    ASSERT_TRUE(db.open());
    QSqlQuery(db).exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
    ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    const OpenResult result = Archive::Open(ArchivePath(), {OpenMode::ReadWrite, 100});
    EXPECT_FALSE(result.archive);
    EXPECT_TRUE(result.error.contains(QStringLiteral("locked"))) << qPrintable(result.error);
    EXPECT_TRUE(result.error.contains(ArchivePath()));
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
}

TEST_F(FailuresTest, AReadOnlyArchiveIsReadButTakesNoImport) {
    MakeArchive();
    const QByteArray before = Bytes(ArchivePath());
    const std::unique_ptr<Archive> archive = OpenArchive(OpenMode::ReadOnly);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(archive->IsReadOnly());
    EXPECT_EQ(archive->Runs().size(), 1);
    const ImportOutcome outcome = archive->Import(OneRun(30, QStringLiteral("S2")));
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.error.contains(ArchivePath()));
    EXPECT_FALSE(archive->Assign(archive->Runs()[0].key, QStringLiteral("Cellar")).ok);
    EXPECT_TRUE(archive->Check().consistent);
    EXPECT_EQ(Bytes(ArchivePath()), before);
}

TEST_F(FailuresTest, AMissingArchiveIsCreatedOnlyForAnImport) {
    EXPECT_FALSE(Archive::Open(ArchivePath(), {OpenMode::ReadOnly, 100}).archive);
    EXPECT_FALSE(QFile::exists(ArchivePath()));
    OpenResult created = Archive::Open(folder_.filePath(QStringLiteral("sub/dir/a.sqlite")),
                                       {OpenMode::CreateIfMissing, 100});
    ASSERT_TRUE(created.archive) << qPrintable(created.error);
    EXPECT_TRUE(created.archive->Runs().isEmpty());
}

TEST_F(FailuresTest, AFullDiskGivesAMessageAndLeavesTheArchiveAsItWas) {
    if (RanOnFullDisk()) {
        return;
    }
    MakeArchive();
    std::unique_ptr<Archive> archive = OpenArchive(OpenMode::ReadWrite);
    const QList<RunInfo> before = archive->Runs();
    for (const qint64 room : {0, 2000, 20000, 60000}) {
        FillDisk(folder_.path(), room);
        const ImportOutcome outcome = archive->Import(OneRun(900, QStringLiteral("S9")));
        FillDisk(folder_.path(), -1);
        EXPECT_FALSE(outcome.ok) << room;
        EXPECT_TRUE(outcome.error.contains(ArchivePath())) << qPrintable(outcome.error);
        archive.reset();
        archive = OpenArchive(OpenMode::ReadWrite);
        ASSERT_TRUE(archive);
        const QList<RunInfo> after = archive->Runs();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after[0].hours, before[0].hours);
        EXPECT_TRUE(archive->Check().consistent);
    }
    EXPECT_TRUE(archive->Import(OneRun(900, QStringLiteral("S9"))).ok);
}

}  // namespace
}  // namespace kelmor::testing
