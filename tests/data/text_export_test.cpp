#include <gtest/gtest.h>

#include "data/text_export.h"
#include "decode_helpers.h"

namespace kelmor {
namespace {

using testing::At;
using testing::NewData;

std::unique_ptr<MeasurementData> OneSample(char tag) {
    auto data = NewData();
    data->MeasurementImage[0] = static_cast<std::uint8_t>(tag);
    data->LastSampleIndex = 0;
    SampleRecord& s = data->SampleTable[0];
    s.Time = At(2026, 3, 5, 14, 7);
    s.Concentration = 122.5L;
    s.Error = 11.5L;
    s.Temperature = 21.4L;
    s.Humidity = 45.6L;
    s.Pressure = 101.5L;
    return data;
}

TEST(TextExport, V7RowsCarryTheClimateAndEndInASeparator) {
    EXPECT_EQ(ExportText(*OneSample('3'), Separators{}),
              QByteArray("Time; Bqm3; Error; Temperature; Humidity%; Presssure\r\n"
                         "26/03/05 14:07; 122; 12; 21; 46; 102; \r\n"));
}

TEST(TextExport, V5AndV6RowsStopAfterTheError) {
    const QByteArray expected("Time; Bqm3; Error\r\n26/03/05 14:07; 122; 12\r\n");
    EXPECT_EQ(ExportText(*OneSample('2'), Separators{}), expected);
    EXPECT_EQ(ExportText(*OneSample('1'), Separators{}), expected);
}

TEST(TextExport, NegativeValuesAndRegionalSeparators) {
    auto data = OneSample('3');
    data->SampleTable[0].Temperature = -68;
    data->SampleTable[0].Humidity = -22.5L;  // ties go to the even neighbour
    EXPECT_EQ(ExportText(*data, Separators{QLatin1Char('.'), QLatin1Char('.')}),
              QByteArray("Time; Bqm3; Error; Temperature; Humidity%; Presssure\r\n"
                         "26.03.05 14.07; 122; 12; -68; -22; 102; \r\n"));
}

TEST(TextExport, NoSamplesGiveTheHeaderOnly) {
    auto data = OneSample('3');
    data->LastSampleIndex = -1;
    EXPECT_EQ(ExportText(*data, Separators{}),
              QByteArray("Time; Bqm3; Error; Temperature; Humidity%; Presssure\r\n"));
}

}  // namespace
}  // namespace kelmor
