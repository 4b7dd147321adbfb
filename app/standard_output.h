#pragma once

#include <QIODevice>
#include <QString>
#include <QTextStream>

namespace kelmor {

// kelmor-cli's standard output. Everything a command prints goes through Out(), whose
// device writes with write(2) and keeps the first failure, so that no lost output passes
// for success: a full disk, /dev/full, a file-size limit, a closed standard output.
class StandardOutput : public QIODevice {
  public:
    StandardOutput();

    bool isSequential() const override { return true; }
    // The system's reason for the first write that failed; empty while all was written.
    const QString& Failure() const { return failure_; }
    // Flushes Out() and closes standard output, which may report a failure of its own.
    void Finish();

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

  private:
    void Fail(int error);

    QString failure_;
};

// Called first thing: a standard descriptor that the caller closed (kelmor-cli >&-) is
// taken by /dev/null, so that the next file the program opens does not become its
// standard output, and output to it fails as the closed one would.
void HoldStandardDescriptors();

StandardOutput& OutputDevice();
// The text stream of every command's output, on OutputDevice().
QTextStream& Out();
// The text stream of every message, on standard error.
QTextStream& Err();

}  // namespace kelmor
