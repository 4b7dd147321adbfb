#include "desktop_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QPrintDialog>

namespace kelmor {

int DesktopDialogs::ExecOwn(QDialog& dialog) {
    return dialog.exec();
}

bool DesktopDialogs::ExecFile(QFileDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool DesktopDialogs::ExecPrint(QPrintDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kelmor
