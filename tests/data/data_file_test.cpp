#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/data_file.h"
#include "decode_helpers.h"
#include "full_disk_gtest.h"
#include "time_limit.h"

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
    if (testing::RanOnFullDisk()) {
        return;
    }
    const QString path = Write("keep.Rn", QByteArray("old contents"));
    ImageBuilder b(Model::V7);
    b.AddMeasurement({2026, 1, 1}, ConstantPulses(10, 5));
    auto data = NewData();
    testing::Decode(*data, b);
    testing::FillDisk(dir_.path(), 4096);
    const FileWrite result = SaveDataFile(path, *data);
    testing::FillDisk(dir_.path(), -1);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("\"keep.Rn\"")));
    EXPECT_TRUE(result.error.contains(QStringLiteral("No space left on device")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old contents"));
}

TEST_F(DataFile, OnlyRegularFilesAreOpenedAndNothingWaits) {
    const testing::TimeLimit limit(std::chrono::seconds(20), "opening what is not a file");
    const QString fifo = dir_.filePath("fifo.Rn");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString linkToFifo = dir_.filePath("link.Rn");
    ASSERT_TRUE(QFile::link(fifo, linkToFifo));
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.Rn"));

    const QString socketPath = dir_.filePath("socket.Rn");
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = QFile::encodeName(socketPath);
    ASSERT_LT(socketName.size(), int(sizeof address.sun_path));
    std::copy(socketName.begin(), socketName.end(), address.sun_path);
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    staging_.fill(0xAB);
    for (const QString& path :
         {fifo, linkToFifo, dir_.filePath("folder.Rn"), socketPath, QStringLiteral("/dev/null")}) {
        const DataFileRead read = ReadDataFile(path, staging_);
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.error,
                  QStringLiteral("\"%1\" is not a regular file.").arg(QFileInfo(path).fileName()));
    }
    close(listening);
    EXPECT_TRUE(std::all_of(staging_.begin(), staging_.end(), [](auto b) { return b == 0xAB; }));
}

TEST_F(DataFile, AFolderThatDoesNotExistIsReported) {
    const FileWrite result = WriteFileSafely(dir_.filePath("no/such/folder/x.Rn"), "new", 3);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("Cannot write \"x.Rn\"")));
}

}  // namespace
}  // namespace kelmor
