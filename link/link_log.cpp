#include "link_log.h"

namespace kelmor {

Q_LOGGING_CATEGORY(kelmorLink, "kelmor.link", QtInfoMsg)

QByteArray HexDump(const std::uint8_t* bytes, std::uint32_t count) {
    constexpr std::uint32_t kShown = 64;
    const auto shown = static_cast<qsizetype>(count < kShown ? count : kShown);
    QByteArray text = QByteArray(reinterpret_cast<const char*>(bytes), shown).toHex(' ');
    if (count > kShown) {
        text += " ...";
    }
    return text;
}

}  // namespace kelmor
