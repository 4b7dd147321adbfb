// The writer every file goes through, on a disk that fills up part-way, under a file-size
// limit and over things that are not regular files.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/safe_file.h"
#include "full_disk_gtest.h"
#include "time_limit.h"

namespace kelmor {
namespace {

using testing::FillDisk;
using testing::RanOnFullDisk;

// Bytes that differ from one position to the next, so that a fragment or a shifted copy
// never passes for the whole.
QByteArray Pattern(int size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 31 + seed) % 251);
    }
    return bytes;
}

class SafeFileTest : public ::testing::Test {
  protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_EQ(file.write(bytes), bytes.size());
        return path;
    }

    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot read)");
    }

    // Everything in the folder, hidden files included: no new file may stay behind.
    QStringList Entries() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
};

TEST_F(SafeFileTest, AFullDiskKeepsTheOldFileByteForByteAndSaysWhy) {
    if (RanOnFullDisk()) {
        return;
    }
    const QByteArray old = Pattern(5000, 7);
    // Below and above the 16 KB that a buffering writer holds back until it commits.
    for (const int size : {100, 8192, 17000, 131071}) {
        const QByteArray contents = Pattern(size, 1);
        for (const qint64 free : {qint64{0}, qint64{size / 2}, qint64{size - 1}}) {
            SCOPED_TRACE(::testing::Message() << size << " bytes with " << free << " free");
            const QString path = Write(QStringLiteral("saved.Rn"), old);
            FillDisk(dir_.path(), free);
            const FileWrite result = WriteFileSafely(path, contents.constData(), size);
            FillDisk(dir_.path(), -1);
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.error.toStdString(),
                      "Cannot write \"saved.Rn\": No space left on device. The file was left as "
                      "it was.");
            EXPECT_TRUE(ReadAll(path) == old);
            EXPECT_EQ(Entries(), QStringList{QStringLiteral("saved.Rn")});
        }
        // Exactly the room it needs.
        const QString path = dir_.filePath(QStringLiteral("saved.Rn"));
        FillDisk(dir_.path(), size);
        EXPECT_TRUE(WriteFileSafely(path, contents.constData(), size).ok) << size;
        FillDisk(dir_.path(), -1);
        EXPECT_TRUE(ReadAll(path) == contents) << size;
    }

    // No file before: none after, and the message does not speak of one.
    FillDisk(dir_.path(), 10);
    const FileWrite fresh =
        WriteFileSafely(dir_.filePath(QStringLiteral("new.Rn")), "12345678901", 11);
    FillDisk(dir_.path(), -1);
    EXPECT_EQ(fresh.error.toStdString(), "Cannot write \"new.Rn\": No space left on device.");
    EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("new.Rn"))));
}

TEST_F(SafeFileTest, ADiskThatFailsToStoreWhatItTookKeepsTheOldFile) {
    if (RanOnFullDisk()) {
        return;
    }
    const QString path = Write(QStringLiteral("synced.Rn"), "old");
    FillDisk(dir_.path(), -1, true);
    const FileWrite result = WriteFileSafely(path, "new contents", 12);
    FillDisk(dir_.path(), -1);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("Input/output error")))
        << result.error.toStdString();
    EXPECT_EQ(ReadAll(path), QByteArray("old"));
    EXPECT_EQ(Entries().size(), 1);
}

TEST_F(SafeFileTest, AStreamStopsAtItsFirstFailureAndKeepsItsReason) {
    if (RanOnFullDisk()) {
        return;
    }
    const QByteArray old = Pattern(300, 3);
    const QString path = Write(QStringLiteral("picture.Bmp"), old);
    FillDisk(dir_.path(), 10000);
    SafeFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(Pattern(6000, 1)), 6000);
    EXPECT_EQ(file.write(Pattern(6000, 2)), -1);  // 4000 bytes fit, the rest does not
    FillDisk(dir_.path(), -1);
    EXPECT_EQ(file.write(Pattern(10, 4)), -1);  // room again, but the file is already lost
    file.CancelWriting(QStringLiteral("the picture could not be written"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.ErrorMessage().toStdString(),
              "Cannot write \"picture.Bmp\": No space left on device. The file was left as it "
              "was.");
    EXPECT_TRUE(ReadAll(path) == old);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("picture.Bmp")});
}

TEST_F(SafeFileTest, AFileSizeLimitIsAnOrdinaryWriteError) {
    const QByteArray old = Pattern(1000, 5);
    const QString path = Write(QStringLiteral("large.Rn"), old);
    const pid_t child = fork();
    if (child == 0) {
        // As the programs do first thing; without it the signal ends the child.
        IgnoreFileSizeLimitSignal();
        const rlimit limit{20000, 20000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const QByteArray contents = Pattern(131071, 1);
        const FileWrite result = WriteFileSafely(path, contents.constData(), contents.size());
        _exit(!result.ok && result.error.contains(QStringLiteral("File too large")) ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not fail with \"File too large\"";
    EXPECT_TRUE(ReadAll(path) == old);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("large.Rn")});
}

TEST_F(SafeFileTest, OnlyARegularFileIsReplacedAndItKeepsItsPermissions) {
    const testing::TimeLimit limit(std::chrono::seconds(20), "writing over a FIFO");
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.Rn")));
    const FileWrite folder = WriteFileSafely(dir_.filePath(QStringLiteral("folder.Rn")), "x", 1);
    EXPECT_EQ(folder.error.toStdString(), "Cannot write \"folder.Rn\": it is not a regular file.");
    EXPECT_TRUE(QFileInfo(dir_.filePath(QStringLiteral("folder.Rn"))).isDir());

    const QByteArray fifo = QFile::encodeName(dir_.filePath(QStringLiteral("fifo.Rn")));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    EXPECT_FALSE(WriteFileSafely(QString::fromLocal8Bit(fifo), "x", 1).ok);
    struct stat status {};
    ASSERT_EQ(lstat(fifo.constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    // Saving over a link replaces the file it points to; the link stays.
    const QString real = Write(QStringLiteral("real.Rn"), "old");
    ASSERT_EQ(chmod(QFile::encodeName(real).constData(), 0640), 0);
    const QString link = dir_.filePath(QStringLiteral("link.Rn"));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(WriteFileSafely(link, "new", 3).ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(real), QByteArray("new"));
    ASSERT_EQ(stat(QFile::encodeName(real).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    // A new file gets what the user's umask leaves of read and write for all.
    const mode_t mask = umask(027);
    const FileWrite fresh = WriteFileSafely(dir_.filePath(QStringLiteral("fresh.Rn")), "x", 1);
    umask(mask);
    ASSERT_TRUE(fresh.ok);
    ASSERT_EQ(
        stat(QFile::encodeName(dir_.filePath(QStringLiteral("fresh.Rn"))).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace kelmor
