#include "simulator/passing_days.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "decode_helpers.h"
#include "fake_clock.h"
#include "simulator/kelmor_model.h"

namespace kelmor {
namespace {

using testing::At;
using testing::ConstantPulses;
using testing::FakeClock;
using testing::ImageBuilder;
using testing::NewData;
using testing::RawRecord;
using testing::Stamp;

constexpr DateTime kOneHour = 1.0 / 24;

// Days passing must leave a memory that the program decodes as the instrument's own: the
// measurements it held unchanged, the new hours where a read-out expects them.
class PassingDaysTest : public ::testing::TestWithParam<Model> {
  protected:
    FakeClock clock;
    std::unique_ptr<KelmorModel> kelmor;
    const ModelLayout& layout = LayoutOf(GetParam());

    PassingDaysTest() {
        // The instrument's clock follows the PC's, seconds and all.
        clock.SetLocalNow(QDateTime(QDate(2026, 3, 10), QTime(14, 37, 25)));
    }

    static std::vector<RawRecord> Climate(int hours) {
        // About 20 °C and 50 % in each model's readings.
        return std::vector<RawRecord>(static_cast<std::size_t>(hours),
                                      RawRecord{30, GetParam() == Model::V7 ? 137 : 6000,
                                                GetParam() == Model::V7 ? 120 : 1500, 128});
    }

    void Load(const ImageBuilder& builder) {
        kelmor = std::make_unique<KelmorModel>(clock, GetParam());
        kelmor->LoadMemory(builder.Image().data(), static_cast<std::size_t>(layout.imageSize));
    }

    // Two measurements in January and February, the second one still running.
    void LoadTwoMeasurements() {
        ImageBuilder builder(GetParam());
        builder.SetCalibration(5, 40).SetCoefficientWords(0x3EDE, 0xB3F6, 0xC51A, 0x33C8);
        builder.AddMeasurement({2026, 1, 5, 10, 15}, Climate(50));
        builder.AddMeasurement({2026, 2, 1, 8, 30}, Climate(100));
        Load(builder);
    }

    DateTime Now() { return DateTimeFromQt(clock.LocalNow()); }

    std::unique_ptr<MeasurementData> Decoded() {
        auto data = NewData();
        DecodeContext context;
        context.now = Now();
        LoadImage(*data, kelmor->Memory().data(), GetParam(), context);
        return data;
    }

    static int Samples(const MeasurementData& data, int row) {
        const MeasurementEntry& m = data.MeasurementTable[row];
        return m.LastSample - m.FirstSample + 1;
    }

