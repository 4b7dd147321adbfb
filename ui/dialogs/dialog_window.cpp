#include "ui/dialogs/dialog_window.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace kelmor {

QFont DialogFont(int pixelHeight) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    return font;
}

void CentreOnOwner(QWidget& dialog) {
    const QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    if (owner == nullptr || !owner->isVisible()) {
        return;
    }
    // Before the first showing the frame is not known yet and equals the client area.
    const QRect frame = dialog.frameGeometry();
    QPoint topLeft =
        owner->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2);
    if (const QScreen* screen = owner->screen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), area.left(),
                                std::max(area.left(), area.right() - frame.width() + 1)));
        topLeft.setY(std::clamp(topLeft.y(), area.top(),
                                std::max(area.top(), area.bottom() - frame.height() + 1)));
    }
    dialog.move(topLeft);
}

}  // namespace kelmor
