#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/data_file.h"
#include "decode_helpers.h"

namespace kelmor {
namespace {

using testing::ConstantPulses;
using testing::ImageBuilder;
using testing::NewData;

class DataFile : public ::testing::Test {
  protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray Bytes(const ImageBuilder& b) {
        return QByteArray(reinterpret_cast<const char*>(b.Image().data()), b.Layout().imageSize);
    }

    QTemporaryDir dir_;
    ImageBuffer staging_{};
};

TEST_F(DataFile, ReadsEachModelAndRefusesWhatIsNotADataFile) {
    for (const Model model : {Model::V5, Model::V6, Model::V7}) {
        ImageBuilder b(model);
        b.AddMeasurement({2026, 1, 1}, ConstantPulses(10, 5));
        const DataFileRead read = ReadDataFile(Write("ok.Rn", Bytes(b)), staging_);
        ASSERT_TRUE(read.ok) << qPrintable(read.error);
        EXPECT_EQ(read.model, model);
        EXPECT_TRUE(std::equal(staging_.begin(), staging_.begin() + b.Layout().imageSize,
                               b.Image().begin()));
    }
    const DataFileRead missing = ReadDataFile(dir_.filePath("missing.Rn"), staging_);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("\"missing.Rn\"")));

    const DataFileRead empty = ReadDataFile(Write("empty.Rn", {}), staging_);
    EXPECT_FALSE(empty.ok);
    EXPECT_TRUE(empty.error.contains(QStringLiteral("empty")));

    const DataFileRead tag = ReadDataFile(Write("tag.Rn", QByteArray(8192, '4')), staging_);
    EXPECT_FALSE(tag.ok);
    EXPECT_TRUE(tag.error.contains(QStringLiteral("0x34")));

    const DataFileRead oneByte = ReadDataFile(Write("one.Rn", QByteArray("3")), staging_);
    EXPECT_FALSE(oneByte.ok);
    EXPECT_TRUE(oneByte.error.contains(QStringLiteral("1 of the 131071 bytes")));
}

TEST_F(DataFile, EachModelOneByteShortIsRefusedAndALongerFileIsReadUpToItsSize) {
    for (const Model model : {Model::V5, Model::V6, Model::V7}) {
        ImageBuilder b(model);
        const QByteArray bytes = Bytes(b);
        EXPECT_FALSE(ReadDataFile(Write("short.Rn", bytes.left(bytes.size() - 1)), staging_).ok);
        staging_.fill(0xAB);
        const DataFileRead longer =
            ReadDataFile(Write("long.Rn", bytes + QByteArray(5000, 'x')), staging_);
        EXPECT_TRUE(longer.ok);
        if (model != Model::V7) {
            EXPECT_EQ(staging_[bytes.size()], 0xAB);  // nothing read past the model's size
        }
    }
    // A V6 tag in a file of V5 size is a short V6 file.
    ImageBuilder v6(Model::V6);
    EXPECT_FALSE(ReadDataFile(Write("v6.Rn", Bytes(v6).left(8192)), staging_).ok);
}

TEST_F(DataFile, AWriteProtectedFileOpens) {
    ImageBuilder b(Model::V5);
    const QString path = Write("protected.Rn", Bytes(b));
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_TRUE(ReadDataFile(path, staging_).ok);
}

TEST_F(DataFile, SaveWritesTheModelsSizeByteForByteAndReadsBackTheSame) {
    ImageBuilder b(Model::V6);
    b.AddMeasurement({2026, 1, 1}, ConstantPulses(10, 5));
    auto data = NewData();
    testing::Decode(*data, b);
    data->MeasurementImage[40000] = 0x77;  // beyond a V6 image: not saved
    const QString path = dir_.filePath("saved.Rn");
    ASSERT_TRUE(SaveDataFile(path, *data).ok);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), Bytes(b));
}

TEST_F(DataFile, AFailingWriteKeepsTheOldFileAndSaysWhy) {
    const QString path = Write("keep.Rn", QByteArray("old contents"));
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const FileWrite result = WriteFileSafely(path, "new", 3);
    QFile::setPermissions(dir_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (QFileInfo(dir_.path()).isWritable() && result.ok) {
        GTEST_SKIP() << "running with permissions that ignore a read-only folder";
    }
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("\"keep.Rn\"")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old contents"));
}

TEST_F(DataFile, AFolderThatDoesNotExistIsReported) {
    const FileWrite result = WriteFileSafely(dir_.filePath("no/such/folder/x.Rn"), "new", 3);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("Cannot write \"x.Rn\"")));
}

}  // namespace
}  // namespace kelmor
