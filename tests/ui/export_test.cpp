// The chart on paper and as a metafile, as Print and Save give them.
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include "ui/chart/kelmor_chart.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class ExportTest : public QObject {
    Q_OBJECT

  private slots:
    void printingGivesALandscapePageWithTheChartInsideTheMargins();
    void aCancelledPrintDialogPrintsNothing();
    void theMetafileOpensInLibwmf();
};

namespace {

void ShowMeasurement(WindowUnderTest& w) {
    w.window->resize(1000, 600);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.Open(SamplePath("v7"));
    w.Choose(3);
}

}  // namespace

void ExportTest::printingGivesALandscapePageWithTheChartInsideTheMargins() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
        QSKIP("pdftoppm (poppler-utils) is not installed");
    }
    WindowUnderTest w;
    ShowMeasurement(w);
    const QString pdf = w.WorkingFile("chart.pdf");
    w.dialogs.printTo = pdf;
    w.dialogs.printerOrientation = QPageLayout::Portrait;
    Click(*w.window, "printButton");
    QCOMPARE(w.dialogs.printDialogs, 1);
    QVERIFY(QFileInfo(pdf).size() > 1000);
    // The printer keeps the orientation it had; the chart alone was landscape.
    QCOMPARE(w.window->Printer().pageLayout().orientation(), QPageLayout::Portrait);

    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, w.WorkingFile("page")});
    QVERIFY(render.waitForFinished(60000));
    const QImage page(w.WorkingFile("page.png"));
    QVERIFY(!page.isNull());
    QVERIFY2(page.width() > page.height(), "the page is not landscape");

    // Everything drawn lies within 5 per cent of the page from each edge, and the chart
    // fills most of what is inside.
    QRect drawn;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (page.pixelColor(x, y).lightness() < 200) {
                drawn |= QRect(x, y, 1, 1);
            }
        }
    }
    const int mx = page.width() * 5 / 100;
    const int my = page.height() * 5 / 100;
    QVERIFY2(drawn.left() >= mx - 1 && drawn.top() >= my - 1 &&
                 drawn.right() <= page.width() - mx && drawn.bottom() <= page.height() - my,
             qPrintable(QStringLiteral("drawn %1,%2 %3x%4 on %5x%6")
                            .arg(drawn.x())
                            .arg(drawn.y())
                            .arg(drawn.width())
                            .arg(drawn.height())
                            .arg(page.width())
                            .arg(page.height())));
    QVERIFY(drawn.width() > page.width() * 80 / 100);
    QVERIFY(drawn.height() > page.height() * 70 / 100);
}

void ExportTest::aCancelledPrintDialogPrintsNothing() {
    WindowUnderTest w;
    ShowMeasurement(w);
    Click(*w.window, "printButton");
    QCOMPARE(w.dialogs.printDialogs, 1);
    QVERIFY(w.dialogs.messages.isEmpty());
}

// Drawn by the chart's one routine, as on screen: the reference line's label too.
void ExportTest::theMetafileOpensInLibwmf() {
    if (QStandardPaths::findExecutable(QStringLiteral("wmf2svg")).isEmpty()) {
        QSKIP("wmf2svg (libwmf-bin) is not installed");
    }
    WindowUnderTest w;
    ShowMeasurement(w);
    Trigger(*w.window, "meanAction");
    ReferencePreset(*w.window, 2)->trigger();
    const QString wmf = w.WorkingFile("chart.Wmf");
    w.Save(wmf, 3);
    QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(w.dialogs.messages.join('\n')));
    QCOMPARE(ReadAll(wmf).left(4), QByteArray("\xD7\xCD\xC6\x9A", 4));  // placeable

    QProcess convert;
    convert.start(QStringLiteral("wmf2svg"),
                  {QStringLiteral("-o"), w.WorkingFile("chart.svg"), wmf});
    QVERIFY(convert.waitForFinished(60000));
    QCOMPARE(convert.exitCode(), 0);
    const QString svg = QString::fromUtf8(ReadAll(w.WorkingFile("chart.svg")));
    // libwmf places each character of a text with spacing as an element of its own.
    QString texts;
    const QRegularExpression element(QStringLiteral("<text[^>]*>([^<]*)</text>"));
    for (auto match = element.globalMatch(svg); match.hasNext();) {
        texts += match.next().captured(1);
    }
    for (const QString& text :
         {QStringLiteral("2h-Mean"), QStringLiteral("Bq/m3"), QStringLiteral("Time"),
          QStringLiteral("Temp/RH/Press"), QStringLiteral("Radonlevel"),
          QStringLiteral("Reference level 300 Bq/m3")}) {
        QVERIFY2(texts.contains(text), qPrintable(text));
    }
    QVERIFY(svg.count(QStringLiteral("<polyline")) + svg.count(QStringLiteral("<path")) +
                svg.count(QStringLiteral("<line")) >
            20);
}

QTEST_MAIN(ExportTest)
#include "export_test.moc"
