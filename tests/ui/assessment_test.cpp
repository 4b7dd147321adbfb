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
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(f.assessmentMenu_->menuAction()).center());
        QTRY_VERIFY(f.assessmentMenu_->isVisible());
        const QPoint submenu =
            f.assessmentMenu_->actionGeometry(f.referenceLevelMenu_->menuAction()).center();
        QTest::mouseMove(f.assessmentMenu_, submenu);
        QTest::mouseClick(f.assessmentMenu_, Qt::LeftButton, {}, submenu);
        QTRY_VERIFY(f.referenceLevelMenu_->isVisible());
        QTest::mouseClick(f.referenceLevelMenu_, Qt::LeftButton, {},
                          f.referenceLevelMenu_->actionGeometry(item).center());
        QTRY_VERIFY(!f.assessmentMenu_->isVisible());
    }

    // Pixels of the reference line's colour in the chart as it is on screen.
    int ReferencePixels() {
        const QImage image = w.window->chart_->grab().toImage();
        const QColor colour = ReferenceLine::Colour();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    }

    QString Subject() const { return w.window->summaryPanel_->SubjectLabel()->text(); }

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
    QVERIFY(f.noReferenceAction_->isChecked());
    QVERIFY(!f.chart_->ReferenceLevel());
    QVERIFY(!f.summaryAction_->isChecked());
    QVERIFY(f.summaryDock_->isHidden());
    QVERIFY(!f.saveReportAction_->isEnabled());  // nothing on show to report
    QStringList items;
    for (QAction* a : f.referenceLevelMenu_->actions()) {
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

    s.ChooseReference(f.referencePresetActions_[0]);
    QCOMPARE(f.chart_->ReferenceLevel(), std::optional<double>(100));
    QVERIFY(f.referencePresetActions_[0]->isChecked());
    QVERIFY(s.ReferencePixels() > 100);

    // A value typed in; a cancelled question keeps the level there was.
    s.w.dialogs.ownAnswers.push_back([](QDialog& dialog) {
        static_cast<QInputDialog&>(dialog).setDoubleValue(250);
        return int(QDialog::Accepted);
    });
    s.ChooseReference(f.typedReferenceAction_);
    QCOMPARE(f.chart_->ReferenceLevel(), std::optional<double>(250));
    s.w.dialogs.AnswerNext(QDialog::Rejected);
    s.ChooseReference(f.typedReferenceAction_);
    QCOMPARE(f.chart_->ReferenceLevel(), std::optional<double>(250));
    QVERIFY(f.typedReferenceAction_->isChecked());
    QVERIFY(!f.chart_->isHidden());  // the question does not take the chart away

    s.ChooseReference(f.noReferenceAction_);
    QVERIFY(!f.chart_->ReferenceLevel());
    QCOMPARE(s.ReferencePixels(), 0);
}

void AssessmentTest::theSummaryFollowsTheListTheViewsAndTheZoom() {
    Shown s;
    MainWindow& f = *s.w.window;
    const QString fourth = f.measurementList_->itemText(3);
    s.Type(f.summaryAction_->shortcut());
    QVERIFY(f.summaryDock_->isVisible());
    QCOMPARE(s.Subject(), fourth);
    QVERIFY(f.summaryPanel_->HasSummary());
    QCOMPARE(f.summaryPanel_->Summary().samples, 1440);

    Drag(f.chart_, 0.3, 0.5, 0.1, 0.9);  // zoom
    QVERIFY(f.chart_->IsZoomed());
    QVERIFY(s.Subject().startsWith(fourth + QLatin1Char('\n')));
    QVERIFY(f.summaryPanel_->Summary().samples < 1440);
    Drag(f.chart_, 0.6, 0.2, 0.9, 0.1);  // back
    QCOMPARE(s.Subject(), fourth);

    s.Type(QKeySequence(Qt::CTRL | Qt::Key_4));  // "Mean and mean Error"
    QCOMPARE(s.Subject(), fourth);
    s.ChooseReference(f.referencePresetActions_[2]);
    QVERIFY(f.summaryPanel_->Sentence()->text().contains(QStringLiteral("300")));

    s.w.Choose(f.measurementList_->count() - 1);
    QCOMPARE(s.Subject(), QStringLiteral("All measurements"));
    QCOMPARE(f.summaryPanel_->Summary().samples, f.Data().LastSampleIndex + 1);

    f.ShowAboutBox(f.aboutAction_);  // the chart is hidden after an own window
    QCOMPARE(s.Subject(), QStringLiteral("No measurement chosen"));
    s.Type(f.summaryAction_->shortcut());
    QVERIFY(f.summaryDock_->isHidden());
}

void AssessmentTest::theReportHoldsTheChartAndTheSummary() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    Shown s;
    MainWindow& f = *s.w.window;
    s.ChooseReference(f.referencePresetActions_[2]);
    QTest::mouseDClick(f.chart_, Qt::LeftButton, {}, f.chart_->rect().center());
    f.titleEditor_->setText(QStringLiteral("Cellar, winter"));
    QTest::mouseClick(f.chart_, Qt::LeftButton, {}, f.chart_->rect().center());

    const QString pdf = s.w.WorkingFile(QStringLiteral("cellar.pdf"));
    s.w.dialogs.ChooseFile(pdf, 0);
    s.Type(f.saveReportAction_->shortcut());
    QCOMPARE(s.w.dialogs.fileDialogs.last(), QStringLiteral("reportDialog"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QByteArray out = text.readAllStandardOutput();
    QCOMPARE(out.count('\f'), 2);  // two pages
    QVERIFY(out.contains("Cellar, winter"));
    QVERIFY(out.contains("kelmor-v7.Rn"));
    QVERIFY(out.contains("Reference level 300 Bq/m3"));
    QVERIFY(out.contains(f.measurementList_->itemText(3).toUtf8()));

    // A report that cannot be written says so, naming the file.
    s.w.dialogs.ChooseFile(s.w.WorkingFile(QStringLiteral("gone/cellar.pdf")), 0);
    s.Type(f.saveReportAction_->shortcut());
    QVERIFY(s.w.dialogs.messages.last().startsWith(QStringLiteral("Cannot write \"cellar.pdf\"")));
}

QTEST_MAIN(AssessmentTest)
#include "assessment_test.moc"
