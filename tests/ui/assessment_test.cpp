// The radon assessment as a user reaches it in the window: the reference level from its
// menu, drawn on the chart; the summary (F9) following the list, the views and the zoom;
// and the report (Ctrl+Shift+S).
#include <QDockWidget>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "ui/chart/kelmor_chart.h"
#include "ui/chart/reference_line.h"
#include "ui/summary/summary_panel.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class AssessmentTest : public QObject {
    Q_OBJECT

  private slots:
    void nothingNewIsOnAtStart();
    void aReferenceLevelChosenFromTheMenuIsDrawn();
    void theSummaryFollowsTheListTheViewsAndTheZoom();
    void theReportHoldsTheChartAndTheSummary();
};

namespace {

struct Shown {
    Shown() {
        MainWindow& f = *w.window;
        f.resize(1100, 600);
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        w.Open(SamplePath("v7"));
        w.Choose(3);
    }

    void Type(const QKeySequence& shortcut) {
        const QKeyCombination key = shortcut[0];
        QTest::sendKeyEvent(QTest::Press, w.window.get(), key.key(), QString(),
                            key.keyboardModifiers());
        QTest::sendKeyEvent(QTest::Release, w.window.get(), key.key(), QString(),
                            key.keyboardModifiers());
    }

    // Assessment > Reference level > `item`, with the mouse.
    void ChooseReference(QAction* item) {
        MainWindow& f = *w.window;
        QMenuBar* bar = f.menuBar();
        QTest::mouseClick(
            bar, Qt::LeftButton, {},
            bar->actionGeometry(Child<QMenu>(f, "assessmentMenu")->menuAction()).center());
        QTRY_VERIFY(Child<QMenu>(f, "assessmentMenu")->isVisible());
        const QPoint submenu =
            Child<QMenu>(f, "assessmentMenu")
                ->actionGeometry(Child<QMenu>(f, "referenceLevelMenu")->menuAction())
                .center();
        QTest::mouseMove(Child<QMenu>(f, "assessmentMenu"), submenu);
        QTest::mouseClick(Child<QMenu>(f, "assessmentMenu"), Qt::LeftButton, {}, submenu);
        QTRY_VERIFY(Child<QMenu>(f, "referenceLevelMenu")->isVisible());
        QTest::mouseClick(Child<QMenu>(f, "referenceLevelMenu"), Qt::LeftButton, {},
                          Child<QMenu>(f, "referenceLevelMenu")->actionGeometry(item).center());
        QTRY_VERIFY(!Child<QMenu>(f, "assessmentMenu")->isVisible());
    }

    // Pixels of the reference line's colour in the chart as it is on screen.
    int ReferencePixels() {
        const QImage image = Child<KelmorChart>(*w.window, "chart")->grab().toImage();
        const QColor colour = ReferenceLine::Colour();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    }

    QString Subject() const {
        return Child<SummaryPanel>(*w.window, "summaryPanel")->SubjectLabel()->text();
    }

    WindowUnderTest w;
};

void Drag(KelmorChart* chart, double fromX, double toX, double fromY, double toY) {
    const QRect plot = chart->axisRect()->rect();
    const QPoint from(plot.left() + qRound(fromX * plot.width()),
                      plot.top() + qRound(fromY * plot.height()));
    const QPoint to(plot.left() + qRound(toX * plot.width()),
                    plot.top() + qRound(toY * plot.height()));
    QTest::mousePress(chart, Qt::LeftButton, {}, from);
    QTest::mouseMove(chart, (from + to) / 2);
    QTest::mouseMove(chart, to);
    QTest::mouseRelease(chart, Qt::LeftButton, {}, to);
}

}  // namespace

void AssessmentTest::nothingNewIsOnAtStart() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    QVERIFY(Child<QAction>(f, "noReferenceAction")->isChecked());
    QVERIFY(!Child<KelmorChart>(f, "chart")->ReferenceLevel());
    QVERIFY(!Child<QAction>(f, "summaryAction")->isChecked());
    QVERIFY(Child<QDockWidget>(f, "summaryDock")->isHidden());
    QVERIFY(!Child<QAction>(f, "saveReportAction")->isEnabled());  // nothing on show to report
    QStringList items;
    for (QAction* a : Child<QMenu>(f, "referenceLevelMenu")->actions()) {
        items << a->text();
    }
    QCOMPARE(items,
             QStringList({"None", "100 Bq/m3 (WHO)", "148 Bq/m3 (US EPA action level, 4 pCi/L)",
                          "300 Bq/m3 (EU, highest national reference level)", "Other value..."}));
}

