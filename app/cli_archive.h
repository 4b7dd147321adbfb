#pragma once

#include <QStringList>

// kelmor-cli archive [--archive DB] import|runs|assign|places|samples|summary|export|rebuild|
// check|report, and the survey's commands (cli_survey.h): the radon record without a window.
// The command lines, the outputs and the exit codes are a contract that tests and outside
// checks rely on (README, man page).

namespace kelmor::cli {

// `arguments` as the program got them, "archive" second. Returns the exit code.
int ArchiveCommand(const QStringList& arguments);

}  // namespace kelmor::cli
