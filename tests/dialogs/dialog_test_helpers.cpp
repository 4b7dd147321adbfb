#include "dialog_test_helpers.h"

#include <QDir>
#include <QPixmap>
#include <QTest>

QImage Screenshot(QWidget& widget, const QString& name) {
    const QImage picture = widget.grab().toImage();
    const QString folder = qEnvironmentVariable("KELMOR_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        picture.save(QDir(folder).filePath(name + ".png"));
    }
    return picture;
}

void PlaceOwner(QWidget& owner, const QRect& geometry) {
    owner.setGeometry(geometry);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
}
