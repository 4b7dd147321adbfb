#pragma once

#include <cstdint>

namespace kelmor {

// V5 and V6 carry every data byte as two bytes, high nibble first, each nibble in the low
// four bits of its byte. The instrument leaves the high four bits undefined, so decoding
// ignores them.
constexpr std::uint8_t HighNibble(std::uint8_t value) {
    return value >> 4;
}
constexpr std::uint8_t LowNibble(std::uint8_t value) {
    return value & 0x0F;
}

constexpr std::uint8_t DecodeNibblePair(std::uint8_t first, std::uint8_t second) {
    return static_cast<std::uint8_t>((first & 0x0F) << 4 | (second & 0x0F));
}

// Decodes `count` bytes from the 2 x `count` nibble bytes at `pairs`.
inline void DecodeNibblePairs(const std::uint8_t* pairs, std::uint8_t* out, int count) {
    for (int j = 0; j < count; ++j) {
        out[j] = DecodeNibblePair(pairs[2 * j], pairs[2 * j + 1]);
    }
}

}  // namespace kelmor
