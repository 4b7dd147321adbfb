// The chart views: the measurement list, the five views, the overlays, the mean, the
// foot line and the title editor.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>

#include "data/foot_line.h"
#include "data/pulse_distribution.h"
#include "data/running_mean.h"
#include "main_window.h"
#include "ui/chart/chart_sink.h"
#include "ui/chart/kelmor_chart.h"

namespace kelmor {

namespace {

const QString kMeasurementsTitle = QStringLiteral("Measurements");

}  // namespace

// Every handler that changes what the chart shows leaves it repainted when it returns, and
// the summary following it. Handlers call one another, so only the outermost one
// repaints, once.
class MainWindow::ChartRedraw {
  public:
    explicit ChartRedraw(MainWindow& window) : window_(window) { ++window_.redrawDepth_; }
    ~ChartRedraw() {
        if (--window_.redrawDepth_ == 0) {
            window_.chart_->RepaintNow();
            window_.ShowAssessment();
        }
    }
    ChartRedraw(const ChartRedraw&) = delete;
    ChartRedraw& operator=(const ChartRedraw&) = delete;

  private:
    MainWindow& window_;
};

// The series a view change empties: mean, mean error, pulses, temperature, humidity.
void MainWindow::ClearViewSeries() {
    chart_->MeanSeries()->Clear();
    chart_->MeanErrorSeries()->Clear();
    chart_->PulseSeries()->Clear();
    chart_->TemperatureSeries()->Clear();
    chart_->HumiditySeries()->Clear();
}

void MainWindow::ShowView(ChartView view) {
    state_.view = view;
    ApplyWindowState();
}

void MainWindow::SelectDefaultInterval(int item) {
    if (meanIntervalList_->currentIndex() < 0) {
        meanIntervalList_->setCurrentIndex(item);
    }
}

void MainWindow::DrawPulseDistribution(int m) {
    const ChartRedraw redraw(*this);
    chart_->UndoZoom();
    kelmor::DrawPulseDistribution(*data_, m, state_.overlays, *chartSink_);
}

void MainWindow::ChooseMeasurement(int listIndex) {
    if (listIndex < 0 || listIndex >= measurementList_->count() || listIndex >= kMeasurementRows) {
        return;  // no entry: text typed into the list, or an index out of range
    }
    measurementList_->setCurrentIndex(listIndex);
    const ChartRedraw redraw(*this);
    state_.chosenMeasurement = listIndex;
    state_.allMeasurementsChosen = listIndex == measurementList_->count() - 1;
    state_.view = ChartView::PulseDistribution;
    state_.chartShown = true;
    ApplyWindowState();
    chart_->SetTitleLines({kMeasurementsTitle});
    ClearViewSeries();
    chart_->SetLeftAxisMaximumAutomatic();
    chart_->UndoZoom();
    currentMeasurement_ = static_cast<quint8>(listIndex);
    DrawPulseDistribution(currentMeasurement_);
    chart_->RepaintNow();
    WriteFootLine();
}

void MainWindow::ShowPulseDistribution() {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::PulseDistribution);
    ClearViewSeries();
    chart_->SetTitleLines({kMeasurementsTitle});
    DrawPulseDistribution(currentMeasurement_);
    WriteFootLine();
}

void MainWindow::ShowPulseDistributionAndMean() {
    const ChartRedraw redraw(*this);
    state_.meanError = false;
    ShowView(ChartView::PulseDistributionAndMean);
    if (measurementList_->currentIndex() >= 0) {
        currentMeasurement_ = static_cast<quint8>(measurementList_->currentIndex());
    }
    SelectDefaultInterval(1);
    ChooseMeanInterval();
    // No foot line follows: it stays the one the undo of the zoom wrote.
    DrawPulseDistribution(currentMeasurement_);
}

