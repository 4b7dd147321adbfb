#include <gtest/gtest.h>

#include "decode_helpers.h"

namespace kelmor {
namespace {

using testing::At;
using testing::ConstantPulses;
using testing::Decode;
using testing::ImageBuilder;
using testing::NewData;
using testing::Pulses;
using testing::RawRecord;
using testing::Stamp;

class EachModel : public ::testing::TestWithParam<Model> {};

INSTANTIATE_TEST_SUITE_P(Models, EachModel, ::testing::Values(Model::V5, Model::V6, Model::V7),
                         [](const auto& info) { return LayoutOf(info.param).name; });

TEST_P(EachModel, RoundTripOfOneMeasurement) {
    ImageBuilder b(GetParam());
    b.AddMeasurement({2026, 3, 5, 12, 30}, ConstantPulses(170, 10));
    auto data = NewData();
    const DecodeOutcome outcome = Decode(*data, b);

    ASSERT_TRUE(outcome.measurementsFound);
    EXPECT_EQ(outcome.listItems,
              QStringList({QStringLiteral("05/03 12.30 TO 12/03 14.xx"), kAllMeasurementsItem}));
    EXPECT_EQ(data->MeasurementCount, 1);
    EXPECT_EQ(data->LastSampleIndex, 169);
    EXPECT_EQ(data->MeasurementTable[0].FirstSample, 0);
    EXPECT_EQ(data->MeasurementTable[0].LastSample, 169);
    EXPECT_EQ(data->MeasurementTable[0].StartTime, At(2026, 3, 5, 12, 30));
    // The "All measurements" row spans everything; later rows stay zero.
    EXPECT_EQ(data->MeasurementTable[1].FirstSample, 0);
    EXPECT_EQ(data->MeasurementTable[1].LastSample, 169);
    EXPECT_EQ(data->MeasurementTable[1].StartTime, At(2026, 3, 5, 12, 30));
    EXPECT_EQ(data->MeasurementTable[2].StartTime, 0);
    for (int i = 0; i <= 169; ++i) {
        const SampleRecord& s = data->SampleTable[i];
        ASSERT_EQ(s.PulseCount, 10);
        ASSERT_EQ(s.Concentration, 60);
        ASSERT_EQ(s.Error, 18);  // 60 / sqrt(10) = 18.97
        ASSERT_NEAR(s.Time, At(2026, 3, 5, 12, 30) + (i + 1) / 24.0, 1e-9);
    }
    EXPECT_EQ(outcome.climateItemsEnabled, GetParam() != Model::V5);
    EXPECT_TRUE(outcome.message.isEmpty());
}

TEST_P(EachModel, ConcentrationAndErrorInExtendedPrecision) {
    ImageBuilder b(GetParam());
    b.AddMeasurement({2026, 3, 5, 12, 30}, Pulses({225, 100, 3, 0, 1}));
    auto data = NewData();
    Decode(*data, b);
    ASSERT_EQ(data->LastSampleIndex, 4);
    const auto& t = data->SampleTable;
    EXPECT_EQ(t[0].Concentration, 1350);
    EXPECT_EQ(t[0].Error, 89);  // 1350 x sqrt(1/225) lies just below 90
    EXPECT_EQ(t[1].Concentration, 600);
    EXPECT_EQ(t[1].Error, 60);
    EXPECT_EQ(t[2].Concentration, 18);
    EXPECT_EQ(t[2].Error, 10);
    EXPECT_EQ(t[3].Concentration, 0);
    EXPECT_EQ(t[3].Error, 0);
    EXPECT_EQ(t[4].Error, 6);
}

TEST_P(EachModel, NoMeasurementGivesTheMessageAndEmptyTables) {
    ImageBuilder b(GetParam());
    auto data = NewData();
    const DecodeOutcome outcome = Decode(*data, b);
    EXPECT_FALSE(outcome.measurementsFound);
    EXPECT_EQ(outcome.message, QStringLiteral("No measurements saved in V5! "));
    EXPECT_TRUE(outcome.listItems.isEmpty());
    EXPECT_EQ(data->LastSampleIndex, -1);
    EXPECT_EQ(data->MeasurementCount, 0);
    EXPECT_TRUE(SampleListText(*data, Separators{}, QLatin1String("\r\n")).isEmpty());
}

TEST_P(EachModel, MeasurementsAreSortedByStartTimeAndEqualTimesKeepDirectoryOrder) {
    ImageBuilder b(GetParam());
    b.AddMeasurement({2026, 5, 1, 8, 0}, ConstantPulses(3, 1));
    b.AddMeasurement({2026, 4, 1, 8, 0}, ConstantPulses(4, 2));
    b.AddMeasurement({2026, 5, 1, 8, 0}, ConstantPulses(5, 3));
    auto data = NewData();
    const DecodeOutcome outcome = Decode(*data, b);
    ASSERT_EQ(outcome.listItems.size(), 4);
    EXPECT_EQ(outcome.listItems[0], QStringLiteral("01/04 08.00 TO 01/04 12.xx"));
    EXPECT_EQ(outcome.listItems[1], QStringLiteral("01/05 08.00 TO 01/05 11.xx"));
    EXPECT_EQ(outcome.listItems[2], QStringLiteral("01/05 08.00 TO 01/05 13.xx"));
    EXPECT_EQ(outcome.listItems[3], kAllMeasurementsItem);
    const auto& rows = data->MeasurementTable;
    EXPECT_EQ(rows[0].FirstSample, 0);
    EXPECT_EQ(rows[0].LastSample, 3);
    EXPECT_EQ(rows[1].FirstSample, 4);
    EXPECT_EQ(rows[1].LastSample, 6);
    EXPECT_EQ(rows[2].FirstSample, 7);
    EXPECT_EQ(rows[2].LastSample, 11);
    EXPECT_EQ(data->SampleTable[0].PulseCount, 2);
    EXPECT_EQ(data->SampleTable[4].PulseCount, 1);
    EXPECT_EQ(data->SampleTable[7].PulseCount, 3);
    EXPECT_EQ(rows[3].FirstSample, 0);
    EXPECT_EQ(rows[3].LastSample, data->LastSampleIndex);
    EXPECT_EQ(data->LastSampleIndex, 11);
}

TEST_P(EachModel, StartTimeFieldLimits) {
    auto decodeWith = [](Model model, std::uint8_t minute, std::uint8_t hour, std::uint8_t day,
                         std::uint8_t month) {
        ImageBuilder b(model);
        b.AddMeasurement({2026, 1, 1}, ConstantPulses(3, 1));
        b.SetEntryRaw(1, LayoutOf(model).imageSize - (model == Model::V6 ? 2 : 0), minute, hour,
                      day, month, 0x26);
        auto data = NewData();
        return Decode(*data, b).measurementsFound;
    };
    const Model m = GetParam();
    EXPECT_TRUE(decodeWith(m, 0x59, 0x23, 0x31, 0x12));
    EXPECT_FALSE(decodeWith(m, 0x60, 0x23, 0x01, 0x01));
    EXPECT_FALSE(decodeWith(m, 0x00, 0x24, 0x01, 0x01));
    EXPECT_FALSE(decodeWith(m, 0x00, 0x00, 0x00, 0x01));
    EXPECT_FALSE(decodeWith(m, 0x00, 0x00, 0x32, 0x01));
    EXPECT_FALSE(decodeWith(m, 0x00, 0x00, 0x01, 0x00));
    EXPECT_FALSE(decodeWith(m, 0x00, 0x00, 0x01, 0x13));
    // Days that do not exist in their month make the entry empty instead of ending the decode.
    EXPECT_FALSE(decodeWith(m, 0x00, 0x00, 0x31, 0x04));
    EXPECT_FALSE(decodeWith(m, 0x00, 0x00, 0x30, 0x02));
    // 0x1F is not BCD but computes to 25 minutes.
    EXPECT_TRUE(decodeWith(m, 0x1F, 0x00, 0x01, 0x01));
}

TEST_P(EachModel, EndEqualToStartIsEmpty) {
    ImageBuilder b(GetParam());
    const int top = b.WriteAddress();
    b.SetEntry(1, top, {2026, 1, 1});
    b.SetEntry(2, top, {2026, 1, 2});
    b.SetEntry(3, top - 60, {2026, 1, 3});
    b.SetWriteEntryIndex(4).SetHeaderWriteAddress(top - 120);
    auto data = NewData();
    const DecodeOutcome outcome = Decode(*data, b);
    // Entry 1 ends where entry 2 starts: empty. Entries 2 and 3 hold records.
    ASSERT_EQ(data->MeasurementCount, 2);
    EXPECT_TRUE(outcome.listItems[0].startsWith(QStringLiteral("02/01")));
}

TEST_P(EachModel, UnrecordedClimateFieldsAreZeroAfterAnEarlierImage) {
    auto data = NewData();
    ImageBuilder v7(Model::V7);
    v7.AddMeasurement({2026, 1, 1}, std::vector<RawRecord>(5, RawRecord{10, 128, 100, 90}));
    Decode(*data, v7);
    ASSERT_NE(data->SampleTable[0].Pressure, 0);

    ImageBuilder b(GetParam());
    b.AddMeasurement({2026, 1, 1}, std::vector<RawRecord>(5, RawRecord{10, 6500, 1500, 0}));
    Decode(*data, b);
    const SampleRecord& s = data->SampleTable[0];
    if (GetParam() == Model::V5) {
        EXPECT_EQ(s.Temperature, 0);
        EXPECT_EQ(s.Humidity, 0);
    }
    if (GetParam() != Model::V7) {
        EXPECT_EQ(s.Pressure, 0);
    }
}

TEST(DecodeV5, RowHoldsOneRecordLessThanItsSpan) {
    // The last record of a V5 measurement is the hour in progress.
    ImageBuilder b(Model::V5);
    b.SetEntry(1, 8192, {2026, 3, 5, 12, 30});
    b.SetEntry(2, 8188, {2026, 3, 6, 12, 30});
    b.SetEntry(3, 8186, {2026, 3, 7, 12, 30});
    b.SetWriteEntryIndex(4).SetHeaderWriteAddress(8185);
    // Entry 1 spans 2 records: one sample. Entry 2 spans 1 record: none. Entry 3 spans
    // one byte: none.
    b.SetRecord(8192, 0, {7}).SetRecord(8192, 1, {8});
    auto data = NewData();
    const DecodeOutcome outcome = Decode(*data, b);
    ASSERT_EQ(data->MeasurementCount, 3);
    EXPECT_EQ(data->MeasurementTable[0].LastSample - data->MeasurementTable[0].FirstSample, 0);
    EXPECT_EQ(data->SampleTable[0].PulseCount, 7);
    EXPECT_EQ(data->MeasurementTable[1].LastSample, data->MeasurementTable[1].FirstSample - 1);
    EXPECT_EQ(data->MeasurementTable[2].LastSample, data->MeasurementTable[2].FirstSample - 1);
    EXPECT_EQ(data->LastSampleIndex, 0);
    EXPECT_EQ(outcome.listItems[0], QStringLiteral("05/03 12.30 TO 05/03 13.xx"));
    EXPECT_EQ(outcome.listItems[1], QStringLiteral("06/03 12.30 TO 06/03 12.xx"));
    EXPECT_EQ(outcome.listItems[2], QStringLiteral("07/03 12.30 TO 07/03 12.xx"));
}

TEST(DecodeV6, ClimateConversions) {
    ImageBuilder b(Model::V6);
    b.AddMeasurement({2026, 1, 1}, {RawRecord{10, 6500, 1500, 0}, RawRecord{10, 4000, 0, 0}});
    auto data = NewData();
    Decode(*data, b);
    EXPECT_NEAR(static_cast<double>(data->SampleTable[0].Temperature), 25.00, 1e-12);
    EXPECT_NEAR(static_cast<double>(data->SampleTable[0].Humidity), 50.45, 1e-12);
    EXPECT_NEAR(static_cast<double>(data->SampleTable[1].Temperature), 0.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(data->SampleTable[1].Humidity), -4 + 0.01 * -25, 1e-12);
}

TEST(DecodeV6, StartAddressesHaveFifteenBits) {
    ImageBuilder b(Model::V6);
    b.SetEntry(1, 0x8000, {2026, 1, 1});        // address 0: below the data area
    b.SetEntry(2, 0x80FF + 600, {2026, 1, 2});  // bit 15 ignored: 855
    b.SetEntry(3, 0x00FF, {2026, 1, 3});        // 255, the lowest valid address
    b.SetWriteEntryIndex(4).SetHeaderWriteAddress(255);
    auto data = NewData();
    Decode(*data, b);
    ASSERT_EQ(data->MeasurementCount, 1);
    EXPECT_EQ(data->MeasurementTable[0].LastSample + 1, 100);  // (855 - 255) / 6
    EXPECT_TRUE(data->Memo.contains(QStringLiteral("\f0, 855, 2026, 1, 1, 0, empty")));
}

TEST(DecodeV7, ClimateConversions) {
    ImageBuilder b(Model::V7);
    b.SetCoefficientWords(1000 * 8, 0, 0, 0);
    b.AddMeasurement({2026, 1, 1}, {RawRecord{10, 128, 100, 0}, RawRecord{10, 255, 0, 200}});
    auto data = NewData();
    Decode(*data, b);
    const auto& t = data->SampleTable;
    EXPECT_EQ(t[0].Temperature, 26);
    EXPECT_EQ(t[1].Temperature, -68);
    EXPECT_EQ(t[0].Humidity, 35);
    EXPECT_EQ(t[1].Humidity, -22);
    EXPECT_NEAR(static_cast<double>(t[0].Pressure), 113.5386119257087, 1e-12);
}

TEST(DecodeV7, PressureCompensation) {
    ImageBuilder b(Model::V7);
    // A0 = 2000, B1 = -2, B2 = -1, C12 = 2^-12.
    b.SetCoefficientWords(2000 * 8, static_cast<std::uint16_t>(65536 - 2 * 8192),
                          static_cast<std::uint16_t>(65536 - 16384), 1024 << 2);
    b.AddMeasurement({2026, 1, 1}, {RawRecord{10, 100, 0, 90}});
    auto data = NewData();
    Decode(*data, b);
    const long double tadc = 400, padc = 360;
    const long double pcomp = 2000 + (-2 + tadc / 4096) * padc - tadc;
    EXPECT_NEAR(static_cast<double>(data->SampleTable[0].Pressure),
                static_cast<double>(pcomp * 65 / 1023 + 50), 1e-12);
}

TEST(DecodeV7, MeasurementStartingAfterNowIsEmptyButItsMemoSaysOk) {
    ImageBuilder b(Model::V7);
    b.AddMeasurement({2026, 12, 7, 10, 0}, ConstantPulses(5, 3));
    b.AddMeasurement({2026, 12, 9, 10, 0}, ConstantPulses(5, 3));
    auto data = NewData();
    const DecodeOutcome outcome = Decode(*data, b, At(2026, 12, 8, 10, 0));
    EXPECT_EQ(data->MeasurementCount, 1);
    EXPECT_TRUE(outcome.listItems[0].startsWith(QStringLiteral("07/12")));
    EXPECT_TRUE(data->Memo.contains(QStringLiteral("2026, 12, 9, 10, OK")));
    // Exactly now, or within the millisecond, is not in the future.
    auto again = NewData();
    EXPECT_EQ(Decode(*again, b, At(2026, 12, 9, 10, 0)).listItems.size(), 3);
}

TEST(DecodeV7, EveryRowSlotIsFilledByItsOwnRecords) {
    // With start addresses a whole number of records apart, every record down to the one
    // above the next start is part of the measurement.
    ImageBuilder b(Model::V7);
    std::vector<RawRecord> records;
    for (int k = 0; k < 6; ++k) {
        records.push_back(RawRecord{k + 1, 128, 100, 90});
    }
    b.AddMeasurement({2026, 1, 1}, records);
    b.AddMeasurement({2026, 2, 1}, Pulses({50, 60}));
    auto data = NewData();
    Decode(*data, b);
    ASSERT_EQ(data->MeasurementTable[0].LastSample, 5);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(data->SampleTable[k].PulseCount, k + 1);
    }
    EXPECT_EQ(data->SampleTable[6].PulseCount, 50);
    EXPECT_EQ(data->SampleTable[7].PulseCount, 60);
}

TEST(DecodeV7, StartAddressBounds) {
    // The most recent measurement ends at the header write address + 6.
    auto decodes = [](int start, int end) {
        ImageBuilder b(Model::V7);
        b.SetEntry(1, start, {2026, 1, 1});
        b.SetWriteEntryIndex(2).SetHeaderWriteAddress(end - 6);
        auto data = NewData();
        Decode(*data, b);
        return data->MeasurementCount == 1;
    };
    EXPECT_TRUE(decodes(131071, 131011));
    EXPECT_FALSE(decodes(131072, 131012));
    // At the bottom the end lies above the start: the records go round the data area.
    EXPECT_TRUE(decodes(512, 572));
    EXPECT_FALSE(decodes(511, 571));
}

TEST(DecodeMemo, SegmentsAccumulateOverDecodes) {
    auto data = NewData();
    ImageBuilder b(Model::V6);
    b.AddMeasurement({2026, 3, 5, 12, 30}, ConstantPulses(2, 1));
    Decode(*data, b);
    const QString first = data->Memo;
    EXPECT_TRUE(first.startsWith(QStringLiteral("Memo1\f32766, 32754, 2026, 3, 5, 12, OK\f0, ")));
    EXPECT_EQ(first.count(QChar(12)), 27);
    Decode(*data, b);
    EXPECT_EQ(data->Memo.count(QChar(12)), 54);
    // V5 keeps no memo.
    ImageBuilder v5(Model::V5);
    Decode(*data, v5);
    EXPECT_EQ(data->Memo.count(QChar(12)), 54);
}

TEST(SampleList, LinesGiveTheHourAndTheRoundedConcentration) {
    ImageBuilder b(Model::V6);
    b.SetCalibration(6, 25);
    b.AddMeasurement({2026, 3, 5, 12, 30}, Pulses({100, 2, 6}));
    auto data = NewData();
    Decode(*data, b);
    // 2 x 6.25 = 12.5 rounds to the even 12; 6 x 6.25 = 37.5 to 38.
    EXPECT_EQ(SampleListText(*data, Separators{}, QLatin1String("\r\n")),
              QStringLiteral("05/03 13.00; 625\r\n05/03 14.00; 12\r\n05/03 15.00; 38\r\n"));
}

TEST(DecodeSort, YearsBeyond2100AreOrderedLikeTheOthers) {
    ImageBuilder b(Model::V5);
    const int top = b.WriteAddress();
    b.SetEntryRaw(1, top, 0, 0, 1, 1, 0xA5);  // BCD A5 computes to 105: year 2105
    b.SetEntry(2, top - 20, {2026, 1, 1});
    b.SetEntry(3, top - 40, {2099, 1, 1});
    b.SetWriteEntryIndex(4).SetHeaderWriteAddress(top - 60);
    auto data = NewData();
    Decode(*data, b);
    ASSERT_EQ(data->MeasurementCount, 3);
    EXPECT_LT(data->MeasurementTable[0].StartTime, data->MeasurementTable[1].StartTime);
    EXPECT_LT(data->MeasurementTable[1].StartTime, data->MeasurementTable[2].StartTime);
    EXPECT_EQ(DecodeDateTime(data->MeasurementTable[2].StartTime).year, 2105);
}

}  // namespace
}  // namespace kelmor
