#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "extended.h"

namespace kelmor {

// The byte copy of the instrument's measurement memory. A V7 memory is one byte short of
// 128 KiB; the buffer has room for the whole 128 KiB.
constexpr int kImageBufferSize = 131072;
using ImageBuffer = std::array<std::uint8_t, kImageBufferSize>;

enum class Model { V5, V6, V7 };

// The plan each model's memory follows. Addresses are byte offsets into the image.
struct ModelLayout {
    Model model;
    std::uint8_t tag;    // byte 0 of the image: '1', '2' or '3'
    int imageSize;       // bytes of a data file and of the temporary image file
    int lowestAddress;   // the data area starts here
    int highestAddress;  // highest valid start or end address, inclusive
    int recordSize;      // bytes of one hourly sample record
    const char* name;    // "V5", "V6", "V7"
};

const ModelLayout& LayoutOf(Model model);
// The model whose tag byte 0 carries; none for any other byte.
std::optional<Model> ModelFromTag(std::uint8_t tag);

// Compensation coefficients of the V7's barometric sensor, from the four signed
// fixed-point words at image offsets 9, 11, 13 and 15.
struct PressureCoefficients {
    Extended A0 = 0;
    Extended B1 = 0;
    Extended B2 = 0;
    Extended C12 = 0;
};

// Decodes the coefficients from eight bytes: four big-endian 16-bit words.
PressureCoefficients DecodePressureCoefficients(const std::uint8_t* eightBytes);

// The values a loader takes from the header before the decoder runs.
struct HeaderValues {
    std::int32_t WriteEntryIndex = 0;   // directory entry after the most recent one
    std::int32_t WriteAddress = 0;      // end address of the most recent measurement
    Extended CalibrationFactor = 6.0L;  // Bq/m3 per counted pulse
    PressureCoefficients Coefficients;  // V7 only; zero otherwise
};

HeaderValues DeriveHeaderValues(const ImageBuffer& image, Model model);

// The calibration factor of header bytes 7 (whole) and 8 (hundredths).
Extended CalibrationFactorOf(std::uint8_t whole, std::uint8_t hundredths);

// 10 x high nibble + low nibble, computed as byte - 6 x (byte div 16): a nibble above 9
// is not rejected (0x1F gives 25).
std::uint8_t BcdToByte(std::uint8_t value);

}  // namespace kelmor
