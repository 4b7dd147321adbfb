// The chart views: what each view leaves on the chart, the overlays, the mean's
// step-down, the foot line with zooming by mouse, and the title editor.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "data/foot_line.h"
#include "ui/chart/kelmor_chart.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class ViewsTest : public QObject {
    Q_OBJECT

  private slots:
    void eachViewLeavesItsSeries();
    void meanViewsSelectTheirDefaultInterval();
    void overlaysInAMeanViewBeginWindowSamplesAfterTheFirst();
    void aTooLongIntervalStepsDown();
    void aZeroConcentrationIsDrawnWithABarOfOneTenth();
    void footLineFollowsZoomAndUndoByMouse();
    void footLineCountsSamplesOfEveryMeasurementInTheRange();
    void titleEditing();
    void allMeasurementsShowsThePulsesOfTheWholeImage();
};

namespace {

struct Shown {
    int pulses, mean, meanError;
    bool meanListEnabled;
    QStringList title;
};

Shown WhatIsShown(MainWindow& f) {
    return {Child<KelmorChart>(f, "chart")->PulseSeries()->Count(),
            Child<KelmorChart>(f, "chart")->MeanSeries()->Count(),
            Child<KelmorChart>(f, "chart")->MeanErrorSeries()->Count(),
            Child<QComboBox>(f, "meanIntervalList")->isEnabled(),
            Child<KelmorChart>(f, "chart")->TitleLines()};
}

// A window on the V7 sample with its fourth measurement (1440 samples) on show.
void OpenV7Measurement(WindowUnderTest& w, int index = 3) {
    w.window->resize(1000, 600);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.Open(SamplePath("v7"));
    w.Choose(index);
}

int Samples(MainWindow& f, int row) {
    const MeasurementEntry& m = f.Data().MeasurementTable[row];
    return m.LastSample - m.FirstSample + 1;
}

}  // namespace

void ViewsTest::eachViewLeavesItsSeries() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    const int n = Samples(f, 3);
    QCOMPARE(n, 1440);

    Shown s = WhatIsShown(f);
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, 0);
    QCOMPARE(s.meanError, 0);
    QVERIFY(!s.meanListEnabled);
    QCOMPARE(s.title, QStringList({"Measurements"}));

    Trigger(f, "pulseDistributionAndMeanAction");
    s = WhatIsShown(f);
    QVERIFY(Child<QAction>(f, "pulseDistributionAndMeanAction")->isChecked());
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, n - 4 + 1);  // "4h": the first point at the fourth sample
    QCOMPARE(s.meanError, 0);
    QVERIFY(s.meanListEnabled);
    QCOMPARE(s.title, QStringList({"4h-Mean"}));

    Trigger(f, "pulseDistributionMeanAndMeanErrorAction");
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, n - 4 + 1);   // the interval chosen before stays
    QCOMPARE(s.meanError, n - 4);  // no error bar at the first point
    QCOMPARE(s.title, QStringList({"4h-Mean"}));

    Trigger(f, "meanAndMeanErrorAction");
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, 0);
    QCOMPARE(s.mean, n - 3);
    QCOMPARE(s.meanError, n - 4);

    Trigger(f, "meanAction");
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, 0);
    QCOMPARE(s.mean, n - 3);
    QCOMPARE(s.meanError, 0);
    QVERIFY(s.meanListEnabled);

    // Another interval from the list redraws the mean alone.
    ChooseInList(Child<QComboBox>(f, "meanIntervalList"), 7);
    s = WhatIsShown(f);
    QCOMPARE(s.mean, n);
    QCOMPARE(s.title, QStringList({"Mean"}));

    Trigger(f, "pulseDistributionAction");
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, 0);
    QCOMPARE(s.meanError, 0);
    QVERIFY(!s.meanListEnabled);
    QCOMPARE(s.title, QStringList({"Measurements"}));
}

void ViewsTest::meanViewsSelectTheirDefaultInterval() {
    {
        WindowUnderTest w;
        OpenV7Measurement(w);
        Trigger(*w.window, "pulseDistributionAndMeanAction");
        QCOMPARE(Child<QComboBox>(*w.window, "meanIntervalList")->currentText(),
                 QStringLiteral("4h"));
    }
    for (const char* view :
         {"pulseDistributionMeanAndMeanErrorAction", "meanAndMeanErrorAction", "meanAction"}) {
        WindowUnderTest w;
        OpenV7Measurement(w);
        Trigger(*w.window, view);
        QCOMPARE(Child<QComboBox>(*w.window, "meanIntervalList")->currentText(),
                 QStringLiteral("2h"));
    }
}

