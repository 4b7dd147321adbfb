// The radon archive in the window: every read-out stored at once, an opened data file when
// the user adds it, the Archive panel of places and runs, a place or a run drawn in the
// chart as a read-out is, the year view and the CSV export.
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QSet>
#include <QVBoxLayout>

#include "archive/annual_summary.h"
#include "archive/archive.h"
#include "data/safe_file.h"
#include "desktop_dialogs.h"
#include "instrument_session.h"
#include "link/clock.h"
#include "main_window.h"
#include "ui/archive/archive_panel.h"
#include "ui/archive/counted.h"
#include "ui/archive/survey_commands.h"
#include "ui/archive/year_view.h"

namespace kelmor {

namespace {

const QString kUnknownInstrument = QStringLiteral("unknown instrument");
// Room for a run's instrument, model, period, hours and mean.
constexpr int kArchivePanelWidth = 560;

// What an import did, for the status bar.
QString ImportText(const ImportOutcome& outcome) {
    if (outcome.duplicate) {
        return QStringLiteral("Already in the archive");
    }
    QStringList parts;
    parts << Counted(static_cast<int>(outcome.runsAdded.size()), "new run", "new runs")
          << Counted(outcome.hoursAdded, "new hour", "new hours");
    QString text =
        QStringLiteral("Stored in the archive: %1").arg(parts.join(QStringLiteral(", ")));
    if (outcome.conflictsFound > 0) {
        text += QStringLiteral("; %1 the archive holds otherwise (its values kept)")
                    .arg(Counted(outcome.conflictsFound, "hour", "hours"));
    }
    return text;
}

}  // namespace

void MainWindow::BuildArchive() {
    archiveDock_ = new QDockWidget(QStringLiteral("Archive"), this);
    archiveDock_->setObjectName(QStringLiteral("archiveDock"));
    // Opened and closed from the Archive menu (F8) only, so that its state is the menu's.
    archiveDock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    archivePanel_ = new ArchivePanel(archiveDock_);
    archiveDock_->setWidget(archivePanel_);
    addDockWidget(Qt::LeftDockWidgetArea, archiveDock_);
    survey_ = new SurveyCommands(*archivePanel_, *dialogs_, *this);
    // The list's context menu: the Archive menu's commands but the one that closes it.
    QList<QAction*> commands = archiveMenu_->actions();
    commands.removeAll(archivePanelAction_);
    archivePanel_->SetCommands({putInSiteAction_, deploymentAction_, siteReportAction_}, commands);
}

void MainWindow::OpenArchive(const QString& path) {
    archivePath_ = path;
    // The panel lets go of the archive before it goes.
    archivePanel_->SetArchive(nullptr);
    archive_.reset();
    if (path.isEmpty()) {
        archiveProblem_ = QStringLiteral("this window keeps no archive.");
    } else {
        OpenOptions options;
        options.mode = OpenMode::CreateIfMissing;
        OpenResult opened = Archive::Open(path, options);
        archive_ = std::move(opened.archive);
        archiveProblem_ = opened.error;
    }
    state_.archiveOpen = archive_ != nullptr;
    state_.archiveWritable = archive_ != nullptr && !archive_->IsReadOnly();
    archivePanel_->SetArchive(archive_.get(), archiveProblem_);
    ApplyWindowState();
    StorePending();
}

void MainWindow::ArchiveReadOut(const std::uint8_t* imageBytes, Model model) {
    if (data_->MeasurementCount == 0) {
        return;  // the window said so already; an image without measurements is not stored
    }
    const QString keep =
        QStringLiteral("The read-out stays loaded: save it as a data file to keep it.");
    if (archive_ != nullptr && archive_->IsReadOnly()) {
        ShowError(QStringLiteral("The read-out was not stored in the archive: %1 may only "
                                 "be read.\n%2")
                      .arg(QDir::toNativeSeparators(archive_->Path()), keep));
        return;
    }
    if (archive_ == nullptr && archivePath_.isEmpty()) {
        return;
    }
    ArchiveSource source;
    source.image = QByteArray(reinterpret_cast<const char*>(imageBytes), LayoutOf(model).imageSize);
    source.model = model;
    source.serial = instrument_->Identity().SerialNumber;
    const QDateTime now = clock_->LocalNow();
    source.readOutAt = DateTimeFromQt(now);
    source.utcOffsetSeconds = now.offsetFromUtc();
    source.origin = QStringLiteral("read-out");
    // An archive that could not be opened (a server down, a file refused) takes nothing:
    // the read-out waits on this PC for the next refresh that reaches it.
    ImportOutcome outcome;
    if (archive_ != nullptr) {
        outcome = archive_->Import(source);
    } else {
        outcome.error = archiveProblem_;
    }
    if (!outcome.ok) {
        ShowError(QStringLiteral("The read-out was not stored in the archive: %1\n%2")
                      .arg(outcome.error, KeepPending(source)));
        return;
    }
    archivePanel_->Refresh();
    if (!outcome.runsAdded.isEmpty()) {
        archivePanel_->ChooseRun(outcome.runsAdded.back());
    } else if (!outcome.runsExtended.isEmpty()) {
        archivePanel_->ChooseRun(outcome.runsExtended.back());
    }
    SetPanelText(1, ImportText(outcome));
}

void MainWindow::AddOpenedFileToArchive() {
    if (!state_.openedFileArchivable || !state_.archiveWritable || state_.exchangeRunning) {
        return;
    }
    QStringList instruments;
    QSet<QString> seen;
    for (const RunInfo& run : archive_->Runs()) {
        if (!seen.contains(run.key.serial) && run.key.serial != kUnknownInstrument) {
            seen.insert(run.key.serial);
            instruments << run.key.serial;
        }
    }
    instruments << kUnknownInstrument;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("addToArchiveDialog"));
    dialog.setWindowTitle(QStringLiteral("Add to archive"));
    dialog.setLabelText(QStringLiteral("The serial number of the Kelmor that recorded %1, or "
                                       "\"%2\":")
                            .arg(QFileInfo(openedPath_).fileName(), kUnknownInstrument));
    dialog.setComboBoxItems(instruments);
    dialog.setComboBoxEditable(true);
    dialog.setTextValue(instruments.size() > 1 ? instruments.front() : kUnknownInstrument);
    if (dialogs_->ExecOwn(dialog) != QDialog::Accepted) {
        return;
    }
    const QString serial = dialog.textValue().trimmed();
    if (serial.isEmpty()) {
        return;
    }
    const std::optional<Model> model =
        openedImage_.isEmpty() ? std::nullopt
                               : ModelFromTag(static_cast<std::uint8_t>(openedImage_.front()));
    if (!model) {
        return;
    }
    ArchiveSource source;
    source.image = openedImage_;
    source.model = *model;
    source.serial = serial;
    // A data file does not say when it was read out; it was saved at the latest then.
    const QDateTime saved = QFileInfo(openedPath_).lastModified();
    const QDateTime when = saved.isValid() ? saved : clock_->LocalNow();
    source.readOutAt = DateTimeFromQt(when);
    source.utcOffsetSeconds = when.offsetFromUtc();
    source.origin = QFileInfo(openedPath_).fileName();
    const ImportOutcome outcome = archive_->Import(source);
    if (!outcome.ok) {
        ShowError(QStringLiteral("%1 was not added to the archive: %2")
                      .arg(QDir::toNativeSeparators(openedPath_), outcome.error));
        return;
    }
    state_.openedFileArchivable = false;
    ApplyWindowState();
    archivePanel_->Refresh();
    if (!outcome.runsAdded.isEmpty()) {
        archivePanel_->ChooseRun(outcome.runsAdded.back());
    }
    SetPanelText(1, ImportText(outcome));
}

