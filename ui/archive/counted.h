#pragma once

#include <QLatin1String>
#include <QString>

namespace kelmor {

// "1 run", "3 runs": the archive's counts in the panel and the status bar.
inline QString Counted(int count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

}  // namespace kelmor
