#pragma once

#include <QImage>

namespace kelmor {

// The look of a tool-button picture whose button is disabled: the shape in grey tones,
// embossed with a white copy one unit down and to the right. `unit` is the picture's scale
// (1 for 20 px, 2 for 40 px). Every pixel of the result is a shade of grey.
QImage DisabledGlyph(const QImage& enabled, int unit);

}  // namespace kelmor
