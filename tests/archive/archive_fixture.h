#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <memory>

#include "archive/archive.h"
#include "image_builder.h"

namespace kelmor::testing {

// A fresh archive file in a temporary folder for each test.
class ArchiveTest : public ::testing::Test {
  protected:
    QString ArchivePath() const { return folder_.filePath(QStringLiteral("archive.sqlite")); }

    std::unique_ptr<Archive> OpenArchive(OpenMode mode = OpenMode::CreateIfMissing) {
        OpenResult result = Archive::Open(ArchivePath(), {mode, 2000});
        EXPECT_TRUE(result.archive) << qPrintable(result.error);
        return std::move(result.archive);
    }

    QTemporaryDir folder_;
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

// Runs `statements` on the file through a connection of its own (without the archive's
// foreign keys, as another program might).
inline void Raw(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "raw");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        for (const QString& s : statements) {
            QSqlQuery(db).exec(s);
        }
    }
    QSqlDatabase::removeDatabase("raw");
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
