#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <cstdint>

namespace kelmor {

// The traffic log of the link: off by default, on with
// QT_LOGGING_RULES="kelmor.link.debug=true".
Q_DECLARE_LOGGING_CATEGORY(kelmorLink)

// The bytes of a transfer in hex, at most the first 64 of them: enough to see which frame
// or reply it was without flooding the log with a whole memory image.
QByteArray HexDump(const std::uint8_t* bytes, std::uint32_t count);

}  // namespace kelmor
