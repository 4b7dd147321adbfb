#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace kelmor::testing {

// kelmor-cli run to its end, as a user's shell would: what it printed and how it exited.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline QProcessEnvironment CliEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB.UTF-8"));
    return env;
}

inline CliRun RunCli(const QStringList& args, const QProcessEnvironment& env = CliEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KELMOR_CLI), args);
    EXPECT_TRUE(process.waitForFinished(60000)) << "kelmor-cli did not end";
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

}  // namespace kelmor::testing
