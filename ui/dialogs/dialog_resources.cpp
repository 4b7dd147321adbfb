#include "ui/dialogs/dialog_resources.h"

#include <QFile>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterDialogResources() {
    Q_INIT_RESOURCE(dialogs);
}

namespace kelmor {

void LoadDialogResources() {
    static const bool registered = [] {
        RegisterDialogResources();
        return true;
    }();
    (void)registered;
}

QByteArray BannerJpeg() {
    LoadDialogResources();
    QFile file(QString::fromLatin1(kBannerResource));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

}  // namespace kelmor
