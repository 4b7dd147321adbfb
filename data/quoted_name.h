#pragma once

#include <QFileInfo>
#include <QString>

namespace kelmor {

// A file as messages name it: its name without the folder, in double quotes.
inline QString QuotedFileName(const QString& path) {
    return QStringLiteral("\"%1\"").arg(QFileInfo(path).fileName());
}

}  // namespace kelmor
