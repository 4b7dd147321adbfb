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
    return {f.chart_->Series4()->Count(), f.chart_->Series2()->Count(),
            f.chart_->Series3()->Count(), f.meanIntervalList_->isEnabled(), f.chart_->TitleLines()};
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

    f.ShowPulseDistributionAndMean(f.pulseDistributionAndMeanAction_);
    s = WhatIsShown(f);
    QVERIFY(f.pulseDistributionAndMeanAction_->isChecked());
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, n - 4 + 1);  // "4h": the first point at the fourth sample
    QCOMPARE(s.meanError, 0);
    QVERIFY(s.meanListEnabled);
    QCOMPARE(s.title, QStringList({"4h-Mean"}));

    f.ShowPulseDistributionMeanAndMeanError(f.pulseDistributionMeanAndMeanErrorAction_);
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, n);
    QCOMPARE(s.mean, n - 4 + 1);   // the interval chosen before stays
    QCOMPARE(s.meanError, n - 4);  // no error bar at the first point
    QCOMPARE(s.title, QStringList({"4h-Mean"}));

    f.ShowMeanAndMeanError(f.meanAndMeanErrorAction_);
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, 0);
    QCOMPARE(s.mean, n - 3);
    QCOMPARE(s.meanError, n - 4);

    f.ShowMean(f.meanAction_);
    s = WhatIsShown(f);
    QCOMPARE(s.pulses, 0);
    QCOMPARE(s.mean, n - 3);
    QCOMPARE(s.meanError, 0);
    QVERIFY(s.meanListEnabled);

    // Another interval from the list redraws the mean alone.
    f.meanIntervalList_->setCurrentIndex(7);
    f.ChooseMeanInterval(f.meanIntervalList_);
    s = WhatIsShown(f);
    QCOMPARE(s.mean, n);
    QCOMPARE(s.title, QStringList({"Mean"}));

    f.ShowPulseDistribution(f.pulseDistributionAction_);
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
        w.window->ShowPulseDistributionAndMean(nullptr);
        QCOMPARE(w.window->meanIntervalList_->currentText(), QStringLiteral("4h"));
    }
    for (auto view : {&MainWindow::ShowPulseDistributionMeanAndMeanError,
                      &MainWindow::ShowMeanAndMeanError, &MainWindow::ShowMean}) {
        WindowUnderTest w;
        OpenV7Measurement(w);
        (w.window.get()->*view)(nullptr);
        QCOMPARE(w.window->meanIntervalList_->currentText(), QStringLiteral("2h"));
    }
}

void ViewsTest::overlaysInAMeanViewBeginWindowSamplesAfterTheFirst() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    const MeasurementEntry m = f.Data().MeasurementTable[3];
    f.meanIntervalList_->setCurrentIndex(4);  // 24h
    f.ShowMeanAndMeanError(f.meanAndMeanErrorAction_);
    f.temperatureAction_->setChecked(true);
    f.ToggleTemperature(f.temperatureAction_);
    QVERIFY(f.meanAndMeanErrorAction_->isChecked());
    QCOMPARE(f.chart_->Series1()->Count(), 1440 - 24);
    QCOMPARE(f.chart_->Series1()->data()->begin()->key,
             f.Data().SampleTable[m.FirstSample + 24].Time);
    QCOMPARE(f.chart_->Series5()->Count(), 0);
    // In the pulse distribution the overlay covers every sample.
    f.ShowPulseDistribution(f.pulseDistributionAction_);
    QCOMPARE(f.chart_->Series1()->Count(), 1440);
    f.pressureAction_->setChecked(true);
    f.TogglePressure(f.pressureAction_);
    QCOMPARE(f.chart_->Series6()->Count(), 1440);
    QCOMPARE(f.chart_->Series6()->data()->begin()->value,
             static_cast<double>(f.Data().SampleTable[m.FirstSample].Pressure));
}

void ViewsTest::aTooLongIntervalStepsDown() {
    WindowUnderTest w(Model::V5);
    w.Open(SamplePath("v5"));
    w.Choose(0);  // 168 samples: too short for "7d", which needs 170
    MainWindow& f = *w.window;
    QCOMPARE(Samples(f, 0), 168);
    f.meanIntervalList_->setCurrentIndex(6);
    f.ShowMean(f.meanAction_);
    QCOMPARE(f.PanelText(1), QStringLiteral("Mean intervall > number of measurements"));
    QCOMPARE(f.meanIntervalList_->currentText(), QStringLiteral("2d"));
    QCOMPARE(f.chart_->TitleLines(), QStringList({"2d-Mean"}));
    QCOMPARE(f.chart_->Series2()->Count(), 168 - 48 + 1);
}

