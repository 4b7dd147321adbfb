#include "wmf_text_encoding.h"

namespace kelmor {

namespace {

// Windows-1252 puts printable characters where Latin-1 has its C1 controls, 0x80..0x9F.
// The five unassigned positions (0x81, 0x8D, 0x8F, 0x90, 0x9D) hold 0 here.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

char ToWindows1252(char32_t codePoint) {
    if (codePoint < 0x20 || codePoint == 0x7F) {
        return ' ';
    }
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<char>(codePoint);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == codePoint) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace kelmor
