#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "archive/survey.h"

namespace kelmor {

// The warning the window gives where the calibration of an instrument in force at `at` (a
// run's start, or now) is overdue; empty where it is not. None for an instrument the
// archive does not know.
inline QString CalibrationWarning(const InstrumentInfo* instrument, DateTime at) {
    const std::optional<QDate> inForce =
        instrument ? CalibrationAt(*instrument, at) : std::optional<QDate>();
    if (!CalibrationOverdue(inForce, at)) {
        return QString();
    }
    if (inForce) {
        return QStringLiteral("calibration overdue (last %1)").arg(inForce->toString(Qt::ISODate));
    }
    return instrument && !instrument->calibrations.isEmpty()
               ? QStringLiteral("no calibration recorded before it")
               : QStringLiteral("no calibration recorded");
}

}  // namespace kelmor
