#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

#include "data/date_time.h"

namespace kelmor {

// A run is one measurement of an instrument's list. The instrument dates it by its start,
// to the minute, in its own clock's local time: together with the instrument's serial
// number that identifies the run in every later read-out that still shows it.
struct RunKey {
    QString serial;
    qint64 startMinutes = 0;  // whole minutes since 30 December 1899, local time

    bool operator==(const RunKey& other) const {
        return serial == other.serial && startMinutes == other.startMinutes;
    }
    bool operator<(const RunKey& other) const {
        return serial != other.serial ? serial < other.serial : startMinutes < other.startMinutes;
    }
};

// The start exactly as the decoder computes it from the directory's date and time, so that
// sample times made from it match those of a decoded image to the last bit.
DateTime RunStartTime(qint64 startMinutes);
// The whole minute of a measurement's start time.
qint64 RunStartMinutes(DateTime startTime);
// "YYYY-MM-DDTHH:MM".
QString FormatRunStart(qint64 startMinutes);
// A start given as YYYY-MM-DDTHH:MM; none when it is not one.
std::optional<qint64> ParseRunStart(const QString& text);
// A time as the archive stores it, YYYY-MM-DDTHH:MM:SS (FormatIsoLocal), read by its fields
// like a start; none when it is not one.
std::optional<DateTime> ParseStoredTime(const QString& text);

}  // namespace kelmor
