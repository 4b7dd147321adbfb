#pragma once

#include <QFile>
#include <QString>

namespace kelmor {

// Opens `path` for reading when it is a regular file (a symbolic link is followed). A FIFO,
// a device, a socket or a folder is refused before it is opened: a FIFO would block the
// open until some other program writes to it, and a device may act on being opened. The
// open itself never waits and is checked again, so something put in the file's place
// between the check and the open is refused too. On failure `error` names the file and
// says why.
bool OpenRegularFile(const QString& path, QFile& file, QString& error);

}  // namespace kelmor