void AssessmentTest::aReferenceLevelChosenFromTheMenuIsDrawn() {
    Shown s;
    MainWindow& f = *s.w.window;
    QCOMPARE(s.ReferencePixels(), 0);

    s.ChooseReference(ReferencePreset(f, 0));
    QCOMPARE(Child<KelmorChart>(f, "chart")->ReferenceLevel(), std::optional<double>(100));
    QVERIFY(ReferencePreset(f, 0)->isChecked());
    QVERIFY(s.ReferencePixels() > 100);

    // A value typed in; a cancelled question keeps the level there was.
    s.w.dialogs.ownAnswers.push_back([](QDialog& dialog) {
        static_cast<QInputDialog&>(dialog).setDoubleValue(250);
        return int(QDialog::Accepted);
    });
    s.ChooseReference(Child<QAction>(f, "typedReferenceAction"));
    QCOMPARE(Child<KelmorChart>(f, "chart")->ReferenceLevel(), std::optional<double>(250));
    s.w.dialogs.AnswerNext(QDialog::Rejected);
    s.ChooseReference(Child<QAction>(f, "typedReferenceAction"));
    QCOMPARE(Child<KelmorChart>(f, "chart")->ReferenceLevel(), std::optional<double>(250));
    QVERIFY(Child<QAction>(f, "typedReferenceAction")->isChecked());
    QVERIFY(
        !Child<KelmorChart>(f, "chart")->isHidden());  // the question does not take the chart away

    s.ChooseReference(Child<QAction>(f, "noReferenceAction"));
    QVERIFY(!Child<KelmorChart>(f, "chart")->ReferenceLevel());
    QCOMPARE(s.ReferencePixels(), 0);
}

void AssessmentTest::theSummaryFollowsTheListTheViewsAndTheZoom() {
    Shown s;
    MainWindow& f = *s.w.window;
    const QString fourth = Child<QComboBox>(f, "measurementList")->itemText(3);
    s.Type(Child<QAction>(f, "summaryAction")->shortcut());
    QVERIFY(Child<QDockWidget>(f, "summaryDock")->isVisible());
    QCOMPARE(s.Subject(), fourth);
    QVERIFY(Child<SummaryPanel>(f, "summaryPanel")->HasSummary());
    QCOMPARE(Child<SummaryPanel>(f, "summaryPanel")->Summary().samples, 1440);

    Drag(Child<KelmorChart>(f, "chart"), 0.3, 0.5, 0.1, 0.9);  // zoom
    QVERIFY(Child<KelmorChart>(f, "chart")->IsZoomed());
    QVERIFY(s.Subject().startsWith(fourth + QLatin1Char('\n')));
    QVERIFY(Child<SummaryPanel>(f, "summaryPanel")->Summary().samples < 1440);
    Drag(Child<KelmorChart>(f, "chart"), 0.6, 0.2, 0.9, 0.1);  // back
    QCOMPARE(s.Subject(), fourth);

    s.Type(QKeySequence(Qt::CTRL | Qt::Key_4));  // "Mean and mean Error"
    QCOMPARE(s.Subject(), fourth);
    s.ChooseReference(ReferencePreset(f, 2));
    QVERIFY(
        Child<SummaryPanel>(f, "summaryPanel")->Sentence()->text().contains(QStringLiteral("300")));

    s.w.Choose(Child<QComboBox>(f, "measurementList")->count() - 1);
    QCOMPARE(s.Subject(), QStringLiteral("All measurements"));
    QCOMPARE(Child<SummaryPanel>(f, "summaryPanel")->Summary().samples,
             f.Data().LastSampleIndex + 1);

    Trigger(f, "aboutAction");  // the chart is hidden after an own window
    QCOMPARE(s.Subject(), QStringLiteral("No measurement chosen"));
    s.Type(Child<QAction>(f, "summaryAction")->shortcut());
    QVERIFY(Child<QDockWidget>(f, "summaryDock")->isHidden());
}

void AssessmentTest::theReportHoldsTheChartAndTheSummary() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    Shown s;
    MainWindow& f = *s.w.window;
    s.ChooseReference(ReferencePreset(f, 2));
    QTest::mouseDClick(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {},
                       Child<KelmorChart>(f, "chart")->rect().center());
    Child<QLineEdit>(f, "titleEditor")->setText(QStringLiteral("Cellar, winter"));
    QTest::mouseClick(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {},
                      Child<KelmorChart>(f, "chart")->rect().center());

    const QString pdf = s.w.WorkingFile(QStringLiteral("cellar.pdf"));
    s.w.dialogs.ChooseFile(pdf, 0);
    s.Type(Child<QAction>(f, "saveReportAction")->shortcut());
    QCOMPARE(s.w.dialogs.fileDialogs.last(), QStringLiteral("reportDialog"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QByteArray out = text.readAllStandardOutput();
    QCOMPARE(out.count('\f'), 2);  // two pages
    QVERIFY(out.contains("Cellar, winter"));
    QVERIFY(out.contains("kelmor-v7.Rn"));
    QVERIFY(out.contains("Reference level 300 Bq/m3"));
    QVERIFY(out.contains(Child<QComboBox>(f, "measurementList")->itemText(3).toUtf8()));

    // A report that cannot be written says so, naming the file.
    s.w.dialogs.ChooseFile(s.w.WorkingFile(QStringLiteral("gone/cellar.pdf")), 0);
    s.Type(Child<QAction>(f, "saveReportAction")->shortcut());
    QVERIFY(s.w.dialogs.messages.last().startsWith(QStringLiteral("Cannot write \"cellar.pdf\"")));
}

QTEST_MAIN(AssessmentTest)
#include "assessment_test.moc"
