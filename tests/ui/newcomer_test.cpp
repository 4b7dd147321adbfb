// What a newcomer meets: the empty window that says what to do, and the user guide.
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

#include "ui/chart/kelmor_chart.h"
#include "ui/empty_state.h"
#include "ui/help/user_guide_window.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class NewcomerTest : public QObject {
    Q_OBJECT

  private slots:
    void theEmptyStateFollowsTheInstrumentAndTheChart();
    void theEmptyStateLeadsIn();
    void f1OpensTheGuideAndItsLinksResolve();
};

namespace {

struct Shown {
    explicit Shown(bool attached) : w(Model::V7, attached) {
        w.window->resize(1000, 600);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        empty = w.window->findChild<EmptyState*>();
        QVERIFY(empty);
    }

    // Shown with a given line, the other hidden, and painted where the chart would be.
    bool Offers(bool readOut) const {
        return empty->isVisible() && empty->ReadOutLine()->isVisible() == readOut &&
               empty->PlugInLine()->isVisible() == !readOut && empty->OpenLine()->isVisible() &&
               empty->geometry().intersects(w.window->centralWidget()->rect());
    }

    WindowUnderTest w;
    EmptyState* empty = nullptr;
};

}  // namespace

void NewcomerTest::theEmptyStateFollowsTheInstrumentAndTheChart() {
    Shown s(true);
    MainWindow& f = *s.w.window;
    QVERIFY(s.Offers(true));
    QCOMPARE(s.empty->ReadOutLine()->text(), QStringLiteral("Read out the Kelmor"));
    QCOMPARE(s.empty->OpenLine()->text(), QStringLiteral("Open a data file (Ctrl+O)"));
    QVERIFY(!s.empty->ReadOutLine()->icon().isNull());

    s.w.bus->Unplug();
    f.WatchConnection();
    QVERIFY(s.Offers(false));
    QCOMPARE(s.empty->PlugInLine()->text(),
             QStringLiteral("Plug in the Kelmor, or open a saved data file"));
    s.w.bus->Plug();
    f.WatchConnection();
    QVERIFY(s.Offers(true));

    // Measurements listed: choosing one is what comes next. A chosen measurement takes
    // the empty state's place; it never lies over the chart.
    QVERIFY(!s.empty->ChooseLine()->isVisible());
    s.w.Open(SamplePath("v7"));
    QVERIFY(s.empty->isVisible());
    QVERIFY(s.empty->ChooseLine()->isVisible());
    QCOMPARE(s.empty->ChooseLine()->text(),
             QStringLiteral("Choose a measurement in the list \"Measurement\""));
    s.w.Choose(2);
    QVERIFY(!s.empty->isVisible());
    QVERIFY(Child<KelmorChart>(f, "chart")->isVisible());
    // The chart hidden again (an own window closed): the empty state is back.
    Trigger(f, "aboutAction");
    QVERIFY(Child<KelmorChart>(f, "chart")->isHidden());
    QVERIFY(s.empty->isVisible());
}

void NewcomerTest::theEmptyStateLeadsIn() {
    Shown s(true);
    const QByteArray memory = ReadAll(SamplePath("v7"));
    s.w.bus->Kelmor()->LoadMemory(reinterpret_cast<const std::uint8_t*>(memory.constData()),
                                  static_cast<std::size_t>(memory.size()));
    QTest::mouseClick(s.empty->ReadOutLine(), Qt::LeftButton);
    QVERIFY(s.w.window->State().levelShown);  // a completed read-out
    QCOMPARE(Child<QComboBox>(*s.w.window, "measurementList")->count(), 9);

    s.w.dialogs.CancelFile();
    QTest::mouseClick(s.empty->OpenLine(), Qt::LeftButton);
    QCOMPARE(s.w.dialogs.fileDialogs.value(0), QStringLiteral("openDialog"));
}

void NewcomerTest::f1OpensTheGuideAndItsLinksResolve() {
    Shown s(false);
    MainWindow& f = *s.w.window;
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QTest::sendKeyEvent(QTest::Press, &f, Qt::Key_F1, QString(), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, &f, Qt::Key_F1, QString(), Qt::NoModifier);
    QTRY_VERIFY(Child<UserGuideWindow>(f, "userGuide")->isVisible());

    QTextBrowser& browser = *Child<UserGuideWindow>(f, "userGuide")->Browser();
    QTextDocument& document = *browser.document();
    const QString text = document.toPlainText();
    for (const char* heading :
         {"Reading out the Kelmor", "Looking at a measurement", "Zooming and the foot line",
          "Saving, exporting and printing", "What the status bar says"}) {
        QVERIFY2(text.contains(QLatin1String(heading)), heading);
    }

    // Every picture is there, every link leads somewhere.
    QStringList anchors;
    QList<QTextCharFormat> links;
    int pictures = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            anchors << format.anchorNames();
            if (format.isImageFormat()) {
                const QString name = format.toImageFormat().name();
                const QVariant picture =
                    document.resource(QTextDocument::ImageResource, QUrl(name));
                QVERIFY2(!picture.value<QImage>().isNull(), qPrintable(name));
                ++pictures;
            } else if (format.isAnchor()) {
                links << format;
            }
        }
    }
    QVERIFY(pictures >= 6);
    for (const QTextCharFormat& link : links) {
        const QUrl target(link.anchorHref());
        if (target.scheme().startsWith(QLatin1String("http"))) {
            continue;  // opens in the desktop's browser
        }
        if (target.hasFragment() && target.path().isEmpty()) {
            QVERIFY2(anchors.contains(target.fragment()), qPrintable(link.anchorHref()));
            continue;
        }
        const QUrl resolved = browser.source().resolved(target);
        QVERIFY2(QFile::exists(QLatin1Char(':') + resolved.path()), qPrintable(link.anchorHref()));
    }
}

QTEST_MAIN(NewcomerTest)
#include "newcomer_test.moc"
