#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "quoted_name.h"

namespace kelmor {

namespace {

QString CannotOpen(const QString& path, int error) {
    return QStringLiteral("Cannot open %1: %2.").arg(QuotedFileName(path), qt_error_string(error));
}

QString NotRegular(const QString& path) {
    return QStringLiteral("%1 is not a regular file.").arg(QuotedFileName(path));
}

}  // namespace

bool OpenRegularFile(const QString& path, QFile& file, QString& error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0) {
        error = CannotOpen(path, errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = NotRegular(path);
        return false;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = CannotOpen(path, errno);
        return false;
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = NotRegular(path);
        ::close(fd);
        return false;
    }
    // Reads of a regular file do not wait anyway; blocking again is what QFile expects.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        error = QStringLiteral("Cannot open %1: %2.").arg(QuotedFileName(path), file.errorString());
        ::close(fd);
        return false;
    }
    return true;
}

}  // namespace kelmor
