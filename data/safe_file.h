#pragma once

#include <QIODevice>
#include <QString>

namespace kelmor {

// Every file the program writes goes through here: data files, exports, pictures, printed
// PDF files and the read-out's temporary files. A path ends up holding either the complete
// new contents or, after any failure, exactly what it held before, and the failure is
// reported with the system's reason.
//
// The bytes go unbuffered, with write(2), into a new file beside the target, which is
// synced and renamed over the target only when every byte was taken. A buffering writer
// could defer a failing write to the moment of replacing the file and then replace it with
// a fragment; here a full disk, a file-size limit or an I/O error fails the write that
// meets it.
class SafeFile : public QIODevice {
  public:
    explicit SafeFile(const QString& path);
    ~SafeFile() override;  // an uncommitted file is cancelled

    // Creates the new file beside the target; only QIODevice::WriteOnly is supported. The
    // target may not exist yet; when it does, it must be a regular file that may be written,
    // and the new file takes its permissions. A symbolic link is followed to its file.
    bool open(OpenMode mode) override;
    bool isSequential() const override { return true; }

    // Syncs the new file and puts it in the target's place. False, with the target
    // untouched, when any write failed or the file was cancelled.
    bool Commit();
    // Gives up: the new file is removed and the target stays as it was. `reason` is
    // reported unless an earlier failure already gave one.
    void CancelWriting(const QString& reason);

    // "Cannot write "<name>": <reason>.", telling that an existing file was kept.
    QString ErrorMessage() const;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

  private:
    void Fail(const QString& reason);
    void FailWithErrno(int error);
    void Discard();

    QString path_;    // as the caller named it, for messages
    QString target_;  // the file replaced: `path_` with symbolic links followed
    QString temporary_;
    int fd_ = -1;
    bool targetExisted_ = false;
    QString reason_;
};

struct FileWrite {
    bool ok = false;
    QString error;  // names the file and the system's reason when !ok
};

// Replaces `path` with `size` bytes of `contents` through a SafeFile.
FileWrite WriteFileSafely(const QString& path, const char* contents, qint64 size);

// Writes all `size` bytes to the descriptor `fd`, again after an interruption. 0 when every
// byte was taken, otherwise the system's error number; a descriptor that takes no byte
// has no room for it (ENOSPC).
int WriteAll(int fd, const char* data, qint64 size);

// A write beyond the file-size limit (ulimit -f) then fails with "File too large" like any
// other failing write, instead of the signal ending the program. Each program calls it
// first thing.
void IgnoreFileSizeLimitSignal();

}  // namespace kelmor
