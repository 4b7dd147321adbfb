#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kelmor {

// Decodes a baseline or progressive JPEG held in memory with libjpeg into an RGB888 image.
// Corrupt, truncated or empty data gives a null image and, when asked, the reason; it never
// aborts the program. Pictures wider or taller than 8192 pixels are refused.
QImage DecodeJpeg(const QByteArray& bytes, QString* error = nullptr);

}  // namespace kelmor
