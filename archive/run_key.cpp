#include "run_key.h"

#include <QRegularExpression>
#include <cmath>

namespace kelmor {

namespace {
constexpr qint64 kMinutesPerDay = 1440;
}

DateTime RunStartTime(qint64 startMinutes) {
    const qint64 day = startMinutes >= 0 ? startMinutes / kMinutesPerDay
                                         : -((-startMinutes + kMinutesPerDay - 1) / kMinutesPerDay);
    const int minuteOfDay = static_cast<int>(startMinutes - day * kMinutesPerDay);
    return static_cast<DateTime>(day) + EncodeTime(minuteOfDay / 60, minuteOfDay % 60, 0, 0);
}

qint64 RunStartMinutes(DateTime startTime) {
    return std::llround(startTime * static_cast<double>(kMinutesPerDay));
}

QString FormatRunStart(qint64 startMinutes) {
    return FormatIsoLocal(RunStartTime(startMinutes)).left(16);
}

std::optional<qint64> ParseRunStart(const QString& text) {
    // Fields, not QDateTime: the instrument's clock knows no daylight saving time, so an
    // hour that the PC's zone skips is still a start it can have.
    static const QRegularExpression kPattern(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch match = kPattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int hour = match.captured(4).toInt();
    const int minute = match.captured(5).toInt();
    DateTime day = 0;
    if (hour > 23 || minute > 59 ||
        !TryEncodeDate(match.captured(1).toInt(), match.captured(2).toInt(),
                       match.captured(3).toInt(), day)) {
        return std::nullopt;
    }
    return static_cast<qint64>(day) * kMinutesPerDay + hour * 60 + minute;
}

std::optional<DateTime> ParseStoredTime(const QString& text) {
    static const QRegularExpression kSeconds(QStringLiteral("^:(\\d{2})$"));
    const std::optional<qint64> minute = ParseRunStart(text.left(16));
    const QRegularExpressionMatch seconds = kSeconds.match(text.mid(16));
    if (!minute || !seconds.hasMatch() || seconds.captured(1).toInt() > 59) {
        return std::nullopt;
    }
    return RunStartTime(*minute) + EncodeTime(0, 0, seconds.captured(1).toInt(), 0);
}

}  // namespace kelmor
