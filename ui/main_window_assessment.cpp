// The radon assessment in the window: the reference level on the chart, the summary panel
// that follows what the chart shows, and the report.
#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QScreen>
#include <algorithm>

#include "archive/annual_summary.h"
#include "data/measurement_summary.h"
#include "data/reference_level.h"
#include "desktop_dialogs.h"
#include "link/clock.h"
#include "main_window.h"
#include "ui/chart/kelmor_chart.h"
#include "ui/report/radon_report.h"
#include "ui/summary/summary_panel.h"

namespace kelmor {

namespace {

// The summary panel's width when it opens: its figures and the hour-of-day chart in full.
constexpr int kSummaryWidth = 420;

}  // namespace

void MainWindow::ToggleSummary() {
    state_.summaryShown = summaryAction_->isChecked();
    ApplyWindowState();
    MakeRoomForDock(summaryDock_, state_.summaryShown, kSummaryWidth, summaryRoom_);
    ShowAssessment();
}

void MainWindow::MakeRoomForDock(QDockWidget* dock, bool shown, int width, int& room) {
    // A panel takes its room beside the chart from the screen where there is some, not
    // from the chart and its foot line; closed, it gives the room back.
    const int grownBefore = room;
    const QRect screenArea = screen() ? screen()->availableGeometry() : frameGeometry();
    if (shown && !isMaximized() && !isFullScreen()) {
        room = std::max(0, std::min(width, screenArea.width() - frameGeometry().width()));
    } else {
        room = 0;
    }
    resize(this->width() + room - grownBefore, height());
    const int overflow = frameGeometry().right() - screenArea.right();
    if (overflow > 0) {
        move(x() - overflow, y());
    }
    if (shown) {
        resizeDocks({dock}, {width}, Qt::Horizontal);
    }
}

void MainWindow::ChooseReferenceLevel(const QAction* item) {
    if (item == typedReferenceAction_) {
        QInputDialog dialog(this);
        dialog.setObjectName(QStringLiteral("referenceLevelDialog"));
        dialog.setWindowTitle(QStringLiteral("Reference level"));
        dialog.setLabelText(
            QStringLiteral("The reference level in Bq/m3 (for the annual average):"));
        dialog.setInputMode(QInputDialog::DoubleInput);
        dialog.setDoubleRange(kLowestReferenceLevel, kHighestReferenceLevel);
        dialog.setDoubleDecimals(0);
        dialog.setDoubleValue(state_.typedReference > 0 ? state_.typedReference : 200);
        // Not one of the windows after which the chart is hidden: the level is asked for
        // to be drawn on it.
        if (dialogs_->ExecOwn(dialog) != QDialog::Accepted) {
            ApplyWindowState();  // the earlier choice keeps its check mark
            return;
        }
        state_.typedReference = dialog.doubleValue();
        state_.referencePreset = WindowState::kTypedReference;
    } else {
        state_.referencePreset = WindowState::kNoReference;
        for (int i = 0; i < kReferenceLevelPresetCount; ++i) {
            if (item == referencePresetActions_[static_cast<std::size_t>(i)]) {
                state_.referencePreset = i;
            }
        }
    }
    ApplyWindowState();
    DrawReferenceLevel();
}

std::optional<double> MainWindow::ChosenReferenceLevel() const {
    if (state_.referencePreset == WindowState::kTypedReference) {
        return state_.typedReference;
    }
    if (state_.referencePreset >= 0 && state_.referencePreset < kReferenceLevelPresetCount) {
        return ReferenceLevelPresets()[static_cast<std::size_t>(state_.referencePreset)].bqm3;
    }
    return std::nullopt;
}

std::optional<SummaryScope> MainWindow::ShownScope() const {
    if (!state_.chartShown || state_.chosenMeasurement < 0) {
        return std::nullopt;
    }
    SummaryScope scope;
    scope.row = state_.chosenMeasurement;
    if (chart_->IsZoomed()) {
        scope.range = TimeRange{chart_->BottomMinimum(), chart_->BottomMaximum()};
    }
    return scope;
}

void MainWindow::ShowAssessment() {
    if (!state_.summaryShown) {
        return;
    }
    const std::optional<SummaryScope> scope = ShownScope();
    if (!scope) {
        summaryPanel_->Clear();
        return;
    }
    summaryPanel_->SetShown(*data_, *scope, ChosenReferenceLevel(),
                            measurementList_->itemText(state_.chosenMeasurement));
    // Of a place, the annual average of all of it, whatever the zoom shows.
    summaryPanel_->SetAnnual(
        shownPlace_.isEmpty()
            ? QStringList()
            : AnnualVerdictLines(ComputeAnnualAverage(HourlyValuesOf(*data_, 0)), QLocale()));
}

void MainWindow::SaveRadonReport() {
    const std::optional<SummaryScope> scope = ShownScope();
    if (!scope) {
        return;
    }
    QFileDialog dialog(this, QStringLiteral("Save report"));
    dialog.setObjectName(QStringLiteral("reportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF report (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(lastReportName_.isEmpty() ? QStringLiteral("Radon report.pdf")
                                                : lastReportName_);
    if (!dialogs_->ExecFile(dialog) || dialog.selectedFiles().isEmpty()) {
        return;
    }
    lastReportName_ = dialog.selectedFiles().front();

    ReportContent content;
    content.chartTitle = chart_->TitleText();
    content.fileName = imageSource_;
    const std::optional<Model> model = ModelFromTag(data_->ModelTag());
    content.model = model ? QLatin1String(LayoutOf(*model).name) : QString();
    content.calibrationFactor = static_cast<double>(data_->Header.CalibrationFactor);
    content.subject = SummarySubject(measurementList_->itemText(scope->row), *scope);
    content.summary = Summarise(*data_, *scope, ChosenReferenceLevel(), reportWorkspace_);
    content.chart = chart_;
    content.made = clock_->LocalNow();
    const FileWrite written = SaveReport(lastReportName_, content);
    if (!written.ok) {
        ShowError(written.error);
    }
}

}  // namespace kelmor
