// What the chart shows is what was computed: after every change a user makes from the
// keyboard (the five views, the overlays, the interval of the mean and its step-down), the
// pixels the chart widget shows equal those of a forced full repaint of the same chart.
#include <QComboBox>
#include <QtTest>

#include "data/running_mean.h"
#include "ui/chart/kelmor_chart.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class RepaintTest : public QObject {
    Q_OBJECT

  private slots:
    void viewsAndOverlaysLeaveTheChartRepainted();
    void intervalChangesAndTheStepDownLeaveTheChartRepainted();
};

namespace {

struct ShownWindow {
    explicit ShownWindow(const char* sample, int measurement) {
        MainWindow& f = *w.window;
        f.resize(1000, 600);
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        w.Open(SamplePath(sample));
        w.Choose(measurement);
    }

    // The chart as the widget shows it now, and as a forced full repaint draws it.
    void ExpectRepainted(const QString& step) {
        KelmorChart& chart = *Child<KelmorChart>(*w.window, "chart");
        const QImage shown = chart.grab().toImage();
        chart.RepaintNow();
        const QImage forced = chart.grab().toImage();
        QVERIFY2(shown == forced, qPrintable(step + QStringLiteral(": the chart was left stale")));
    }

    void Type(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(w.window.get(), Qt::Key(key), modifiers);
    }

    WindowUnderTest w;
};

}  // namespace

void RepaintTest::viewsAndOverlaysLeaveTheChartRepainted() {
    ShownWindow s("v7", 3);
    const struct {
        int key;
        const char* name;
    } steps[] = {
        {Qt::Key_2, "Pulse Distribution and Mean"},
        {Qt::Key_T, "Temperature in Pulse Distribution and Mean"},
        {Qt::Key_3, "Pulse Distribution, Mean and mean Error"},
        {Qt::Key_R, "Pressure in Pulse Distribution, Mean and mean Error"},
        {Qt::Key_4, "Mean and mean Error"},
        {Qt::Key_H, "Humidity in Mean and mean Error"},
        {Qt::Key_5, "Mean"},
        {Qt::Key_T, "Temperature off in Mean"},
        {Qt::Key_1, "Pulse Distribution"},
        {Qt::Key_R, "Pressure off in Pulse Distribution"},
    };
    for (const auto& step : steps) {
        s.Type(step.key);
        s.ExpectRepainted(QLatin1String(step.name));
    }
}

void RepaintTest::intervalChangesAndTheStepDownLeaveTheChartRepainted() {
    // The V5 sample's first measurement has 169 hourly samples: one too few for "7d".
    ShownWindow s("v5", 0);
    MainWindow& f = *s.w.window;
    s.Type(Qt::Key_2);
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->currentText(), QStringLiteral("4h"));
    Child<QComboBox>(f, "meanIntervalList")->setFocus();
    QTest::keyClick(Child<QComboBox>(f, "meanIntervalList"), Qt::Key_Down);
    QCOMPARE(Child<KelmorChart>(f, "chart")->TitleLines(), QStringList({"8h-Mean"}));
    s.ExpectRepainted(QStringLiteral("8h"));
    QTest::keyClick(Child<QComboBox>(f, "meanIntervalList"), Qt::Key_Down);
    QTest::keyClick(Child<QComboBox>(f, "meanIntervalList"), Qt::Key_Down);
    s.ExpectRepainted(QStringLiteral("24h"));
    QTest::keyClick(Child<QComboBox>(f, "meanIntervalList"), Qt::Key_Down);
    QTest::keyClick(Child<QComboBox>(f, "meanIntervalList"), Qt::Key_Down);
    // "7d" does not fit: the box steps down to "2d" and says so.
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->currentText(), QStringLiteral("2d"));
    QCOMPARE(f.PanelText(1), kMeanTooLongText);
    QCOMPARE(Child<KelmorChart>(f, "chart")->TitleLines(), QStringList({"2d-Mean"}));
    s.ExpectRepainted(QStringLiteral("7d stepped down to 2d"));
}

QTEST_MAIN(RepaintTest)
#include "repaint_test.moc"
