#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <memory>

#include "archive/archive.h"
#include "image_builder.h"
#include "test_archives.h"

namespace kelmor::testing {

// A fresh archive for each test: a file in a temporary folder, or an empty database on the
// test server when the suite runs on PostgreSQL (test_archives.h).
class ArchiveTest : public ::testing::Test {
  protected:
    QString ArchivePath() const { return location_; }

    std::unique_ptr<Archive> OpenArchive(OpenMode mode = OpenMode::CreateIfMissing) {
        OpenResult result = Archive::Open(ArchivePath(), {mode, 2000});
        EXPECT_TRUE(result.archive) << qPrintable(result.error);
        return std::move(result.archive);
    }

    TestArchives archives_;
    const QTemporaryDir& folder_ = archives_.Folder();
    QString location_ = archives_.NewLocation();
};

inline DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    DateTime date = 0;
    TryEncodeDate(year, month, day, date);
    return date + EncodeTime(hour, minute, 0, 0);
}

inline ArchiveSource SourceOf(const ImageBuilder& builder, const QString& serial,
                              DateTime readOutAt,
                              const QString& origin = QStringLiteral("read-out")) {
    ArchiveSource source;
    source.model = builder.Layout().model;
    source.image = QByteArray(reinterpret_cast<const char*>(builder.Image().data()),
                              builder.Layout().imageSize);
    source.serial = serial;
    source.readOutAt = readOutAt;
    source.utcOffsetSeconds = 3600;
    source.origin = origin;
    return source;
}

// Runs `statements` on what holds the archive through a connection of its own (on a file
// without the archive's foreign keys, as another program might), each whatever became of
// the ones before.
inline void Raw(const QString& location, const QStringList& statements) {
    for (const QString& statement : statements) {
        RawSql(location, {statement});
    }
}

// The statement that makes the archive claim `version`, behind its back.
inline QString StoredVersion(int version) {
    return TestArchives::OnServer()
               ? QStringLiteral("UPDATE kelmor_meta SET value = '%1' WHERE name = 'version'")
                     .arg(version)
               : QStringLiteral("PRAGMA user_version = %1").arg(version);
}

// V7 records whose pulses and climate bytes follow the hour, offset by `seed`.
inline std::vector<RawRecord> V7Records(int hours, int seed) {
    std::vector<RawRecord> records;
    for (int k = 0; k < hours; ++k) {
        records.push_back(
            {20 + (k * 7 + seed) % 40, 140 + k % 5, 150 + (k + seed) % 9, 120 + k % 3});
    }
    return records;
}

}  // namespace kelmor::testing