void MainWindow::ShowPulseDistributionMeanAndMeanError() {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::PulseDistributionMeanAndMeanError);
    ClearViewSeries();
    SelectDefaultInterval(0);
    state_.meanError = true;
    ApplyWindowState();
    DrawPulseDistribution(currentMeasurement_);
    ChooseMeanInterval();
    WriteFootLine();
}

void MainWindow::ShowMeanAndMeanError() {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::MeanAndMeanError);
    ClearViewSeries();
    SelectDefaultInterval(0);
    state_.meanError = true;
    ApplyWindowState();
    ChooseMeanInterval();
    WriteFootLine();
}

void MainWindow::ShowMean() {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::Mean);
    ClearViewSeries();
    SelectDefaultInterval(0);
    state_.meanError = false;
    ApplyWindowState();
    ChooseMeanInterval();
    WriteFootLine();
}

void MainWindow::ChooseMeanInterval() {
    const ChartRedraw redraw(*this);
    chart_->SetTitleLines({});
    const int item = meanIntervalList_->currentIndex();
    if (item < 0) {
        return;
    }
    MeanOptions options;
    options.withErrors = state_.meanError;
    options.overlays = state_.overlays;
    const MeanSelection selection =
        DrawMeanSteppingDown(*data_, item, currentMeasurement_, options, *chartSink_);
    if (selection.tooShort) {
        SetPanelText(1, kMeanTooLongText);
        meanIntervalList_->setCurrentIndex(selection.interval);
    }
    chart_->SetTitleLines(
        {QLatin1String(MeanIntervals()[static_cast<std::size_t>(selection.interval)].titleLine)});
}

void MainWindow::RunCheckedView() {
    switch (state_.view) {
        case ChartView::PulseDistribution:
            return ShowPulseDistribution();
        case ChartView::PulseDistributionAndMean:
            return ShowPulseDistributionAndMean();
        case ChartView::PulseDistributionMeanAndMeanError:
            return ShowPulseDistributionMeanAndMeanError();
        case ChartView::MeanAndMeanError:
            return ShowMeanAndMeanError();
        case ChartView::Mean:
            return ShowMean();
    }
}

// The overlay items toggle their own check mark as they are triggered; the state takes it.
void MainWindow::ToggleTemperature() {
    state_.overlays.temperature = temperatureAction_->isChecked();
    RunCheckedView();
}
void MainWindow::ToggleHumidity() {
    state_.overlays.humidity = humidityAction_->isChecked();
    RunCheckedView();
}
void MainWindow::TogglePressure() {
    state_.overlays.pressure = pressureAction_->isChecked();
    RunCheckedView();
}

void MainWindow::WriteFootLine() {
    const ChartRedraw redraw(*this);
    // The axes take the ranges of the series as they now stand.
    chart_->RepaintNow();
    chart_->SetFootLines({});
    const std::optional<QString> foot = FootLine(
        *data_, chart_->BottomMinimum(), chart_->BottomMaximum(), data_->Header.CalibrationFactor,
        QLocale::system(), Separators::FromSystemLocale());
    if (foot) {
        chart_->SetFootLines({*foot});
    }
}

void MainWindow::DrawReferenceLevel() {
    const ChartRedraw redraw(*this);
    chart_->SetReferenceLevel(ChosenReferenceLevel());
}

void MainWindow::EditTitle() {
    titleEditor_->setText(chart_->TitleText());
    state_.titleEditing = true;
    ApplyWindowState();
    titleEditor_->raise();
    titleEditor_->setFocus();
}

void MainWindow::TakeTitle() {
    if (state_.titleEditing) {
        const ChartRedraw redraw(*this);
        chart_->SetTitleLines(titleEditor_->text().split(QLatin1Char('\n')));
    }
    state_.titleEditing = false;
    ApplyWindowState();
}

void MainWindow::PulseDistErrorChanged(bool checked) {
    const ChartRedraw redraw(*this);
    if (checked) {
        DrawPulseDistribution(currentMeasurement_);
    } else {
        chart_->PulseSeries()->Clear();
    }
}

}  // namespace kelmor
