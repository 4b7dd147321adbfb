#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "archive/survey.h"

namespace kelmor {

// The warning the window gives where an instrument's calibration is overdue at `at` (a
// run's start, or now); empty where it is not.
inline QString CalibrationWarning(const std::optional<QDate>& lastCalibration, DateTime at) {
    if (!CalibrationOverdue(lastCalibration, at)) {
        return QString();
    }
    if (!lastCalibration) {
        return QStringLiteral("no calibration recorded");
    }
    return QStringLiteral("calibration overdue (last %1)")
        .arg(lastCalibration->toString(Qt::ISODate));
}

}  // namespace kelmor