void MainWindow::ToggleArchivePanel() {
    state_.archiveShown = archivePanelAction_->isChecked();
    ApplyWindowState();
    MakeRoomForDock(archiveDock_, state_.archiveShown, kArchivePanelWidth, archiveRoom_);
    if (state_.archiveShown) {
        archivePanel_->Refresh();
        archivePanel_->setFocus();
    }
}

void MainWindow::ShowArchivedPlace(const QString& place) {
    if (!archive_ || state_.exchangeRunning) {
        return;
    }
    const LoadedSamples loaded = archive_->PlaceData(place, *data_, Separators::FromSystemLocale());
    ShowArchived(loaded, QStringLiteral("Archive: %1").arg(place), place);
}

void MainWindow::ShowArchivedRun(const RunKey& run) {
    if (!archive_ || state_.exchangeRunning) {
        return;
    }
    const LoadedSamples loaded = archive_->RunData(run, *data_, Separators::FromSystemLocale());
    ShowArchived(
        loaded,
        QStringLiteral("Archive: %1, run of %2").arg(run.serial, FormatRunStart(run.startMinutes)),
        QString());
}

void MainWindow::ShowArchived(const LoadedSamples& loaded, const QString& source,
                              const QString& place) {
    if (!loaded.ok) {
        ShowError(loaded.error);
        return;
    }
    const Model model = ModelFromTag(data_->ModelTag()).value_or(Model::V7);
    ForgetMeasurements(model);
    state_.showingArchive = true;
    state_.openedFileArchivable = false;
    shownPlace_ = place;
    imageSource_ = source;
    setWindowTitle(source);
    DecodeOutcome outcome;
    outcome.model = model;
    outcome.measurementsFound = true;
    outcome.listItems = loaded.listItems;
    outcome.climateItemsEnabled = model != Model::V5;
    ListMeasurements(outcome);
    ChooseMeasurement(0);
    SetPanelText(1, loaded.cut
                        ? QStringLiteral("Only the newest %1 hours are shown").arg(loaded.samples)
                        : QString());
}

