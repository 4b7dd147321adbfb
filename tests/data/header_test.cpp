#include <gtest/gtest.h>

#include "data/measurement_image.h"
#include "image_builder.h"

namespace kelmor {
namespace {

using testing::ImageBuilder;

TEST(Header, CalibrationFactorIsWholePartPlusHundredths) {
    ImageBuilder v5(Model::V5);
    v5.SetCalibration(6, 0);
    EXPECT_EQ(DeriveHeaderValues(v5.Image(), Model::V5).CalibrationFactor, 6.0L);
    v5.SetCalibration(6, 99);
    EXPECT_EQ(DeriveHeaderValues(v5.Image(), Model::V5).CalibrationFactor, 6 + 99 / 100.0L);
    v5.SetCalibration(5, 40);
    EXPECT_NEAR(static_cast<double>(DeriveHeaderValues(v5.Image(), Model::V5).CalibrationFactor),
                5.40, 1e-15);
}

TEST(Header, WriteEntryIndexIsByte6DividedBy8) {
    ImageBuilder b(Model::V6);
    b.MutableImage()[6] = 0x58;
    EXPECT_EQ(DeriveHeaderValues(b.Image(), Model::V6).WriteEntryIndex, 11);
    b.MutableImage()[6] = 0x5F;
    EXPECT_EQ(DeriveHeaderValues(b.Image(), Model::V6).WriteEntryIndex, 11);
    b.MutableImage()[6] = 17;
    EXPECT_EQ(DeriveHeaderValues(b.Image(), Model::V6).WriteEntryIndex, 2);
}

TEST(Header, WriteAddressWidthFollowsTheModel) {
    ImageBuilder v7(Model::V7);
    v7.SetHeaderWriteAddress(0x020000);
    EXPECT_EQ(DeriveHeaderValues(v7.Image(), Model::V7).WriteAddress, 131072);
    ImageBuilder v6(Model::V6);
    v6.SetHeaderWriteAddress(0x8000);
    // The loader takes all 16 bits of a V6 header address.
    EXPECT_EQ(DeriveHeaderValues(v6.Image(), Model::V6).WriteAddress, 32768);
    ImageBuilder v5(Model::V5);
    v5.MutableImage()[1] = 0x7F;  // not used by V5
    v5.SetHeaderWriteAddress(0x1234);
    EXPECT_EQ(DeriveHeaderValues(v5.Image(), Model::V5).WriteAddress, 0x1234);
}

TEST(Header, PressureCoefficientFormats) {
    auto words = [](std::uint16_t a0, std::uint16_t b1, std::uint16_t b2, std::uint16_t c12) {
        ImageBuilder b(Model::V7);
        b.SetCoefficientWords(a0, b1, b2, c12);
        return DeriveHeaderValues(b.Image(), Model::V7).Coefficients;
    };
    EXPECT_EQ(words(0x0008, 0, 0, 0).A0, 1);
    EXPECT_EQ(words(0xFFF8, 0, 0, 0).A0, -1);
    EXPECT_EQ(words(0x8000, 0, 0, 0).A0, 0);
    EXPECT_EQ(words(0x7FFF, 0, 0, 0).A0, 32767 / 8.0L);
    EXPECT_EQ(words(0, 0x2000, 0, 0).B1, 1);
    EXPECT_EQ(words(0, 0, 0x4000, 0).B2, 1);
    EXPECT_EQ(words(0, 0, 0, 0x0004).C12, 1 / 4194304.0L);
    // C12 keeps magnitude bits 2..14: bits 0 and 1 are dropped.
    EXPECT_EQ(words(0, 0, 0, 0x0003).C12, 0);
    EXPECT_EQ(words(0, 0, 0, 0xFFFC).C12, -1 / 4194304.0L);
    // Coefficients exist for V7 only.
    ImageBuilder v6(Model::V6);
    v6.MutableImage()[9] = 0x40;
    EXPECT_EQ(DeriveHeaderValues(v6.Image(), Model::V6).Coefficients.A0, 0);
}

TEST(Header, BcdToByteComputesWithoutRejectingNibblesAboveNine) {
    EXPECT_EQ(BcdToByte(0x59), 59);
    EXPECT_EQ(BcdToByte(0x23), 23);
    EXPECT_EQ(BcdToByte(0x31), 31);
    EXPECT_EQ(BcdToByte(0x1F), 25);
    EXPECT_EQ(BcdToByte(0xFF), 165);
}

TEST(Header, ModelTags) {
    EXPECT_EQ(ModelFromTag('1'), Model::V5);
    EXPECT_EQ(ModelFromTag('2'), Model::V6);
    EXPECT_EQ(ModelFromTag('3'), Model::V7);
    EXPECT_FALSE(ModelFromTag('4').has_value());
    EXPECT_FALSE(ModelFromTag(0).has_value());
    EXPECT_EQ(LayoutOf(Model::V7).imageSize, 131071);
}

}  // namespace
}  // namespace kelmor
