#include "safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <csignal>

#include "quoted_name.h"

namespace kelmor {

namespace {

constexpr int kLinkDepth = 40;      // as the kernel follows them
constexpr int kNameAttempts = 100;  // new names to try when one is taken
constexpr qint64 kLargestWrite = 1 << 30;

}  // namespace

SafeFile::SafeFile(const QString& path) : path_(path) {}

SafeFile::~SafeFile() {
    Discard();
}

bool SafeFile::open(OpenMode mode) {
    if (isOpen() || (mode & ReadWrite) != WriteOnly || (mode & (Append | ExistingOnly))) {
        Fail(QStringLiteral("the file can only be written whole"));
        return false;
    }
    reason_.clear();

    // Saving over a link replaces the file it points to, not the link.
    QFileInfo target(path_);
    for (int depth = 0; depth < kLinkDepth && target.isSymLink(); ++depth) {
        target.setFile(target.symLinkTarget());
    }
    target_ = target.filePath();

    struct stat status {};
    const QByteArray targetName = QFile::encodeName(target_);
    mode_t permissions = 0;
    if (::stat(targetName.constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) {
            Fail(QStringLiteral("it is not a regular file"));
            return false;
        }
        // A write-protected file stays protected, although the folder would let it be
        // replaced.
        if (::access(targetName.constData(), W_OK) != 0) {
            FailWithErrno(errno);
            return false;
        }
        targetExisted_ = true;
        permissions = status.st_mode & 07777;
    } else if (errno != ENOENT) {
        FailWithErrno(errno);
        return false;
    }

    // Beside the target, so that the rename stays on one filesystem; created with the mode
    // a new file gets, so that the user's umask applies.
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary_ =
            target_ + QStringLiteral(".%1").arg(QRandomGenerator::global()->generate() & 0xFFFFFF,
                                                6, 16, QLatin1Char('0'));
        fd_ = ::open(QFile::encodeName(temporary_).constData(),
                     O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) {
        const int error = errno;
        temporary_.clear();
        FailWithErrno(error);
        return false;
    }
    if (targetExisted_ && ::fchmod(fd_, permissions) != 0) {
        FailWithErrno(errno);
        return false;
    }
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 SafeFile::writeData(const char* data, qint64 size) {
    if (fd_ < 0) {
        return -1;
    }
    if (const int error = WriteAll(fd_, data, size)) {
        FailWithErrno(error);
        return -1;
    }
    return size;
}

qint64 SafeFile::readData(char*, qint64) {
    return -1;
}

bool SafeFile::Commit() {
    if (fd_ < 0) {
        Fail(QStringLiteral("the file was not written"));
        QIODevice::close();
        return false;
    }
    // A disk that accepted the bytes may still fail to store them: only a successful sync
    // lets the new file replace the old one.
    if (::fsync(fd_) != 0) {
        FailWithErrno(errno);
        QIODevice::close();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        FailWithErrno(errno);
        QIODevice::close();
        return false;
    }
    if (::rename(QFile::encodeName(temporary_).constData(),
                 QFile::encodeName(target_).constData()) != 0) {
        FailWithErrno(errno);
        QIODevice::close();
        return false;
    }
    temporary_.clear();
    // The file is complete in its place; syncing the folder only makes the new name last
    // through a power cut, so a folder that cannot be synced does not fail the save.
    const int folder = ::open(QFile::encodeName(QFileInfo(target_).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    QIODevice::close();
    return true;
}

void SafeFile::CancelWriting(const QString& reason) {
    Fail(reason);
}

QString SafeFile::ErrorMessage() const {
    if (reason_.isEmpty()) {
        return QString();
    }
    QString message = QStringLiteral("Cannot write %1: %2.").arg(QuotedFileName(path_), reason_);
    if (targetExisted_) {
        message += QStringLiteral(" The file was left as it was.");
    }
    return message;
}

void SafeFile::Fail(const QString& reason) {
    if (reason_.isEmpty()) {
        reason_ = reason;
        setErrorString(reason);
    }
    Discard();
}

void SafeFile::FailWithErrno(int error) {
    Fail(qt_error_string(error));
}

void SafeFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty()) {
        ::unlink(QFile::encodeName(temporary_).constData());
        temporary_.clear();
    }
}

int WriteAll(int fd, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, std::min(size - done, kLargestWrite));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return ENOSPC;
        }
        done += n;
    }
    return 0;
}

FileWrite WriteFileSafely(const QString& path, const char* contents, qint64 size) {
    SafeFile file(path);
    FileWrite result;
    result.ok =
        file.open(QIODevice::WriteOnly) && file.write(contents, size) == size && file.Commit();
    if (!result.ok) {
        result.error = file.ErrorMessage();
    }
    return result;
}

void IgnoreFileSizeLimitSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace kelmor