    std::vector<std::uint8_t> MemoryNow() const { return kelmor->Memory(); }
};

void ExpectSameSample(const SampleRecord& a, const SampleRecord& b) {
    EXPECT_EQ(a.PulseCount, b.PulseCount);
    EXPECT_EQ(MillisecondsOf(a.Time), MillisecondsOf(b.Time));
    EXPECT_EQ(a.Temperature, b.Temperature);
    EXPECT_EQ(a.Humidity, b.Humidity);
    EXPECT_EQ(a.Pressure, b.Pressure);
}

TEST_P(PassingDaysTest, TheRunningMeasurementGoesOnWithTheOldHoursUntouched) {
    LoadTwoMeasurements();
    const auto before = Decoded();
    const std::vector<std::uint8_t> memoryBefore = MemoryNow();
    const int writeBefore = before->Header.WriteAddress;

    EXPECT_EQ(LetDaysPass(*kelmor, 3, RunChoice::Current), DaysPassedResult::RunExtended);

    const auto after = Decoded();
    ASSERT_EQ(after->MeasurementCount, 2);
    EXPECT_EQ(after->MeasurementTable[0].StartTime, before->MeasurementTable[0].StartTime);
    EXPECT_EQ(Samples(*after, 0), 50);
    EXPECT_EQ(after->MeasurementTable[1].StartTime, before->MeasurementTable[1].StartTime);
    EXPECT_EQ(Samples(*after, 1), 100 + 72);
    for (int i = 0; i <= before->LastSampleIndex; ++i) {
        ExpectSameSample(after->SampleTable[i], before->SampleTable[i]);
    }
    // One hour after another, on from the last one recorded.
    for (int i = before->LastSampleIndex + 1; i <= after->LastSampleIndex; ++i) {
        EXPECT_EQ(MillisecondsOf(after->SampleTable[i].Time),
                  MillisecondsOf(after->SampleTable[i - 1].Time + kOneHour));
    }

    // Header and directory moved on as the instrument moves them, nothing else.
    EXPECT_EQ(after->Header.WriteAddress, writeBefore - 72 * layout.recordSize);
    EXPECT_EQ(after->Header.WriteEntryIndex, before->Header.WriteEntryIndex);
    const std::vector<std::uint8_t> memoryAfter = MemoryNow();
    const int headerAddressEnd = 4;
    const int keptFrom = writeBefore + (GetParam() == Model::V6 ? 0 : layout.recordSize);
    for (int a = 0; a < static_cast<int>(memoryAfter.size()); ++a) {
        const bool newRecords = a >= writeBefore - 72 * layout.recordSize && a < keptFrom;
        if (a >= headerAddressEnd && !newRecords) {
            ASSERT_EQ(memoryAfter[a], memoryBefore[a]) << "address " << a;
        }
    }
}

TEST_P(PassingDaysTest, TheNewHoursLookLikeAHouse) {
    LoadTwoMeasurements();
    const int firstNew = Decoded()->LastSampleIndex + 1;
    ASSERT_EQ(LetDaysPass(*kelmor, 30, RunChoice::Current), DaysPassedResult::RunExtended);
    const auto data = Decoded();
    ASSERT_EQ(data->LastSampleIndex, firstNew + 30 * 24 - 1);

    // Radon rises at night: the small hours above the afternoon.
    double night = 0, afternoon = 0;
    for (int i = firstNew; i <= data->LastSampleIndex; ++i) {
        const SampleRecord& s = data->SampleTable[i];
        const int hour = DecodeDateTime(s.Time).hour;
        if (hour >= 2 && hour < 8) {
            night += static_cast<double>(s.Concentration);
        } else if (hour >= 14 && hour < 20) {
            afternoon += static_cast<double>(s.Concentration);
        }
        if (GetParam() != Model::V5) {
            EXPECT_GT(s.Temperature, 10);
            EXPECT_LT(s.Temperature, 30);
            EXPECT_GE(s.Humidity, 10);
            EXPECT_LE(s.Humidity, 100);
        }
        if (GetParam() == Model::V7) {
            EXPECT_GT(s.Pressure, 97);
            EXPECT_LT(s.Pressure, 106);
        }
    }
    EXPECT_GT(night, 1.3 * afternoon);
    const double mean = (night + afternoon) / (12 * 30);
    EXPECT_GT(mean, 60);
    EXPECT_LT(mean, 400);
}

TEST_P(PassingDaysTest, ANewMeasurementEndsAtTheInstrumentsClock) {
    LoadTwoMeasurements();
    const auto before = Decoded();

    EXPECT_EQ(LetDaysPass(*kelmor, 2, RunChoice::New), DaysPassedResult::RunStarted);

    const auto after = Decoded();
    ASSERT_EQ(after->MeasurementCount, 3);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(after->MeasurementTable[row].StartTime, before->MeasurementTable[row].StartTime);
        EXPECT_EQ(Samples(*after, row), Samples(*before, row));
    }
    for (int i = 0; i <= before->LastSampleIndex; ++i) {
        ExpectSameSample(after->SampleTable[i], before->SampleTable[i]);
    }
    const DateTime nowToTheMinute = At(2026, 3, 10, 14, 37);
    EXPECT_EQ(MillisecondsOf(after->MeasurementTable[2].StartTime),
              MillisecondsOf(nowToTheMinute - 2));
    EXPECT_EQ(Samples(*after, 2), 48);
    EXPECT_EQ(MillisecondsOf(after->SampleTable[after->LastSampleIndex].Time),
              MillisecondsOf(nowToTheMinute));
    EXPECT_EQ(after->Header.WriteEntryIndex, before->Header.WriteEntryIndex + 1);
}

// Read out, let days pass, read out again, twice: the runs follow one another and never
// overlap, as one instrument can record only one run at a time.
TEST_P(PassingDaysTest, ANewMeasurementBeginsWhereTheLastOneEndedWhenItWouldOverlapIt) {
    LoadTwoMeasurements();
    ASSERT_EQ(LetDaysPass(*kelmor, 3, RunChoice::New), DaysPassedResult::RunStarted);
    ASSERT_EQ(LetDaysPass(*kelmor, 3, RunChoice::New), DaysPassedResult::RunStarted);

    const auto data = Decoded();
    ASSERT_EQ(data->MeasurementCount, 4);
    const MeasurementEntry& third = data->MeasurementTable[2];
    const MeasurementEntry& fourth = data->MeasurementTable[3];
    EXPECT_EQ(MillisecondsOf(fourth.StartTime),
              MillisecondsOf(data->SampleTable[third.LastSample].Time));
    EXPECT_EQ(Samples(*data, 3), 72);
    EXPECT_EQ(MillisecondsOf(data->SampleTable[fourth.LastSample].Time),
              MillisecondsOf(At(2026, 3, 13, 14, 37)));
}

TEST_P(PassingDaysTest, AnErasedMemoryBeginsItsFirstMeasurement) {
    Load(ImageBuilder(GetParam()));
    EXPECT_EQ(LetDaysPass(*kelmor, 1, RunChoice::Current), DaysPassedResult::RunStarted);

    const auto data = Decoded();
    ASSERT_EQ(data->MeasurementCount, 1);
    EXPECT_EQ(Samples(*data, 0), 24);
    EXPECT_EQ(MillisecondsOf(data->MeasurementTable[0].StartTime),
              MillisecondsOf(At(2026, 3, 9, 14, 37)));
    EXPECT_EQ(data->Header.WriteEntryIndex, 2);
}

// The memory that has room for one day more and not for two.
TEST_P(PassingDaysTest, AFullMemoryRefusesTheHoursAndKeepsItsOwn) {
    ImageBuilder builder(GetParam());
    const int r = layout.recordSize;
    const int inProgress = GetParam() == Model::V6 ? 0 : 1;
    const int hours = (builder.WriteAddress() - layout.lowestAddress - 24 * r) / r - inProgress;
    builder.AddMeasurement({2025, 1, 1, 0, 0}, ConstantPulses(hours, 20));
    ASSERT_GE(builder.FreeBytes(), 24 * r);
    ASSERT_LT(builder.FreeBytes(), 25 * r);
    Load(builder);
    const std::vector<std::uint8_t> full = MemoryNow();

    EXPECT_EQ(LetDaysPass(*kelmor, 2, RunChoice::Current), DaysPassedResult::MemoryFull);
    EXPECT_EQ(LetDaysPass(*kelmor, 2, RunChoice::New), DaysPassedResult::MemoryFull);
    EXPECT_EQ(MemoryNow(), full);

    EXPECT_EQ(LetDaysPass(*kelmor, 1, RunChoice::Current), DaysPassedResult::RunExtended);
    const auto data = Decoded();
    EXPECT_EQ(data->LastSampleIndex + 1, hours + 24);
    EXPECT_GE(data->Header.WriteAddress, layout.lowestAddress);
    EXPECT_EQ(LetDaysPass(*kelmor, 1, RunChoice::Current), DaysPassedResult::MemoryFull);
}

TEST_P(PassingDaysTest, AFullDirectoryTakesNoNewMeasurementButTheRunningOneGoesOn) {
    ImageBuilder builder(GetParam());
    for (int day = 1; day <= kDirectoryEntries; ++day) {
        builder.AddMeasurement({2026, 1, day, 0, 0}, ConstantPulses(5, 20));
    }
    Load(builder);
    const std::vector<std::uint8_t> full = MemoryNow();

    EXPECT_EQ(LetDaysPass(*kelmor, 1, RunChoice::New), DaysPassedResult::DirectoryFull);
    EXPECT_EQ(MemoryNow(), full);
    EXPECT_EQ(LetDaysPass(*kelmor, 1, RunChoice::Current), DaysPassedResult::RunExtended);
    const auto data = Decoded();
    ASSERT_EQ(data->MeasurementCount, kDirectoryEntries);
    EXPECT_EQ(Samples(*data, kDirectoryEntries - 1), 5 + 24);
}

// Bytes the instrument never writes are not taken for addresses to write at.
TEST_P(PassingDaysTest, AMemoryItCannotHaveWrittenIsLeftAlone) {
    auto refused = [this](const std::function<void(ImageBuilder&)>& spoil) {
        ImageBuilder builder(GetParam());
        builder.AddMeasurement({2026, 1, 5, 10, 15}, Climate(50));
        spoil(builder);
        Load(builder);
        const std::vector<std::uint8_t> memory = MemoryNow();
        const bool left =
            LetDaysPass(*kelmor, 1, RunChoice::Current) == DaysPassedResult::MemoryUnknown &&
            MemoryNow() == memory;
        return left;
    };
    // A directory position beyond its 27 entries.
    EXPECT_TRUE(refused([](ImageBuilder& b) { b.SetWriteEntryIndex(29); }));
    // A write address above the running measurement's start, or below the data area.
    EXPECT_TRUE(refused([](ImageBuilder& b) { b.SetHeaderWriteAddress(b.Layout().imageSize); }));
    EXPECT_TRUE(refused([](ImageBuilder& b) { b.SetHeaderWriteAddress(12); }));
    // A write address between two records.
    EXPECT_TRUE(refused([](ImageBuilder& b) { b.SetHeaderWriteAddress(b.WriteAddress() - 1); }));
    // A start time that is no time.
    EXPECT_TRUE(refused(
        [](ImageBuilder& b) { b.SetEntryRaw(1, b.Layout().imageSize - 2, 0x61, 0, 1, 1, 0x26); }));

    LoadTwoMeasurements();
    EXPECT_EQ(LetDaysPass(*kelmor, 0, RunChoice::Current), DaysPassedResult::NoDays);
}

INSTANTIATE_TEST_SUITE_P(EachModel, PassingDaysTest,
                         ::testing::Values(Model::V5, Model::V6, Model::V7),
                         [](const ::testing::TestParamInfo<Model>& info) {
                             return std::string(LayoutOf(info.param).name);
                         });

}  // namespace
}  // namespace kelmor
