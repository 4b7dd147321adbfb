#include "foot_line.h"

#include <cmath>

namespace kelmor {

namespace {

// Replaces the separator characters of a date or time format outside quoted text.
QString WithSeparator(const QString& format, QChar separator) {
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        result += !quoted && !c.isLetterOrNumber() && !c.isSpace() && c != QLatin1Char('\'')
                      ? separator
                      : c;
    }
    return result;
}

// The long time format without its time zone: the instrument's clock has none.
QString LongTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

}  // namespace

FootLevel ComputeFootLevel(const MeasurementData& data, DateTime from, DateTime to,
                           Extended calibrationFactor) {
    FootLevel foot;
    for (int j = 0; j <= data.LastSampleIndex; ++j) {
        const SampleRecord& s = data.SampleTable[static_cast<std::size_t>(j)];
        if (WithinRange(s.Time, from, to)) {
            foot.sum += s.Concentration;
            ++foot.count;
        }
    }
    if (foot.sum > 0) {
        // The sum divided by the factor is the number of pulses in the range.
        Extended relative = 1 / std::sqrt(foot.sum / calibrationFactor);
        if (!(relative >= 0.1L)) {
            relative = 0.1L;
        }
        const Extended level = foot.sum / foot.count;
        foot.level = TruncToInt(level);
        foot.error = TruncToInt(level * relative);
    }
    return foot;
}

QString FormatLocaleDateTime(DateTime value, const QLocale& locale, const Separators& separators) {
    const QDateTime qt = DateTimeToQt(value);
    QString text = locale.toString(
        qt.date(), WithSeparator(locale.dateFormat(QLocale::ShortFormat), separators.date));
    if (qt.time() != QTime(0, 0)) {
        text += QLatin1Char(' ') +
                locale.toString(qt.time(), WithSeparator(LongTimeFormat(locale), separators.time));
    }
    return text;
}

std::optional<QString> FootLine(const MeasurementData& data, DateTime from, DateTime to,
                                Extended calibrationFactor, const QLocale& locale,
                                const Separators& separators) {
    if (from == 0) {
        return std::nullopt;
    }
    const FootLevel foot = ComputeFootLevel(data, from, to, calibrationFactor);
    return QStringLiteral("StartTime: ") + FormatLocaleDateTime(from, locale, separators) +
           QStringLiteral(", EndTime: ") + FormatLocaleDateTime(to, locale, separators) +
           QStringLiteral(" Radonlevel :") + QString::number(foot.level) + QChar(0x00B1) +
           QString::number(foot.error);
}

}  // namespace kelmor
