#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// Saves what a widget shows to $KELMOR_SCREENSHOT_DIR/<name>.png when that is set, so that
// a person can look at the dialogs as drawn headless. Returns the picture either way.
QImage Screenshot(QWidget& widget, const QString& name);

// A stand-in for the main window at a known place on the screen.
void PlaceOwner(QWidget& owner, const QRect& geometry);

// A control of a dialog found by its objectName, the role name by which accessibility
// tools and tests know it; null when there is none.
template <typename T>
T* Child(const QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QLatin1String(name));
}
