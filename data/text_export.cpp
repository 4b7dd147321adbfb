#include "text_export.h"

namespace kelmor {

namespace {

void AppendWhole(QString& out, Extended value) {
    long long n = RoundHalfEvenToInt(value);
    if (n < 0) {
        out += QLatin1Char('-');
    }
    char digits[24];
    int count = 0;
    do {
        const long long digit = n % 10;
        digits[count++] = static_cast<char>('0' + (digit < 0 ? -digit : digit));
        n /= 10;
    } while (n != 0);
    while (count > 0) {
        out += QLatin1Char(digits[--count]);
    }
}

}  // namespace

QByteArray ExportText(const MeasurementData& data, const Separators& separators) {
    const bool v7 = data.ModelTag() == LayoutOf(Model::V7).tag;
    QString text = v7 ? QStringLiteral("Time; Bqm3; Error; Temperature; Humidity%; Presssure\r\n")
                      : QStringLiteral("Time; Bqm3; Error\r\n");
    text.reserve(text.size() + (data.LastSampleIndex + 1) * (v7 ? 44 : 28));
    const QLatin1String separator("; ");
    for (int i = 0; i <= data.LastSampleIndex; ++i) {
        const SampleRecord& s = data.SampleTable[i];
        text += FormatExportTime(s.Time, separators);
        for (const Extended value : {s.Concentration, s.Error}) {
            text += separator;
            AppendWhole(text, value);
        }
        if (v7) {
            for (const Extended value : {s.Temperature, s.Humidity, s.Pressure}) {
                text += separator;
                AppendWhole(text, value);
            }
            text += separator;
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

}  // namespace kelmor