void ViewsTest::overlaysInAMeanViewBeginWindowSamplesAfterTheFirst() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    const MeasurementEntry m = f.Data().MeasurementTable[3];
    Child<QComboBox>(f, "meanIntervalList")->setCurrentIndex(4);  // 24h
    Trigger(f, "meanAndMeanErrorAction");
    Trigger(f, "temperatureAction");
    QVERIFY(Child<QAction>(f, "meanAndMeanErrorAction")->isChecked());
    QCOMPARE(Child<KelmorChart>(f, "chart")->TemperatureSeries()->Count(), 1440 - 24);
    QCOMPARE(Child<KelmorChart>(f, "chart")->TemperatureSeries()->data()->begin()->key,
             f.Data().SampleTable[m.FirstSample + 24].Time);
    QCOMPARE(Child<KelmorChart>(f, "chart")->HumiditySeries()->Count(), 0);
    // In the pulse distribution the overlay covers every sample.
    Trigger(f, "pulseDistributionAction");
    QCOMPARE(Child<KelmorChart>(f, "chart")->TemperatureSeries()->Count(), 1440);
    Trigger(f, "pressureAction");
    QCOMPARE(Child<KelmorChart>(f, "chart")->PressureSeries()->Count(), 1440);
    QCOMPARE(Child<KelmorChart>(f, "chart")->PressureSeries()->data()->begin()->value,
             static_cast<double>(f.Data().SampleTable[m.FirstSample].Pressure));
}

void ViewsTest::aTooLongIntervalStepsDown() {
    WindowUnderTest w(Model::V5);
    w.Open(SamplePath("v5"));
    w.Choose(0);  // 168 samples: too short for "7d", which needs 170
    MainWindow& f = *w.window;
    QCOMPARE(Samples(f, 0), 168);
    Child<QComboBox>(f, "meanIntervalList")->setCurrentIndex(6);
    Trigger(f, "meanAction");
    QCOMPARE(f.PanelText(1), QStringLiteral("Mean intervall > number of measurements"));
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->currentText(), QStringLiteral("2d"));
    QCOMPARE(Child<KelmorChart>(f, "chart")->TitleLines(), QStringList({"2d-Mean"}));
    QCOMPARE(Child<KelmorChart>(f, "chart")->MeanSeries()->Count(), 168 - 48 + 1);
}

void ViewsTest::aZeroConcentrationIsDrawnWithABarOfOneTenth() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    f.Data().SampleTable[f.Data().MeasurementTable[3].FirstSample].Concentration = 0;
    Trigger(f, "pulseDistributionAction");
    QCOMPARE(Child<KelmorChart>(f, "chart")->PulseSeries()->ValueAt(0), 0.0);
    QCOMPARE(Child<KelmorChart>(f, "chart")->PulseSeries()->ErrorAt(0), 0.1);
}

void ViewsTest::footLineFollowsZoomAndUndoByMouse() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    const MeasurementData& data = f.Data();
    const MeasurementEntry m = data.MeasurementTable[3];
    const QLocale locale = QLocale::system();
    auto expectedFoot = [&](double from, double to) {
        return *FootLine(data, from, to, 6.25L, locale, Separators::FromSystemLocale());
    };
    // Unzoomed the range is the measurement's.
    QCOMPARE(Child<KelmorChart>(f, "chart")->BottomMinimum(), data.SampleTable[m.FirstSample].Time);
    QCOMPARE(Child<KelmorChart>(f, "chart")->FootLines(),
             QStringList({expectedFoot(Child<KelmorChart>(f, "chart")->BottomMinimum(),
                                       Child<KelmorChart>(f, "chart")->BottomMaximum())}));
    QVERIFY(Child<KelmorChart>(f, "chart")
                ->FootLines()[0]
                .startsWith(QStringLiteral("StartTime: 15/07/2024 09:00:00")));

    // Drag a rectangle towards the lower right over the middle of the plot.
    const QRect plot = Child<KelmorChart>(f, "chart")->axisRect()->rect();
    const QPoint from(plot.left() + plot.width() / 3, plot.top() + 10);
    const QPoint to(plot.left() + plot.width() / 2, plot.bottom() - 10);
    QTest::mousePress(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {}, from);
    QTest::mouseMove(Child<KelmorChart>(f, "chart"), (from + to) / 2);
    QTest::mouseMove(Child<KelmorChart>(f, "chart"), to);
    QTest::mouseRelease(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {}, to);
    QVERIFY(Child<KelmorChart>(f, "chart")->IsZoomed());
    const double zoomedFrom = Child<KelmorChart>(f, "chart")->BottomMinimum();
    const double zoomedTo = Child<KelmorChart>(f, "chart")->BottomMaximum();
    QVERIFY(zoomedFrom > data.SampleTable[m.FirstSample].Time);
    QVERIFY(zoomedTo < data.SampleTable[m.LastSample].Time);
    QCOMPARE(Child<KelmorChart>(f, "chart")->FootLines(),
             QStringList({expectedFoot(zoomedFrom, zoomedTo)}));

    // Dragging towards the upper left undoes it.
    QTest::mousePress(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {}, to);
    QTest::mouseMove(Child<KelmorChart>(f, "chart"), (from + to) / 2);
    QTest::mouseMove(Child<KelmorChart>(f, "chart"), from);
    QTest::mouseRelease(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {}, from);
    QVERIFY(!Child<KelmorChart>(f, "chart")->IsZoomed());
    QCOMPARE(Child<KelmorChart>(f, "chart")->BottomMinimum(), data.SampleTable[m.FirstSample].Time);
    QCOMPARE(Child<KelmorChart>(f, "chart")->FootLines(),
             QStringList({expectedFoot(Child<KelmorChart>(f, "chart")->BottomMinimum(),
                                       Child<KelmorChart>(f, "chart")->BottomMaximum())}));
}

