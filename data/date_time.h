#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>
#include <optional>

namespace kelmor {

// The instrument's and the chart's unit of time: days since 30 December 1899, with the
// time of day as the fraction.
using DateTime = double;

struct DateTimeFields {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// False when the day does not exist in its month (31 April, 30 February) or a field is out
// of range; `result` is then left unchanged.
bool TryEncodeDate(int year, int month, int day, DateTime& result);
DateTime EncodeTime(int hour, int minute, int second, int millisecond);

// Rounds to the nearest millisecond before breaking the value into fields.
DateTimeFields DecodeDateTime(DateTime value);

// Milliseconds since 30 December 1899, rounded to the nearest: the resolution at which the
// program shows every date-time. A sample's time is its start plus whole hours in double
// precision, often one step away from the whole hour, so times are compared at this
// resolution, never as raw doubles. Values beyond year 9999 count as 0.
long long MillisecondsOf(DateTime value);
// True when `value` lies in [from, to], both ends included, at millisecond resolution.
bool WithinRange(DateTime value, DateTime from, DateTime to);

DateTime DateTimeFromQt(const QDateTime& local);
QDateTime DateTimeToQt(DateTime value);

// The date and time separators of the user's regional settings.
struct Separators {
    QChar date = QLatin1Char('/');
    QChar time = QLatin1Char(':');

    static Separators FromSystemLocale();
};

// "DD/MM HH.NN" with the date separator in place of the slash.
QString FormatDayMonthHourMinute(DateTime value, const Separators& separators);
// "DD/MM HH.xx": the hour only, the minutes left as the literal "xx".
QString FormatDayMonthHourXx(DateTime value, const Separators& separators);
// "DD/MM HH.00": the hour with the literal "00".
QString FormatDayMonthHour00(DateTime value, const Separators& separators);
// "YY/MM/DD HH:mm" with both separators.
QString FormatExportTime(DateTime value, const Separators& separators);
// "YYYY-MM-DDTHH:MM:SS", ISO 8601 local time without a zone, as machines read it.
QString FormatIsoLocal(DateTime value);
// A local date-time given as YYYY-MM-DDTHH:MM:SS (a command line's); none when it is not one.
std::optional<DateTime> ParseIsoLocal(const QString& text);

}  // namespace kelmor