void ViewsTest::aZeroConcentrationIsDrawnWithABarOfOneTenth() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    f.Data().SampleTable[f.Data().MeasurementTable[3].FirstSample].Concentration = 0;
    f.ShowPulseDistribution(f.pulseDistributionAction_);
    QCOMPARE(f.chart_->Series4()->ValueAt(0), 0.0);
    QCOMPARE(f.chart_->Series4()->ErrorAt(0), 0.1);
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
    QCOMPARE(f.chart_->BottomMinimum(), data.SampleTable[m.FirstSample].Time);
    QCOMPARE(f.chart_->FootLines(),
             QStringList({expectedFoot(f.chart_->BottomMinimum(), f.chart_->BottomMaximum())}));
    QVERIFY(f.chart_->FootLines()[0].startsWith(QStringLiteral("StartTime: 15/07/2024 09:00:00")));

    // Drag a rectangle towards the lower right over the middle of the plot.
    const QRect plot = f.chart_->axisRect()->rect();
    const QPoint from(plot.left() + plot.width() / 3, plot.top() + 10);
    const QPoint to(plot.left() + plot.width() / 2, plot.bottom() - 10);
    QTest::mousePress(f.chart_, Qt::LeftButton, {}, from);
    QTest::mouseMove(f.chart_, (from + to) / 2);
    QTest::mouseMove(f.chart_, to);
    QTest::mouseRelease(f.chart_, Qt::LeftButton, {}, to);
    QVERIFY(f.chart_->IsZoomed());
    const double zoomedFrom = f.chart_->BottomMinimum();
    const double zoomedTo = f.chart_->BottomMaximum();
    QVERIFY(zoomedFrom > data.SampleTable[m.FirstSample].Time);
    QVERIFY(zoomedTo < data.SampleTable[m.LastSample].Time);
    QCOMPARE(f.chart_->FootLines(), QStringList({expectedFoot(zoomedFrom, zoomedTo)}));

    // Dragging towards the upper left undoes it.
    QTest::mousePress(f.chart_, Qt::LeftButton, {}, to);
    QTest::mouseMove(f.chart_, (from + to) / 2);
    QTest::mouseMove(f.chart_, from);
    QTest::mouseRelease(f.chart_, Qt::LeftButton, {}, from);
    QVERIFY(!f.chart_->IsZoomed());
    QCOMPARE(f.chart_->BottomMinimum(), data.SampleTable[m.FirstSample].Time);
    QCOMPARE(f.chart_->FootLines(),
             QStringList({expectedFoot(f.chart_->BottomMinimum(), f.chart_->BottomMaximum())}));
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
    f.WriteFootLine(f.chart_);
    const FootLevel level =
        ComputeFootLevel(data, f.chart_->BottomMinimum(), f.chart_->BottomMaximum(), 6.25L);
    QCOMPARE(level.count, 337);  // 336 of its own and the one moved in
    QVERIFY(f.chart_->FootLines()[0].endsWith(
        QStringLiteral("Radonlevel :%1\u00B1%2").arg(level.level).arg(level.error)));
}

void ViewsTest::titleEditing() {
    WindowUnderTest w;
    OpenV7Measurement(w);
    MainWindow& f = *w.window;
    f.ShowMean(f.meanAction_);
    QTest::mouseDClick(f.chart_, Qt::LeftButton, {}, f.chart_->rect().center());
    QVERIFY(f.titleEditor_->isVisible());
    QCOMPARE(f.titleEditor_->text(), QStringLiteral("2h-Mean"));
    QCOMPARE(f.titleEditor_->geometry(), QRect(56, 8, 657, 21));
    f.titleEditor_->setText(QStringLiteral("Cellar, winter"));
    QTest::mouseClick(f.chart_, Qt::LeftButton, {}, f.chart_->rect().center());
    QVERIFY(!f.titleEditor_->isVisible());
    QCOMPARE(f.chart_->TitleLines(), QStringList({"Cellar, winter"}));
    // The next view change gives the title back.
    f.ShowPulseDistribution(f.pulseDistributionAction_);
    QCOMPARE(f.chart_->TitleLines(), QStringList({"Measurements"}));
}

void ViewsTest::allMeasurementsShowsThePulsesOfTheWholeImage() {
    WindowUnderTest w;
    OpenV7Measurement(w, 8);
    MainWindow& f = *w.window;
    QCOMPARE(f.measurementList_->currentText(), QStringLiteral("All measurements"));
    QCOMPARE(f.chart_->Series4()->Count(), f.Data().LastSampleIndex + 1);
    QVERIFY(!f.viewMenu_->isEnabled());
    QVERIFY(!f.meanIntervalList_->isEnabled());
    QCOMPARE(f.chart_->BottomMinimum(), f.Data().SampleTable[0].Time);
}

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
