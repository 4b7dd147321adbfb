#include "standard_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "data/safe_file.h"

namespace kelmor {

StandardOutput::StandardOutput() {
    QIODevice::open(WriteOnly | Unbuffered);
}

qint64 StandardOutput::readData(char*, qint64) {
    return -1;
}

qint64 StandardOutput::writeData(const char* data, qint64 size) {
    if (!failure_.isEmpty()) {
        return -1;
    }
    if (const int error = WriteAll(STDOUT_FILENO, data, size)) {
        Fail(error);
        return -1;
    }
    return size;
}

void StandardOutput::Finish() {
    Out().flush();
    // Some filesystems report a failed write only when the file is closed.
    if (::close(STDOUT_FILENO) != 0 && errno != EINTR) {
        Fail(errno);
    }
}

void StandardOutput::Fail(int error) {
    if (failure_.isEmpty()) {
        failure_ = qt_error_string(error);
    }
}

void HoldStandardDescriptors() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open() takes the lowest free descriptor, which is this one. Standard output
            // gets a read-only descriptor, so that writes fail with "Bad file descriptor"
            // as they did before; standard error's messages go nowhere, as they would have.
            ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        }
    }
}

StandardOutput& OutputDevice() {
    static StandardOutput device;
    return device;
}

QTextStream& Out() {
    static QTextStream stream(&OutputDevice());
    return stream;
}

QTextStream& Err() {
    static QTextStream stream(stderr);
    return stream;
}

}  // namespace kelmor
