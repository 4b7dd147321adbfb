#include "date_time.h"

#include <QLocale>
#include <cmath>

namespace kelmor {

namespace {

constexpr long long kMillisecondsPerDay = 86400000;

// Days since 1 March of year 0 of the proleptic Gregorian calendar (H. Hinnant's
// algorithm), so that leap days fall at the end of a cycle.
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra);
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0));
}

const long long kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

QChar SeparatorIn(const QString& format, QChar fallback) {
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && !c.isLetterOrNumber() && !c.isSpace()) {
            return c;
        }
    }
    return fallback;
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, DateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return false;
    }
    result = static_cast<DateTime>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays);
    return true;
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<DateTime>(ms) / static_cast<DateTime>(kMillisecondsPerDay);
}

long long MillisecondsOf(DateTime value) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        return 0;
    }
    return std::llround(value * static_cast<double>(kMillisecondsPerDay));
}

bool WithinRange(DateTime value, DateTime from, DateTime to) {
    const long long at = MillisecondsOf(value);
    return at >= MillisecondsOf(from) && at <= MillisecondsOf(to);
}

DateTimeFields DecodeDateTime(DateTime value) {
    DateTimeFields fields;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        return fields;  // beyond year 9999: no calendar date to show
    }
    const long long total = MillisecondsOf(value);
    long long days = total / kMillisecondsPerDay;
    long long ms = total % kMillisecondsPerDay;
    if (ms < 0) {
        ms += kMillisecondsPerDay;
        --days;
    }
    CivilFromDays(days + kEpochDays, fields.year, fields.month, fields.day);
    fields.hour = static_cast<int>(ms / 3600000);
    fields.minute = static_cast<int>(ms / 60000 % 60);
    fields.second = static_cast<int>(ms / 1000 % 60);
    fields.millisecond = static_cast<int>(ms % 1000);
    return fields;
}

DateTime DateTimeFromQt(const QDateTime& local) {
    const QDate date = local.date();
    const QTime time = local.time();
    DateTime day = 0;
    TryEncodeDate(date.year(), date.month(), date.day(), day);
    return day + EncodeTime(time.hour(), time.minute(), time.second(), time.msec());
}

QDateTime DateTimeToQt(DateTime value) {
    const DateTimeFields f = DecodeDateTime(value);
    return QDateTime(QDate(f.year, f.month, f.day),
                     QTime(f.hour, f.minute, f.second, f.millisecond));
}

Separators Separators::FromSystemLocale() {
    const QLocale locale = QLocale::system();
    Separators separators;
    separators.date = SeparatorIn(locale.dateFormat(QLocale::ShortFormat), separators.date);
    separators.time = SeparatorIn(locale.timeFormat(QLocale::ShortFormat), separators.time);
    return separators;
}

namespace {

void AppendTwoDigits(QString& out, int value) {
    out += QChar(u'0' + value / 10 % 10);
    out += QChar(u'0' + value % 10);
}

// "DD/MM HH", the start of the list and sample-list formats.
QString DayMonthHour(const DateTimeFields& f, const Separators& separators, int extra) {
    QString text;
    text.reserve(8 + extra);
    AppendTwoDigits(text, f.day);
    text += separators.date;
    AppendTwoDigits(text, f.month);
    text += QLatin1Char(' ');
    AppendTwoDigits(text, f.hour);
    return text;
}

}  // namespace

QString FormatDayMonthHourMinute(DateTime value, const Separators& separators) {
    const DateTimeFields f = DecodeDateTime(value);
    QString text = DayMonthHour(f, separators, 3);
    text += QLatin1Char('.');
    AppendTwoDigits(text, f.minute);
    return text;
}

QString FormatDayMonthHourXx(DateTime value, const Separators& separators) {
    return DayMonthHour(DecodeDateTime(value), separators, 3) + QLatin1String(".xx");
}

QString FormatDayMonthHour00(DateTime value, const Separators& separators) {
    return DayMonthHour(DecodeDateTime(value), separators, 3) + QLatin1String(".00");
}

QString FormatExportTime(DateTime value, const Separators& separators) {
    const DateTimeFields f = DecodeDateTime(value);
    QString text;
    text.reserve(14);
    AppendTwoDigits(text, f.year % 100);
    text += separators.date;
    AppendTwoDigits(text, f.month);
    text += separators.date;
    AppendTwoDigits(text, f.day);
    text += QLatin1Char(' ');
    AppendTwoDigits(text, f.hour);
    text += separators.time;
    AppendTwoDigits(text, f.minute);
    return text;
}

QString FormatIsoLocal(DateTime value) {
    const DateTimeFields f = DecodeDateTime(value);
    return QStringLiteral("%1-%2-%3T%4:%5:%6")
        .arg(f.year, 4, 10, QLatin1Char('0'))
        .arg(f.month, 2, 10, QLatin1Char('0'))
        .arg(f.day, 2, 10, QLatin1Char('0'))
        .arg(f.hour, 2, 10, QLatin1Char('0'))
        .arg(f.minute, 2, 10, QLatin1Char('0'))
        .arg(f.second, 2, 10, QLatin1Char('0'));
}

std::optional<DateTime> ParseIsoLocal(const QString& text) {
    const QDateTime local = QDateTime::fromString(text, Qt::ISODate);
    return local.isValid() ? std::optional<DateTime>(DateTimeFromQt(local)) : std::nullopt;
}

}  // namespace kelmor
