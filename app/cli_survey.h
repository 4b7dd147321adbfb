#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "archive/archive.h"

// kelmor-cli archive sites|site|site-rename|site-remove|place-site|deployment|instruments|
// instrument|calibration|calibration-remove|instrument-forget|duplicates: the survey's
// records (sites, deployments, calibrations, duplicates) without a window. Part of the
// archive's contract (README, man page).

namespace kelmor::cli {

bool IsSurveyCommand(const QString& command);
// The options of the survey's commands, added to the archive's.
void AddSurveyOptions(QCommandLineParser& parser);
// `arguments` are the positional ones, "archive" and the command first. Writes the
// command's usage and returns kUsage when they do not fit it. Returns the exit code.
int SurveyCommand(Archive& archive, const QStringList& arguments, const QCommandLineParser& parser);

}  // namespace kelmor::cli
