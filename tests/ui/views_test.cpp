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

Shown WhatIsShown(TForm1& f) {
    return {f.Chart1->Series4()->Count(), f.Chart1->Series2()->Count(),
            f.Chart1->Series3()->Count(), f.ComboBox2->isEnabled(), f.Chart1->TitleLines()};
}

// A window on the V7 sample with its fourth measurement (1440 samples) on show.
void OpenV7Measurement(WindowUnderTest& w, int index = 3) {
    w.window->resize(1000, 600);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.Open(SamplePath("v7"));
    w.Choose(index);
}

int Samples(TForm1& f, int row) {
    const MeasurementEntry& m = f.Data().MeasurementTable[row];
    return m.LastSample - m.FirstSample + 1;
}

}  // namespace

void ViewsTest::eachViewLeavesItsSeries() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    TForm1& f = *w.window;
    const int n = Samples(f, 3);
    QCOMPARE(n, 1440);

    Shown s = WhatIsShown(f);
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, 0);
    QCOMPARE(s.meanError, 0);
    QVERIFY(!s.meanListEnabled);
    QCOMPARE(s.title, QStringList({"Measurements"}));

    f.PulseDistributionandMean1Click(f.PulseDistributionandMean1);
    s = WhatIsShown(f);
    QVERIFY(f.PulseDistributionandMean1->isChecked());
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, n - 4 + 1);  // "4h": the first point at the fourth sample
    QCOMPARE(s.meanError, 0);
    QVERIFY(s.meanListEnabled);
    QCOMPARE(s.title, QStringList({"4h-Mean"}));

    f.PulseDistributionMeanandmeanError1Click(f.PulseDistributionMeanandmeanError1);
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, n - 4 + 1);   // the interval chosen before stays
    QCOMPARE(s.meanError, n - 4);  // no error bar at the first point
    QCOMPARE(s.title, QStringList({"4h-Mean"}));

    f.MeanandmeanError1Click(f.MeanandmeanError1);
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, 0);
    QCOMPARE(s.mean, n - 3);
    QCOMPARE(s.meanError, n - 4);

    f.Mean1Click(f.Mean1);
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, 0);
    QCOMPARE(s.mean, n - 3);
    QCOMPARE(s.meanError, 0);
    QVERIFY(s.meanListEnabled);

    // Another interval from the list redraws the mean alone.
    f.ComboBox2->setCurrentIndex(7);
    f.ComboBox2Change(f.ComboBox2);
    s = WhatIsShown(f);
    QCOMPARE(s.mean, n);
    QCOMPARE(s.title, QStringList({"Mean"}));

    f.PulseDistribution1Click(f.PulseDistribution1);
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
        w.window->PulseDistributionandMean1Click(nullptr);
        QCOMPARE(w.window->ComboBox2->currentText(), QStringLiteral("4h"));
    }
    for (auto view : {&TForm1::PulseDistributionMeanandmeanError1Click,
                      &TForm1::MeanandmeanError1Click, &TForm1::Mean1Click}) {
        WindowUnderTest w;
        OpenV7Measurement(w);
        (w.window.get()->*view)(nullptr);
        QCOMPARE(w.window->ComboBox2->currentText(), QStringLiteral("2h"));
    }
}

void ViewsTest::overlaysInAMeanViewBeginWindowSamplesAfterTheFirst() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    TForm1& f = *w.window;
    const MeasurementEntry m = f.Data().MeasurementTable[3];
    f.ComboBox2->setCurrentIndex(4);  // 24h
    f.MeanandmeanError1Click(f.MeanandmeanError1);
    f.Temperature->setChecked(true);
    f.TemperatureClick(f.Temperature);
    QVERIFY(f.MeanandmeanError1->isChecked());
    QCOMPARE(f.Chart1->Series1()->Count(), 1440 - 24);
    QCOMPARE(f.Chart1->Series1()->data()->begin()->key,
             f.Data().SampleTable[m.FirstSample + 24].Time);
    QCOMPARE(f.Chart1->Series5()->Count(), 0);
    // In the pulse distribution the overlay covers every sample.
    f.PulseDistribution1Click(f.PulseDistribution1);
    QCOMPARE(f.Chart1->Series1()->Count(), 1440);
    f.Pressure->setChecked(true);
    f.PressureClick(f.Pressure);
    QCOMPARE(f.Chart1->Series6()->Count(), 1440);
    QCOMPARE(f.Chart1->Series6()->data()->begin()->value,
             static_cast<double>(f.Data().SampleTable[m.FirstSample].Pressure));
}

void ViewsTest::aTooLongIntervalStepsDown() {
    WindowUnderTest w(Model::V5);
    w.Open(SamplePath("v5"));
    w.Choose(0);  // 168 samples: too short for "7d", which needs 170
    TForm1& f = *w.window;
    QCOMPARE(Samples(f, 0), 168);
    f.ComboBox2->setCurrentIndex(6);
    f.Mean1Click(f.Mean1);
    QCOMPARE(f.PanelText(1), QStringLiteral("Mean intervall > number of measurements"));
    QCOMPARE(f.ComboBox2->currentText(), QStringLiteral("2d"));
    QCOMPARE(f.Chart1->TitleLines(), QStringList({"2d-Mean"}));
    QCOMPARE(f.Chart1->Series2()->Count(), 168 - 48 + 1);
}

