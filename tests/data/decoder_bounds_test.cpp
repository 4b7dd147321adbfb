// Images that no healthy instrument writes: records that go round the bottom of the data
// area, ends far outside it, directories that claim more samples than the table holds.
#include <gtest/gtest.h>

#include "decode_helpers.h"

namespace kelmor {
namespace {

using testing::Decode;
using testing::ImageBuilder;
using testing::NewData;
using testing::RawRecord;

class EachModelBounds : public ::testing::TestWithParam<Model> {};

INSTANTIATE_TEST_SUITE_P(Models, EachModelBounds,
                         ::testing::Values(Model::V5, Model::V6, Model::V7),
                         [](const auto& info) { return LayoutOf(info.param).name; });

TEST_P(EachModelBounds, RecordsGoingRoundTheBottomAreReadFromTheTop) {
    const ModelLayout& layout = LayoutOf(GetParam());
    ImageBuilder b(GetParam());
    const int r = layout.recordSize;
    // A measurement starting 3 records above the bottom with 8 records: five of them lie
    // at the top of the data area.
    const int start = layout.lowestAddress + 3 * r;
    std::vector<RawRecord> records;
    for (int k = 0; k < 8; ++k) {
        records.push_back(RawRecord{100 + k, 0, 0, 0});
        b.SetRecord(start, k, records.back());
    }
    const int extra = GetParam() == Model::V6 ? 0 : 1;  // the hour in progress
    const int size = layout.imageSize - layout.lowestAddress;
    // The write address, where the records ended; a V7 counts its end one record higher.
    const int end = start - r * (8 + extra) + size;
    b.SetEntry(1, start, {2026, 1, 1});
    b.SetWriteEntryIndex(2).SetHeaderWriteAddress(end);
    auto data = NewData();
    Decode(*data, b);
    ASSERT_EQ(data->MeasurementCount, 1);
    ASSERT_EQ(data->LastSampleIndex, 7);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(data->SampleTable[k].PulseCount, 100 + k) << k;
    }
}

TEST_P(EachModelBounds, WriteEntryWithAnEndAnywhereStaysInsideTheImage) {
    const ModelLayout& layout = LayoutOf(GetParam());
    const int maxAddress = GetParam() == Model::V7 ? 0xFFFFFF : 0xFFFF;
    for (const int writeAddress :
         {0, 1, layout.lowestAddress - 1, layout.imageSize, layout.imageSize + 1, maxAddress}) {
        ImageBuilder b(GetParam());
        b.MutableImage().fill(0x11);
        b.MutableImage()[0] = layout.tag;
        // Entry 2 is the one being written: its end is the write address, untested.
        b.SetEntry(1, layout.highestAddress - 100, {2026, 1, 1});
        b.SetEntry(2, layout.lowestAddress + 100, {2026, 1, 2});
        b.SetEntry(3, layout.lowestAddress + 50, {2026, 1, 3});
        b.SetWriteEntryIndex(2);
        b.SetHeaderWriteAddress(writeAddress);
        auto data = NewData();
        Decode(*data, b);
        ASSERT_GE(data->MeasurementCount, 1) << writeAddress;
        const int areaRecords = (layout.imageSize - layout.lowestAddress) / layout.recordSize;
        EXPECT_LE(data->LastSampleIndex + 1, data->MeasurementCount * areaRecords);
        for (int i = 0; i <= data->LastSampleIndex; ++i) {
            ASSERT_EQ(data->SampleTable[i].PulseCount, 0x1111);
        }
    }
}

TEST(DecodeBounds, DirectoryClaimingMoreSamplesThanTheTableHoldsIsCut) {
    // 27 V7 entries alternating between two addresses: each one spans about half of the
    // memory, going round the bottom every second time, and together they claim far more
    // than 100001 samples.
    ImageBuilder b(Model::V7);
    b.MutableImage().fill(0x22);
    b.MutableImage()[0] = '3';
    for (int entry = 1; entry <= 27; ++entry) {
        b.SetEntry(entry, entry % 2 ? 131065 : 70000, {2026, 1, entry});
    }
    b.SetWriteEntryIndex(28).SetHeaderWriteAddress(600);
    auto data = NewData();
    const DecodeOutcome outcome = Decode(*data, b);
    EXPECT_EQ(data->MeasurementCount, 27);
    EXPECT_EQ(data->LastSampleIndex, kSampleSlots - 1);
    EXPECT_EQ(outcome.listItems.size(), 28);
    const MeasurementEntry& all = data->MeasurementTable[27];
    EXPECT_EQ(all.FirstSample, 0);
    EXPECT_EQ(all.LastSample, kSampleSlots - 1);
    for (int row = 0; row < 27; ++row) {
        const MeasurementEntry& m = data->MeasurementTable[row];
        ASSERT_GE(m.LastSample, m.FirstSample - 1);
        ASSERT_LT(m.LastSample, kSampleSlots);
    }
}

TEST(DecodeBounds, AllEntriesAtTheSameAddress) {
    ImageBuilder b(Model::V6);
    for (int entry = 1; entry <= 27; ++entry) {
        b.SetEntry(entry, 20000, {2026, 1, 1});
    }
    b.SetWriteEntryIndex(28).SetHeaderWriteAddress(19000);
    b.SetEntry27End(19000);
    auto data = NewData();
    Decode(*data, b);
    // Only the last entry ends anywhere but its own start.
    EXPECT_EQ(data->MeasurementCount, 1);
    EXPECT_EQ(data->LastSampleIndex, 1000 / 6 - 1);
}

TEST(DecodeBounds, RandomImagesNeverLeaveTheTables) {
    std::uint32_t state = 12345;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    auto data = NewData();
    for (int round = 0; round < 60; ++round) {
        const Model model = static_cast<Model>(round % 3);
        ImageBuilder b(model);
        for (auto& byte : b.MutableImage()) {
            byte = static_cast<std::uint8_t>(next());
        }
        b.MutableImage()[0] = LayoutOf(model).tag;
        Decode(*data, b);
        ASSERT_LE(data->MeasurementCount, 27);
        ASSERT_LT(data->LastSampleIndex, kSampleSlots);
        for (int row = 0; row < data->MeasurementCount; ++row) {
            const MeasurementEntry& m = data->MeasurementTable[row];
            ASSERT_GE(m.FirstSample, 0);
            ASSERT_LE(m.LastSample, data->LastSampleIndex);
        }
    }
}

}  // namespace
}  // namespace kelmor
