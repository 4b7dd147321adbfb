// The one place where the controls' enabled, checked and visible states are set.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "empty_state.h"
#include "main_window.h"
#include "ui/chart/kelmor_chart.h"

namespace kelmor {

void TForm1::ApplyWindowState() {
    const WindowState& s = state_;
    const bool idle = !s.exchangeRunning;

    for (QAction* item : {Open1, Print1, UserGuide1, About1, Summary1}) {
        item->setEnabled(idle);
    }
    Open_SB->setEnabled(idle);
    SpeedButton1->setEnabled(idle);
    Save1->setEnabled(s.measurementsLoaded && idle);
    Save_SB->setEnabled(s.measurementsLoaded && idle);

    SpeedButton7->setEnabled(s.readOutArmed && idle);
    SpeedButton3->setEnabled(s.instrumentAttached && idle);
    ERASE_BTN->setEnabled(s.instrumentAttached && idle);
    // A tool button in a tool bar shows and hides with its action there.
    buttonActions_[Level_button]->setVisible(s.levelShown);
    Level_button->setVisible(s.levelShown);
    Level_button->setEnabled(s.levelArmed && idle);

    ComboBox3->setEnabled(s.measurementsLoaded && idle);
    ComboBox2->setEnabled(s.view != ChartView::PulseDistribution && idle);

    const bool views = s.chosenMeasurement >= 0 && !s.allMeasurementsChosen && idle;
    View1->setEnabled(views);
    View1->menuAction()->setEnabled(views);
    const std::pair<QAction*, ChartView> viewItems[] = {
        {PulseDistribution1, ChartView::PulseDistribution},
        {PulseDistributionandMean1, ChartView::PulseDistributionAndMean},
        {PulseDistributionMeanandmeanError1, ChartView::PulseDistributionMeanAndMeanError},
        {MeanandmeanError1, ChartView::MeanAndMeanError},
        {Mean1, ChartView::Mean},
    };
    for (const auto& [item, view] : viewItems) {
        item->setChecked(s.view == view);
    }
    const bool climate = s.climateRecorded && !s.replacingImage;
    Temperature->setEnabled(climate);
    Humidity->setEnabled(climate);
    Temperature->setChecked(s.overlays.temperature);
    Humidity->setChecked(s.overlays.humidity);
    Pressure->setChecked(s.overlays.pressure);
    MeanError_CheckBox->setChecked(s.meanError);

    ReferenceLevel1->setEnabled(idle);
    NoReference1->setChecked(s.referencePreset == WindowState::kNoReference);
    for (int i = 0; i < kReferenceLevelPresetCount; ++i) {
        ReferencePresets[static_cast<std::size_t>(i)]->setChecked(s.referencePreset == i);
    }
    TypedReference1->setChecked(s.referencePreset == WindowState::kTypedReference);
    Summary1->setChecked(s.summaryShown);
    SummaryDock->setVisible(s.summaryShown);
    SaveReport1->setEnabled(s.chartShown && s.chosenMeasurement >= 0 && idle);

    Chart1->setVisible(s.chartShown);
    emptyState_->setVisible(!s.chartShown);
    emptyState_->SetInstrument(s.instrumentAttached, SpeedButton7->isEnabled());
    emptyState_->SetOpenEnabled(Open_SB->isEnabled());
    emptyState_->SetMeasurementsListed(ComboBox3->count() > 0);
    title->setVisible(s.titleEditing);
}

}  // namespace kelmor