void ViewsTest::aZeroConcentrationIsDrawnWithABarOfOneTenth() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    TForm1& f = *w.window;
    f.Data().SampleTable[f.Data().MeasurementTable[3].FirstSample].Concentration = 0;
    f.PulseDistribution1Click(f.PulseDistribution1);
    QCOMPARE(f.Chart1->Series4()->ValueAt(0), 0.0);
    QCOMPARE(f.Chart1->Series4()->ErrorAt(0), 0.1);
}

void ViewsTest::footLineFollowsZoomAndUndoByMouse() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    TForm1& f = *w.window;
    const MeasurementData& data = f.Data();
    const MeasurementEntry m = data.MeasurementTable[3];
    const QLocale locale = QLocale::system();
    auto expectedFoot = [&](double from, double to) {
        return *FootLine(data, from, to, 6.25L, locale, Separators::FromSystemLocale());
    };
    // Unzoomed the range is the measurement's.
    QCOMPARE(f.Chart1->BottomMinimum(), data.SampleTable[m.FirstSample].Time);
    QCOMPARE(f.Chart1->FootLines(),
             QStringList({expectedFoot(f.Chart1->BottomMinimum(), f.Chart1->BottomMaximum())}));
    QVERIFY(f.Chart1->FootLines()[0].startsWith(QStringLiteral("StartTime: 15/07/2024 09:00:00")));

    // Drag a rectangle towards the lower right over the middle of the plot.
    const QRect plot = f.Chart1->axisRect()->rect();
    const QPoint from(plot.left() + plot.width() / 3, plot.top() + 10);
    const QPoint to(plot.left() + plot.width() / 2, plot.bottom() - 10);
    QTest::mousePress(f.Chart1, Qt::LeftButton, {}, from);
    QTest::mouseMove(f.Chart1, (from + to) / 2);
    QTest::mouseMove(f.Chart1, to);
    QTest::mouseRelease(f.Chart1, Qt::LeftButton, {}, to);
    QVERIFY(f.Chart1->IsZoomed());
    const double zoomedFrom = f.Chart1->BottomMinimum();
    const double zoomedTo = f.Chart1->BottomMaximum();
    QVERIFY(zoomedFrom > data.SampleTable[m.FirstSample].Time);
    QVERIFY(zoomedTo < data.SampleTable[m.LastSample].Time);
    QCOMPARE(f.Chart1->FootLines(), QStringList({expectedFoot(zoomedFrom, zoomedTo)}));

    // Dragging towards the upper left undoes it.
    QTest::mousePress(f.Chart1, Qt::LeftButton, {}, to);
    QTest::mouseMove(f.Chart1, (from + to) / 2);
    QTest::mouseMove(f.Chart1, from);
    QTest::mouseRelease(f.Chart1, Qt::LeftButton, {}, from);
    QVERIFY(!f.Chart1->IsZoomed());
    QCOMPARE(f.Chart1->BottomMinimum(), data.SampleTable[m.FirstSample].Time);
    QCOMPARE(f.Chart1->FootLines(),
             QStringList({expectedFoot(f.Chart1->BottomMinimum(), f.Chart1->BottomMaximum())}));
}

void ViewsTest::footLineCountsSamplesOfEveryMeasurementInTheRange() {
    WindowUnderTest w;
    OpenV7Measurement(w, 0);
    TForm1& f = *w.window;
    MeasurementData& data = f.Data();
    // Move the first samples of the second measurement into the first one's time range.
    const MeasurementEntry first = data.MeasurementTable[0];
    const MeasurementEntry second = data.MeasurementTable[1];
    data.SampleTable[second.FirstSample].Time = data.SampleTable[first.FirstSample + 5].Time;
    data.SampleTable[second.FirstSample].Concentration = 100000;
    f.Meanonchart1Click(f.Chart1);
    const FootLevel level =
        ComputeFootLevel(data, f.Chart1->BottomMinimum(), f.Chart1->BottomMaximum(), 6.25L);
    QCOMPARE(level.count, 337);  // 336 of its own and the one moved in
    QVERIFY(f.Chart1->FootLines()[0].endsWith(
        QStringLiteral("Radonlevel :%1\u00B1%2").arg(level.level).arg(level.error)));
}

void ViewsTest::titleEditing() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    TForm1& f = *w.window;
    f.Mean1Click(f.Mean1);
    QTest::mouseDClick(f.Chart1, Qt::LeftButton, {}, f.Chart1->rect().center());
    QVERIFY(f.title->isVisible());
    QCOMPARE(f.title->text(), QStringLiteral("2h-Mean"));
    QCOMPARE(f.title->geometry(), QRect(56, 8, 657, 21));
    f.title->setText(QStringLiteral("Cellar, winter"));
    QTest::mouseClick(f.Chart1, Qt::LeftButton, {}, f.Chart1->rect().center());
    QVERIFY(!f.title->isVisible());
    QCOMPARE(f.Chart1->TitleLines(), QStringList({"Cellar, winter"}));
    // The next view change gives the title back.
    f.PulseDistribution1Click(f.PulseDistribution1);
    QCOMPARE(f.Chart1->TitleLines(), QStringList({"Measurements"}));
}

void ViewsTest::allMeasurementsShowsThePulsesOfTheWholeImage() {
    WindowUnderTest w;
    OpenV7Measurement(w, 8);
    TForm1& f = *w.window;
    QCOMPARE(f.ComboBox3->currentText(), QStringLiteral("All measurements"));
    QCOMPARE(f.Chart1->Series4()->Count(), f.Data().LastSampleIndex + 1);
    QVERIFY(!f.View1->isEnabled());
    QVERIFY(!f.ComboBox2->isEnabled());
    QCOMPARE(f.Chart1->BottomMinimum(), f.Data().SampleTable[0].Time);
}

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
