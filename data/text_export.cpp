#include "text_export.h"

namespace kelmor {

QByteArray ExportText(const MeasurementData& data, const Separators& separators) {
    const bool v7 = data.ModelTag() == LayoutOf(Model::V7).tag;
    QString text = v7 ? QStringLiteral("Time; Bqm3; Error; Temperature; Humidity%; Presssure\r\n")
                      : QStringLiteral("Time; Bqm3; Error\r\n");
    const QString separator = QStringLiteral("; ");
    auto whole = [](Extended value) { return QString::number(RoundHalfEvenToInt(value)); };
    for (int i = 0; i <= data.LastSampleIndex; ++i) {
        const SampleRecord& s = data.SampleTable[i];
        text += FormatExportTime(s.Time, separators) + separator + whole(s.Concentration) +
                separator + whole(s.Error);
        if (v7) {
            text += separator + whole(s.Temperature) + separator + whole(s.Humidity) + separator +
                    whole(s.Pressure) + separator;
        }
        text += QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

}  // namespace kelmor
