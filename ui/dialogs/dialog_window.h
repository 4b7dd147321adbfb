#pragma once

#include <QFont>

class QWidget;

namespace kelmor {

// "MS Sans Serif" at a height in pixels, as the program's windows use it; where the face is
// missing Qt picks its nearest substitute.
QFont DialogFont(int pixelHeight);

// Moves a dialog so that it sits centred on the window that owns it, kept within that
// window's screen. Without a visible owner the dialog is left where the system puts it.
void CentreOnOwner(QWidget& dialog);

}  // namespace kelmor