void MainWindow::ShowYearView() {
    if (const std::optional<QString> place = archivePanel_->ChosenPlace()) {
        ShowYearViewOf(*place);
    } else if (!shownPlace_.isEmpty()) {
        ShowYearViewOf(shownPlace_);
    } else {
        ShowError(QStringLiteral("Choose a place in the Archive panel (F8) for its year view."));
    }
}

void MainWindow::ShowYearViewOf(const QString& place) {
    ShowArchivedPlace(place);
    if (shownPlace_ != place) {
        return;
    }
    if (yearViewWindow_ == nullptr) {
        yearViewWindow_ = new QDialog(this);
        yearViewWindow_->setObjectName(QStringLiteral("yearViewWindow"));
        yearView_ = new YearView(yearViewWindow_);
        auto* layout = new QVBoxLayout(yearViewWindow_);
        layout->addWidget(yearView_);
        yearViewWindow_->resize(720, 560);
    }
    yearView_->SetShown(place, ComputeAnnualAverage(HourlyValuesOf(*data_, 0)),
                        ChosenReferenceLevel());
    yearViewWindow_->setWindowTitle(yearView_->windowTitle());
    yearViewWindow_->show();
    yearViewWindow_->raise();
    yearViewWindow_->activateWindow();
}

void MainWindow::ExportArchive() {
    if (!archive_) {
        return;
    }
    std::optional<QString> place = archivePanel_->ChosenPlace();
    if (!place && !shownPlace_.isEmpty()) {
        place = shownPlace_;
    }
    QFileDialog dialog(this, place ? QStringLiteral("Export %1 as CSV").arg(*place)
                                   : QStringLiteral("Export the archive as CSV"));
    dialog.setObjectName(QStringLiteral("exportArchiveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("CSV (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(place ? *place : QStringLiteral("archive"));
    if (!dialogs_->ExecFile(dialog) || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().front();
    SafeFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ShowError(file.ErrorMessage());
        return;
    }
    const ArchiveStatus written = archive_->ExportCsv(place, file);
    if (!written.ok) {
        file.CancelWriting(written.error);
    }
    if (!file.Commit()) {
        ShowError(file.ErrorMessage());
        return;
    }
    SetPanelText(1, QStringLiteral("Exported %1").arg(QFileInfo(path).fileName()));
}

}  // namespace kelmor
