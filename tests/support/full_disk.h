#pragma once

// Tests on a disk that fills up part-way, as a normal user and as root alike: the test
// process runs itself again with the full_disk_preload library preloaded, and the test's
// body runs in that child, where FillDisk() says how much room a folder has left.

#include <dlfcn.h>

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kelmor::testing {

// True in the child that RunUnderFullDisk started.
inline bool InFullDiskChild() {
    return qEnvironmentVariableIsSet("KELMOR_FULL_DISK_CHILD");
}

// Whether the interposer is in this process: the child checks it, so that a test that
// would pass without any write failing cannot pass.
inline bool FullDiskLoaded() {
    return dlsym(RTLD_DEFAULT, "kelmor_full_disk_set") != nullptr;
}

// From now on writes into the files of `folder` take `freeBytes` in all and then fail with
// "No space left on device"; a negative count lifts the limit. With `syncFails` a sync of
// those files fails with "Input/output error".
inline void FillDisk(const QString& folder, qint64 freeBytes, bool syncFails = false) {
    using Set = void (*)(const char*, long long, int);
    const auto set = reinterpret_cast<Set>(dlsym(RTLD_DEFAULT, "kelmor_full_disk_set"));
    if (set) {
        set(QFileInfo(folder).canonicalFilePath().toLocal8Bit().constData(), freeBytes,
            syncFails ? 1 : 0);
    }
}

struct ChildRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray output;
};

// Runs this test program again, with `arguments` choosing the test, under the interposer.
inline ChildRun RunUnderFullDisk(const QStringList& arguments, int timeoutMs = 240000) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KELMOR_FULL_DISK_PRELOAD));
    environment.insert(QStringLiteral("KELMOR_FULL_DISK_CHILD"), QStringLiteral("1"));
    // An AddressSanitizer build wants its runtime first; the interposer only forwards to it.
    QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
    asan += QStringLiteral("%1verify_asan_link_order=0").arg(asan.isEmpty() ? "" : ":");
    environment.insert(QStringLiteral("ASAN_OPTIONS"), asan);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(), arguments);
    ChildRun run;
    run.finished = child.waitForFinished(timeoutMs);
    if (!run.finished) {
        child.kill();
        child.waitForFinished();
    }
    run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    run.output = child.readAll();
    return run;
}

}  // namespace kelmor::testing
