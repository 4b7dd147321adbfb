#include <QTest>

#include "suites.h"
#include "ui/dialogs/disabled_glyph.h"
#include "ui/dialogs/tool_icons.h"

using kelmor::ToolIconKind;

namespace {

struct PixelCounts {
    int opaque = 0;
    int coloured = 0;
};

PixelCounts Count(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    PixelCounts counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 128) {
                continue;
            }
            ++counts.opaque;
            counts.coloured += (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) ? 1 : 0;
        }
    }
    return counts;
}

}  // namespace

class ToolIconTest : public QObject {
    Q_OBJECT

  private slots:
    void everyIconHasDistinctEnabledAndDisabledPictures() {
        QList<QImage> enabledPictures;
        for (const ToolIconKind kind : kelmor::kAllToolIcons) {
            const QIcon icon = kelmor::ToolIcon(kind);
            const QString which = QString("icon %1").arg(int(kind));
            for (const QSize size : {QSize(20, 20), QSize(40, 40)}) {
                QVERIFY2(icon.availableSizes(QIcon::Normal).contains(size), qPrintable(which));
                QVERIFY2(icon.availableSizes(QIcon::Disabled).contains(size), qPrintable(which));
            }
            const QImage enabled = icon.pixmap(QSize(20, 20), QIcon::Normal).toImage();
            const QImage disabled = icon.pixmap(QSize(20, 20), QIcon::Disabled).toImage();
            QCOMPARE(enabled.size(), QSize(20, 20));
            QVERIFY2(enabled != disabled, qPrintable(which));
            const PixelCounts lit = Count(enabled), greyed = Count(disabled);
            QVERIFY2(lit.opaque > 40, qPrintable(which));
            QVERIFY2(lit.coloured > 10, qPrintable(which));
            QVERIFY2(greyed.opaque >= lit.opaque, qPrintable(which));
            QCOMPARE(greyed.coloured, 0);
            for (const QImage& other : enabledPictures) {
                QVERIFY2(enabled != other, qPrintable(which + " looks like an earlier one"));
            }
            enabledPictures.append(enabled);
        }
    }

    void disabledGlyphIsGreyWithWhiteEmboss() {
        QImage square(10, 10, QImage::Format_ARGB32);
        square.fill(Qt::transparent);
        for (int y = 2; y < 6; ++y) {
            for (int x = 2; x < 6; ++x) {
                square.setPixel(x, y, qRgb(200, 0, 0));
            }
        }
        const QImage out = kelmor::DisabledGlyph(square, 2).convertToFormat(QImage::Format_ARGB32);
        const QRgb inside = out.pixel(3, 3);
        QVERIFY(qRed(inside) == qGreen(inside) && qGreen(inside) == qBlue(inside));
        QVERIFY(qRed(inside) < 200);
        QCOMPARE(out.pixel(7, 7), qRgba(255, 255, 255, 255));  // the copy 2 down and right
        QCOMPARE(qAlpha(out.pixel(1, 1)), 0);
        QCOMPARE(qAlpha(out.pixel(8, 8)), 0);
    }

    void applicationIconIsTheAtom() {
        const QIcon icon = kelmor::ApplicationIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
        const QColor centre = icon.pixmap(256, 256).toImage().pixelColor(128, 128);
        QVERIFY(centre.red() > centre.green() + 60);
    }
};

int RunToolIconTests(int argc, char** argv) {
    ToolIconTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tool_icons_test.moc"
