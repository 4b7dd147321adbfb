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

void MainWindow::ApplyWindowState() {
    const WindowState& s = state_;
    const bool idle = !s.exchangeRunning;

    for (QAction* item :
         {openAction_, printAction_, userGuideAction_, aboutAction_, summaryAction_}) {
        item->setEnabled(idle);
    }
    openButton_->setEnabled(idle);
    printButton_->setEnabled(idle);
    saveAction_->setEnabled(s.measurementsLoaded && idle);
    saveButton_->setEnabled(s.measurementsLoaded && idle);

    // The instrument's commands, on the tool bar and in the Instrument menu alike.
    const bool readOut = s.readOutArmed && idle;
    const bool attached = s.instrumentAttached && idle;
    const bool level = s.levelArmed && idle;
    readOutButton_->setEnabled(readOut);
    readOutAction_->setEnabled(readOut);
    clockButton_->setEnabled(attached);
    clockAction_->setEnabled(attached);
    eraseButton_->setEnabled(attached);
    eraseAction_->setEnabled(attached);
    // A tool button in a tool bar shows and hides with its action there.
    triggerLevelButtonSlot_->setVisible(s.levelShown);
    triggerLevelButton_->setVisible(s.levelShown);
    triggerLevelButton_->setEnabled(level);
    triggerLevelAction_->setVisible(s.levelShown);
    triggerLevelAction_->setEnabled(level);

    measurementList_->setEnabled(s.measurementsLoaded && idle);
    meanIntervalList_->setEnabled(s.view != ChartView::PulseDistribution && idle);

    const bool views = s.chosenMeasurement >= 0 && !s.allMeasurementsChosen && idle;
    viewMenu_->setEnabled(views);
    viewMenu_->menuAction()->setEnabled(views);
    const std::pair<QAction*, ChartView> viewItems[] = {
        {pulseDistributionAction_, ChartView::PulseDistribution},
        {pulseDistributionAndMeanAction_, ChartView::PulseDistributionAndMean},
        {pulseDistributionMeanAndMeanErrorAction_, ChartView::PulseDistributionMeanAndMeanError},
        {meanAndMeanErrorAction_, ChartView::MeanAndMeanError},
        {meanAction_, ChartView::Mean},
    };
    for (const auto& [item, view] : viewItems) {
        item->setChecked(s.view == view);
    }
    const bool climate = s.climateRecorded && !s.replacingImage;
    temperatureAction_->setEnabled(climate);
    humidityAction_->setEnabled(climate);
    temperatureAction_->setChecked(s.overlays.temperature);
    humidityAction_->setChecked(s.overlays.humidity);
    pressureAction_->setChecked(s.overlays.pressure);
    meanErrorCheckBox_->setChecked(s.meanError);

    referenceLevelMenu_->setEnabled(idle);
    noReferenceAction_->setChecked(s.referencePreset == WindowState::kNoReference);
    for (int i = 0; i < kReferenceLevelPresetCount; ++i) {
        referencePresetActions_[static_cast<std::size_t>(i)]->setChecked(s.referencePreset == i);
    }
    typedReferenceAction_->setChecked(s.referencePreset == WindowState::kTypedReference);
    summaryAction_->setChecked(s.summaryShown);
    summaryDock_->setVisible(s.summaryShown);
    saveReportAction_->setEnabled(s.chartShown && s.chosenMeasurement >= 0 && idle);

    chart_->setVisible(s.chartShown);
    emptyState_->setVisible(!s.chartShown);
    emptyState_->SetInstrument(s.instrumentAttached, readOut);
    emptyState_->SetOpenEnabled(idle);
    emptyState_->SetMeasurementsListed(measurementList_->count() > 0);
    titleEditor_->setVisible(s.titleEditing);

    addToArchiveAction_->setEnabled(s.openedFileArchivable && s.archiveWritable && idle);
    archivePanelAction_->setEnabled(idle);
    archivePanelAction_->setChecked(s.archiveShown);
    archiveDock_->setVisible(s.archiveShown);
    archiveDock_->setEnabled(idle);
    yearViewAction_->setEnabled(s.archiveOpen && idle);
    exportArchiveAction_->setEnabled(s.archiveOpen && idle);
    archiveLocationAction_->setEnabled(idle);
    refreshArchiveAction_->setEnabled(idle);
    // The survey's records change only in an archive that may be written; a report and the
    // instruments' list are read from any.
    const bool record = s.archiveWritable && idle;
    newSiteAction_->setEnabled(record);
    editSiteAction_->setEnabled(record && s.siteChosen);
    removeSiteAction_->setEnabled(record && s.siteChosen);
    putInSiteAction_->setEnabled(record && s.placeChosen && s.sitesKept);
    deploymentAction_->setEnabled(record && s.runChosen);
    instrumentsAction_->setEnabled(s.archiveOpen && idle);
    siteReportAction_->setEnabled(s.archiveOpen && s.siteChosen && idle);
}

}  // namespace kelmor