void ViewsTest::footLineCountsSamplesOfEveryMeasurementInTheRange() {
    WindowUnderTest w;
    OpenV7Measurement(w, 0);
    MainWindow& f = *w.window;
    MeasurementData& data = f.Data();
    // Move the first samples of the second measurement into the first one's time range.
    const MeasurementEntry first = data.MeasurementTable[0];
    const MeasurementEntry second = data.MeasurementTable[1];
    data.SampleTable[second.FirstSample].Time = data.SampleTable[first.FirstSample + 5].Time;
    data.SampleTable[second.FirstSample].Concentration = 100000;
    Trigger(f, "pulseDistributionAction");  // the foot line is written anew
    const FootLevel level =
        ComputeFootLevel(data, Child<KelmorChart>(f, "chart")->BottomMinimum(),
                         Child<KelmorChart>(f, "chart")->BottomMaximum(), 6.25L);
    QCOMPARE(level.count, 337);  // 336 of its own and the one moved in
    QVERIFY(
        Child<KelmorChart>(f, "chart")
            ->FootLines()[0]
            .endsWith(QStringLiteral("Radonlevel :%1\u00B1%2").arg(level.level).arg(level.error)));
}

void ViewsTest::titleEditing() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    Trigger(f, "meanAction");
    QTest::mouseDClick(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {},
                       Child<KelmorChart>(f, "chart")->rect().center());
    QVERIFY(Child<QLineEdit>(f, "titleEditor")->isVisible());
    QCOMPARE(Child<QLineEdit>(f, "titleEditor")->text(), QStringLiteral("2h-Mean"));
    QCOMPARE(Child<QLineEdit>(f, "titleEditor")->geometry(), QRect(56, 8, 657, 21));
    Child<QLineEdit>(f, "titleEditor")->setText(QStringLiteral("Cellar, winter"));
    QTest::mouseClick(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {},
                      Child<KelmorChart>(f, "chart")->rect().center());
    QVERIFY(!Child<QLineEdit>(f, "titleEditor")->isVisible());
    QCOMPARE(Child<KelmorChart>(f, "chart")->TitleLines(), QStringList({"Cellar, winter"}));
    // The next view change gives the title back.
    Trigger(f, "pulseDistributionAction");
    QCOMPARE(Child<KelmorChart>(f, "chart")->TitleLines(), QStringList({"Measurements"}));
}

void ViewsTest::allMeasurementsShowsThePulsesOfTheWholeImage() {
    WindowUnderTest w;
    OpenV7Measurement(w, 8);
    MainWindow& f = *w.window;
    QCOMPARE(Child<QComboBox>(f, "measurementList")->currentText(),
             QStringLiteral("All measurements"));
    QCOMPARE(Child<KelmorChart>(f, "chart")->PulseSeries()->Count(), f.Data().LastSampleIndex + 1);
    QVERIFY(!Child<QMenu>(f, "viewMenu")->isEnabled());
    QVERIFY(!Child<QComboBox>(f, "meanIntervalList")->isEnabled());
    QCOMPARE(Child<KelmorChart>(f, "chart")->BottomMinimum(), f.Data().SampleTable[0].Time);
}

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
