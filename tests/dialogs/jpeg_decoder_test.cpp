#include <QBuffer>
#include <QImageWriter>
#include <QTest>

#include "suites.h"
#include "ui/dialogs/dialog_resources.h"
#include "ui/dialogs/jpeg_decoder.h"

using kelmor::DecodeJpeg;

namespace {

int Spread(QRgb pixel) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    return std::max({r, g, b}) - std::min({r, g, b});
}

// Encodes through Qt's own JPEG plugin, to have pictures of known content to decode.
QByteArray EncodeWithQt(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    return writer.write(image) ? bytes : QByteArray();
}

// Index of the first byte of a marker (0xFF, code) or -1.
qsizetype MarkerAt(const QByteArray& bytes, unsigned char code) {
    return bytes.indexOf(QByteArray("\xFF", 1) + char(code));
}

}  // namespace

class JpegDecoderTest : public QObject {
    Q_OBJECT

  private slots:
    void bannerDecodesInColour() {
        const QByteArray jpeg = kelmor::BannerJpeg();
        QVERIFY(!jpeg.isEmpty());
        QString error = "untouched";
        const QImage banner = DecodeJpeg(jpeg, &error);
        QCOMPARE(banner.size(), QSize(358, 82));
        QCOMPARE(banner.format(), QImage::Format_RGB888);
        QCOMPARE(error, QString("untouched"));
        int coloured = 0;
        for (int y = 0; y < banner.height(); ++y) {
            for (int x = 0; x < banner.width(); ++x) {
                coloured += Spread(banner.pixel(x, y)) > 40 ? 1 : 0;
            }
        }
        QVERIFY2(coloured > banner.width() * banner.height() / 2, "banner came out grey");
        // The atom's red nucleus on the left, the navy ground at the bottom-left corner.
        const QRgb nucleus = banner.pixel(44, 41);
        QVERIFY(qRed(nucleus) > qGreen(nucleus) + 60 && qRed(nucleus) > qBlue(nucleus) + 60);
        const QRgb ground = banner.pixel(2, 79);
        QVERIFY(qBlue(ground) > qRed(ground) + 30);
    }

    // Odd widths make rows that do not end on a 4-byte boundary: row and channel mix-ups
    // show as colours in the wrong place.
    void matchesKnownPictureRowByRow() {
        QImage known(37, 23, QImage::Format_RGB888);
        for (int y = 0; y < known.height(); ++y) {
            for (int x = 0; x < known.width(); ++x) {
                known.setPixelColor(x, y, y < 12 ? (x < 18 ? Qt::red : Qt::blue) : Qt::green);
            }
        }
        const QByteArray jpeg = EncodeWithQt(known);
        if (jpeg.isEmpty()) {
            QSKIP("Qt's JPEG plugin is not installed");
        }
        const QImage decoded = DecodeJpeg(jpeg);
        QCOMPARE(decoded.size(), known.size());
        for (const QPoint at : {QPoint(4, 4), QPoint(32, 4), QPoint(4, 19), QPoint(32, 19)}) {
            const QColor want = known.pixelColor(at), got = decoded.pixelColor(at);
            QVERIFY2(std::abs(want.red() - got.red()) < 24 &&
                         std::abs(want.green() - got.green()) < 24 &&
                         std::abs(want.blue() - got.blue()) < 24,
                     qPrintable(QString("at %1,%2: %3").arg(at.x()).arg(at.y()).arg(got.name())));
        }
    }

    void greyJpegComesOutAsRgb() {
        QImage grey(16, 8, QImage::Format_Grayscale8);
        grey.fill(140);
        const QByteArray jpeg = EncodeWithQt(grey);
        if (jpeg.isEmpty()) {
            QSKIP("Qt's JPEG plugin is not installed");
        }
        const QImage decoded = DecodeJpeg(jpeg);
        QCOMPARE(decoded.format(), QImage::Format_RGB888);
        const QRgb pixel = decoded.pixel(8, 4);
        QVERIFY(std::abs(qRed(pixel) - 140) < 4 && Spread(pixel) == 0);
    }

    void badDataGivesNullImageAndReason_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray banner = kelmor::BannerJpeg();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a JPEG") << QByteArray("GIF89a and then some");
        QTest::newRow("start and end markers only") << QByteArray("\xFF\xD8\xFF\xD9", 4);
        QTest::newRow("header only") << banner.left(MarkerAt(banner, 0xDA) + 4);
        QTest::newRow("cut in half") << banner.left(banner.size() / 2);
        QTest::newRow("last bytes missing") << banner.left(banner.size() - 40);

        QByteArray noHeight = banner;
        const qsizetype frame = MarkerAt(banner, 0xC0);
        QVERIFY(frame > 0);
        noHeight[frame + 5] = 0;  // frame header: FF C0, length(2), precision, height(2)
        noHeight[frame + 6] = 0;
        QTest::newRow("zero height") << noHeight;

        QByteArray huge = banner;
        huge[frame + 5] = char(0xEA);
        huge[frame + 6] = char(0x60);  // 60000 rows
        QTest::newRow("huge height") << huge;

        QByteArray badTable = banner;
        const qsizetype table = MarkerAt(banner, 0xC4);
        QVERIFY(table > 0);
        for (int i = 5; i < 21; ++i) {
            badTable[table + i] = char(0xFF);  // code counts that overflow the table
        }
        QTest::newRow("bogus Huffman table") << badTable;

        QByteArray cutInScan = banner;
        const qsizetype scan = MarkerAt(banner, 0xDA);
        cutInScan[scan + 600] = char(0xFF);
        cutInScan[scan + 601] = char(0xD9);  // end-of-image marker inside the picture data
        QTest::newRow("end marker inside the scan") << cutInScan;
    }

    void badDataGivesNullImageAndReason() {
        QFETCH(QByteArray, bytes);
        QString error;
        const QImage image = DecodeJpeg(bytes, &error);
        QVERIFY(image.isNull());
        QVERIFY(!error.isEmpty());
        QVERIFY(DecodeJpeg(bytes).isNull());  // also without asking for the reason
    }
};

int RunJpegDecoderTests(int argc, char** argv) {
    JpegDecoderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "jpeg_decoder_test.moc"
