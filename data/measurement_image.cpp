#include "measurement_image.h"

namespace kelmor {

namespace {

constexpr ModelLayout kLayouts[] = {
    {Model::V5, '1', 8192, 255, 8192, 2, "V5"},
    {Model::V6, '2', 32768, 255, 32768, 6, "V6"},
    {Model::V7, '3', 131071, 512, 131071, 6, "V7"},
};

// Signed fixed point with bit 15 as the sign: the magnitude is the word, or its two's
// complement for a negative word, and the value is negated again at the end.
Extended Magnitude(std::uint16_t word, bool& negative) {
    negative = (word & 0x8000) != 0;
    const std::uint16_t magnitude = negative ? static_cast<std::uint16_t>(65536 - word) : word;
    return static_cast<Extended>(magnitude & 0x7FFF);
}

Extended FixedPoint(std::uint16_t word, Extended divisor) {
    bool negative = false;
    const Extended value = Magnitude(word, negative) / divisor;
    return negative ? -value : value;
}

}  // namespace

const ModelLayout& LayoutOf(Model model) {
    return kLayouts[static_cast<int>(model)];
}

std::optional<Model> ModelFromTag(std::uint8_t tag) {
    for (const ModelLayout& layout : kLayouts) {
        if (layout.tag == tag) {
            return layout.model;
        }
    }
    return std::nullopt;
}

PressureCoefficients DecodePressureCoefficients(const std::uint8_t* b) {
    auto word = [b](int i) { return static_cast<std::uint16_t>(b[2 * i] << 8 | b[2 * i + 1]); };
    PressureCoefficients c;
    c.A0 = FixedPoint(word(0), 8);
    c.B1 = FixedPoint(word(1), 8192);
    c.B2 = FixedPoint(word(2), 16384);
    // C12 keeps magnitude bits 2..14 only.
    bool negative = false;
    const auto magnitude = static_cast<unsigned>(Magnitude(word(3), negative));
    const Extended c12 = static_cast<Extended>((magnitude >> 2) & 0x1FFF) / 4194304;
    c.C12 = negative ? -c12 : c12;
    return c;
}

HeaderValues DeriveHeaderValues(const ImageBuffer& image, Model model) {
    HeaderValues values;
    values.WriteEntryIndex = image[6] / 8;
    values.CalibrationFactor = CalibrationFactorOf(image[7], image[8]);
    if (model == Model::V7) {
        values.WriteAddress = image[1] << 16 | image[2] << 8 | image[3];
        values.Coefficients = DecodePressureCoefficients(&image[9]);
    } else {
        values.WriteAddress = image[2] << 8 | image[3];
    }
    return values;
}

Extended CalibrationFactorOf(std::uint8_t whole, std::uint8_t hundredths) {
    return whole + static_cast<Extended>(hundredths) / 100;
}

std::uint8_t BcdToByte(std::uint8_t value) {
    return static_cast<std::uint8_t>(value - 6 * (value / 16));
}

}  // namespace kelmor
