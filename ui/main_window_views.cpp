// The chart views: the measurement list, the five views, the overlays, the mean, the
// foot line and the title editor.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>

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

// The series a view change empties: mean, mean error, pulses, temperature, humidity.
void TForm1::ClearViewSeries() {
    Chart1->Series2()->Clear();
    Chart1->Series3()->Clear();
    Chart1->Series4()->Clear();
    Chart1->Series1()->Clear();
    Chart1->Series5()->Clear();
}

void TForm1::CheckView(QAction* view) {
    view->setChecked(true);
}

void TForm1::SelectDefaultInterval(int item) {
    if (ComboBox2->currentIndex() < 0) {
        ComboBox2->setCurrentIndex(item);
    }
}

void TForm1::DrawPulseDistribution(int m) {
    Chart1->UndoZoom();
    kelmor::DrawPulseDistribution(*data_, m, ChosenOverlays(), *chartSink_);
}

OverlayChoice TForm1::ChosenOverlays() const {
    return {Temperature->isChecked(), Humidity->isChecked(), Pressure->isChecked()};
}

void TForm1::ComboBox3Change(QObject*) {
    const int chosen = ComboBox3->currentIndex();
    if (chosen < 0 || chosen >= kMeasurementRows) {
        return;  // edited text that names no entry
    }
    View1->setEnabled(chosen != ComboBox3->count() - 1);
    ComboBox2->setEnabled(false);
    CheckView(PulseDistribution1);
    Chart1->SetTitleLines({kMeasurementsTitle});
    ClearViewSeries();
    Chart1->show();
    Chart1->SetLeftAxisMaximumAutomatic();
    Chart1->UndoZoom();
    CurrentMeasurement = static_cast<quint8>(chosen);
    DrawPulseDistribution(CurrentMeasurement);
    Chart1->RepaintNow();
    Meanonchart1Click(Chart1);
}

void TForm1::PulseDistribution1Click(QObject*) {
    ComboBox2->setEnabled(false);
    CheckView(PulseDistribution1);
    ClearViewSeries();
    Chart1->SetTitleLines({kMeasurementsTitle});
    DrawPulseDistribution(CurrentMeasurement);
    Meanonchart1Click(Chart1);
}

void TForm1::PulseDistributionandMean1Click(QObject*) {
    ComboBox2->setEnabled(true);
    CheckView(PulseDistributionandMean1);
    MeanError_CheckBox->setChecked(false);
    if (ComboBox3->currentIndex() >= 0) {
        CurrentMeasurement = static_cast<quint8>(ComboBox3->currentIndex());
    }
    SelectDefaultInterval(1);
    ComboBox2Change(ComboBox2);
    DrawPulseDistribution(CurrentMeasurement);
}

void TForm1::PulseDistributionMeanandmeanError1Click(QObject*) {
    ComboBox2->setEnabled(true);
    CheckView(PulseDistributionMeanandmeanError1);
    ClearViewSeries();
    SelectDefaultInterval(0);
    MeanError_CheckBox->setChecked(true);
    DrawPulseDistribution(CurrentMeasurement);
    ComboBox2Change(ComboBox2);
    Meanonchart1Click(Chart1);
}

void TForm1::MeanandmeanError1Click(QObject*) {
    ComboBox2->setEnabled(true);
    CheckView(MeanandmeanError1);
    ClearViewSeries();
    SelectDefaultInterval(0);
    MeanError_CheckBox->setChecked(true);
    ComboBox2Change(ComboBox2);
    Meanonchart1Click(Chart1);
}

void TForm1::Mean1Click(QObject*) {
    ComboBox2->setEnabled(true);
    CheckView(Mean1);
    ClearViewSeries();
    SelectDefaultInterval(0);
    MeanError_CheckBox->setChecked(false);
    ComboBox2Change(ComboBox2);
    Meanonchart1Click(Chart1);
}

void TForm1::ComboBox2Change(QObject*) {
    Chart1->SetTitleLines({});
    const int item = ComboBox2->currentIndex();
    if (item < 0) {
        return;
    }
    MeanOptions options;
    options.withErrors = MeanError_CheckBox->isChecked();
    options.overlays = ChosenOverlays();
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
    const std::pair<QAction*, void (TForm1::*)(QObject*)> views[] = {
        {PulseDistribution1, &TForm1::PulseDistribution1Click},
        {PulseDistributionandMean1, &TForm1::PulseDistributionandMean1Click},
        {PulseDistributionMeanandmeanError1, &TForm1::PulseDistributionMeanandmeanError1Click},
        {MeanandmeanError1, &TForm1::MeanandmeanError1Click},
        {Mean1, &TForm1::Mean1Click},
    };
    for (const auto& [action, handler] : views) {
        if (action->isChecked()) {
            (this->*handler)(action);
            return;
        }
    }
}

// The overlay items toggle their own check mark as they are triggered.
void TForm1::TemperatureClick(QObject*) {
    RunCheckedView();
}
void TForm1::HumidityClick(QObject*) {
    RunCheckedView();
}
void TForm1::PressureClick(QObject*) {
    RunCheckedView();
}

void TForm1::Meanonchart1Click(QObject*) {
    Chart1->RepaintNow();
    Chart1->SetFootLines({});
    const std::optional<QString> foot = FootLine(
        *data_, Chart1->BottomMinimum(), Chart1->BottomMaximum(), data_->Header.CalibrationFactor,
        QLocale::system(), Separators::FromSystemLocale());
    if (foot) {
        Chart1->SetFootLines({*foot});
    }
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TForm1::Chart1DblClick(QObject*) {
    title->setText(Chart1->TitleText());
    title->show();
    title->raise();
    title->setFocus();
}

void TForm1::titleClick(QObject*) {
    if (title->isVisible()) {
        Chart1->SetTitleLines(title->text().split(QLatin1Char('\n')));
        Chart1->replot(QCustomPlot::rpQueuedReplot);
    }
    title->hide();
}

void TForm1::PulseDistErrorChanged(bool checked) {
    if (checked) {
        DrawPulseDistribution(CurrentMeasurement);
    } else {
        Chart1->Series4()->Clear();
    }
}

}  // namespace kelmor
