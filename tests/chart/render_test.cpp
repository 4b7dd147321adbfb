// One drawing routine for screen, picture and paper: bitmaps and other devices.
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include "chart_fixture.h"

namespace kelmor::testing {
namespace {

// The bounding box of the red pixels: where the pulse distribution landed.
QRect RedBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (IsRed(image.pixel(x, y))) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

TEST_F(ChartTest, SaveBitmapWritesAWindowsBitmapOfTheChartOnScreen) {
    FillPulses(200);
    chart->RepaintNow();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("chart.bmp"));
    QString error;
    ASSERT_TRUE(chart->SaveBitmap(path, error)) << error.toStdString();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    file.close();
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("bmp"));
    const QImage saved = reader.read();
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), chart->size());
    EXPECT_EQ(saved.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(RedBox(saved), RedBox(Render()));
}

TEST_F(ChartTest, SaveBitmapReportsWhereAndWhyItFailed) {
    QTemporaryDir folder;
    QString error;
    const QString missing = folder.filePath(QStringLiteral("no/such/folder/chart.bmp"));
    EXPECT_FALSE(chart->SaveBitmap(missing, error));
    EXPECT_TRUE(error.contains(QStringLiteral("chart.bmp")));
    EXPECT_FALSE(QFile::exists(missing));

    // A folder where the file should be: nothing is written over it.
    const QString taken = folder.filePath(QStringLiteral("taken.bmp"));
    ASSERT_TRUE(QDir().mkdir(taken));
    error.clear();
    EXPECT_FALSE(chart->SaveBitmap(taken, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(taken).isDir());
}

TEST_F(ChartTest, RenderToLaysTheChartOutForTheTarget) {
    FillPulses(100);
    chart->RepaintNow();
    const QRect onScreen = RedBox(Render());

    // Twice the size, offset: the data fills the larger plot, not the on-screen one.
    QImage large(1700, 900, QImage::Format_RGB32);
    large.fill(Qt::white);
    const QRect target(50, 50, 1600, 800);
    {
        QCPPainter painter(&large);
        chart->RenderTo(painter, target);
    }
    const QRect drawn = RedBox(large);
    EXPECT_TRUE(target.contains(drawn));
    // The axis margins stay the same in pixels, so the plot grows by more than twice.
    EXPECT_GT(drawn.width(), 2 * onScreen.width());
    EXPECT_GT(drawn.height(), 2 * onScreen.height());
    EXPECT_EQ(RedBox(Render()), onScreen);  // the screen layout is untouched
}

TEST_F(ChartTest, RenderToAPrinterResolutionKeepsTheScreenLayout) {
    FillPulses(100);
    chart->RepaintNow();
    const auto renderAt = [&](int dotsPerInch) {
        const double scale = dotsPerInch / 96.0;
        QImage image(qRound(800 * scale), qRound(400 * scale), QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
        image.fill(Qt::white);
        QPainter painter(&image);  // a plain QPainter, as for a printer
        chart->RenderTo(painter, image.rect());
        return image;
    };
    const QRect screen = RedBox(renderAt(96));
    const QRect paper = RedBox(renderAt(288));
    ASSERT_FALSE(screen.isEmpty());
    // Three times the dots per inch: the same picture three times as large.
    EXPECT_NEAR(paper.left(), 3 * screen.left(), 6);
    EXPECT_NEAR(paper.right(), 3 * screen.right(), 6);
    EXPECT_NEAR(paper.top(), 3 * screen.top(), 6);
    EXPECT_NEAR(paper.bottom(), 3 * screen.bottom(), 6);
}

}  // namespace
}  // namespace kelmor::testing
