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
class TForm1::ChartRedraw {
  public:
    explicit ChartRedraw(TForm1& window) : window_(window) { ++window_.redrawDepth_; }
    ~ChartRedraw() {
        if (--window_.redrawDepth_ == 0) {
            window_.Chart1->RepaintNow();
            window_.ShowAssessment();
        }
    }
    ChartRedraw(const ChartRedraw&) = delete;
    ChartRedraw& operator=(const ChartRedraw&) = delete;

  private:
    TForm1& window_;
};

// The series a view change empties: mean, mean error, pulses, temperature, humidity.
void TForm1::ClearViewSeries() {
    Chart1->Series2()->Clear();
    Chart1->Series3()->Clear();
    Chart1->Series4()->Clear();
    Chart1->Series1()->Clear();
    Chart1->Series5()->Clear();
}

void TForm1::ShowView(ChartView view) {
    state_.view = view;
    ApplyWindowState();
}

void TForm1::SelectDefaultInterval(int item) {
    if (ComboBox2->currentIndex() < 0) {
        ComboBox2->setCurrentIndex(item);
    }
}

void TForm1::DrawPulseDistribution(int m) {
    const ChartRedraw redraw(*this);
    Chart1->UndoZoom();
    kelmor::DrawPulseDistribution(*data_, m, state_.overlays, *chartSink_);
}

void TForm1::ComboBox3Change(QObject*) {
    const int chosen = ComboBox3->currentIndex();
    if (chosen < 0 || chosen >= kMeasurementRows) {
        return;  // edited text that names no entry
    }
    const ChartRedraw redraw(*this);
    state_.chosenMeasurement = chosen;
    state_.allMeasurementsChosen = chosen == ComboBox3->count() - 1;
    state_.view = ChartView::PulseDistribution;
    state_.chartShown = true;
    ApplyWindowState();
    Chart1->SetTitleLines({kMeasurementsTitle});
    ClearViewSeries();
    Chart1->SetLeftAxisMaximumAutomatic();
    Chart1->UndoZoom();
    CurrentMeasurement = static_cast<quint8>(chosen);
    DrawPulseDistribution(CurrentMeasurement);
    Chart1->RepaintNow();
    Meanonchart1Click(Chart1);
}

void TForm1::PulseDistribution1Click(QObject*) {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::PulseDistribution);
    ClearViewSeries();
    Chart1->SetTitleLines({kMeasurementsTitle});
    DrawPulseDistribution(CurrentMeasurement);
    Meanonchart1Click(Chart1);
}

void TForm1::PulseDistributionandMean1Click(QObject*) {
    const ChartRedraw redraw(*this);
    state_.meanError = false;
    ShowView(ChartView::PulseDistributionAndMean);
    if (ComboBox3->currentIndex() >= 0) {
        CurrentMeasurement = static_cast<quint8>(ComboBox3->currentIndex());
    }
    SelectDefaultInterval(1);
    ComboBox2Change(ComboBox2);
    // No foot line follows: it stays the one the undo of the zoom wrote.
    DrawPulseDistribution(CurrentMeasurement);
}

void TForm1::PulseDistributionMeanandmeanError1Click(QObject*) {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::PulseDistributionMeanAndMeanError);
    ClearViewSeries();
    SelectDefaultInterval(0);
    state_.meanError = true;
    ApplyWindowState();
    DrawPulseDistribution(CurrentMeasurement);
    ComboBox2Change(ComboBox2);
    Meanonchart1Click(Chart1);
}

void TForm1::MeanandmeanError1Click(QObject*) {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::MeanAndMeanError);
    ClearViewSeries();
    SelectDefaultInterval(0);
    state_.meanError = true;
    ApplyWindowState();
    ComboBox2Change(ComboBox2);
    Meanonchart1Click(Chart1);
}

void TForm1::Mean1Click(QObject*) {
    const ChartRedraw redraw(*this);
    ShowView(ChartView::Mean);
    ClearViewSeries();
    SelectDefaultInterval(0);
    state_.meanError = false;
    ApplyWindowState();
    ComboBox2Change(ComboBox2);
    Meanonchart1Click(Chart1);
}

void TForm1::ComboBox2Change(QObject*) {
    const ChartRedraw redraw(*this);
    Chart1->SetTitleLines({});
    const int item = ComboBox2->currentIndex();
    if (item < 0) {
        return;
    }
    MeanOptions options;
    options.withErrors = state_.meanError;
    options.overlays = state_.overlays;
    const MeanSelection selection =
        DrawMeanSteppingDown(*data_, item, CurrentMeasurement, options, *chartSink_);
    if (selection.tooShort) {
        SetPanelText(1, kMeanTooLongText);
        ComboBox2->setCurrentIndex(selection.interval);
    }
    Chart1->SetTitleLines(
        {QLatin1String(MeanIntervals()[static_cast<std::size_t>(selection.interval)].titleLine)});
}

void TForm1::RunCheckedView() {
    switch (state_.view) {
        case ChartView::PulseDistribution:
            return PulseDistribution1Click(PulseDistribution1);
        case ChartView::PulseDistributionAndMean:
            return PulseDistributionandMean1Click(PulseDistributionandMean1);
        case ChartView::PulseDistributionMeanAndMeanError:
            return PulseDistributionMeanandmeanError1Click(PulseDistributionMeanandmeanError1);
        case ChartView::MeanAndMeanError:
            return MeanandmeanError1Click(MeanandmeanError1);
        case ChartView::Mean:
            return Mean1Click(Mean1);
    }
}

// The overlay items toggle their own check mark as they are triggered; the state takes it.
void TForm1::TemperatureClick(QObject*) {
    state_.overlays.temperature = Temperature->isChecked();
    RunCheckedView();
}
void TForm1::HumidityClick(QObject*) {
    state_.overlays.humidity = Humidity->isChecked();
    RunCheckedView();
}
void TForm1::PressureClick(QObject*) {
    state_.overlays.pressure = Pressure->isChecked();
    RunCheckedView();
}

void TForm1::Meanonchart1Click(QObject*) {
    const ChartRedraw redraw(*this);
    // The axes take the ranges of the series as they now stand.
    Chart1->RepaintNow();
    Chart1->SetFootLines({});
    const std::optional<QString> foot = FootLine(
        *data_, Chart1->BottomMinimum(), Chart1->BottomMaximum(), data_->Header.CalibrationFactor,
        QLocale::system(), Separators::FromSystemLocale());
    if (foot) {
        Chart1->SetFootLines({*foot});
    }
}

void TForm1::DrawReferenceLevel() {
    const ChartRedraw redraw(*this);
    Chart1->SetReferenceLevel(ChosenReferenceLevel());
}

void TForm1::Chart1DblClick(QObject*) {
    title->setText(Chart1->TitleText());
    state_.titleEditing = true;
    ApplyWindowState();
    title->raise();
    title->setFocus();
}

void TForm1::titleClick(QObject*) {
    if (state_.titleEditing) {
        const ChartRedraw redraw(*this);
        Chart1->SetTitleLines(title->text().split(QLatin1Char('\n')));
    }
    state_.titleEditing = false;
    ApplyWindowState();
}

void TForm1::PulseDistErrorChanged(bool checked) {
    const ChartRedraw redraw(*this);
    if (checked) {
        DrawPulseDistribution(CurrentMeasurement);
    } else {
        Chart1->Series4()->Clear();
    }
}

}  // namespace kelmor
