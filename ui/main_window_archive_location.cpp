// Where the window's archive is, and a shared archive kept up to date: Main > Archive
// location..., Refresh (F5, and every minute from the watch), and the read-outs kept on this
// PC while the archive could not take them.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "archive/archive.h"
#include "archive/location.h"
#include "archive/location_setting.h"
#include "desktop_dialogs.h"
#include "link/clock.h"
#include "main_window.h"
#include "ui/archive/archive_location_dialog.h"
#include "ui/archive/archive_panel.h"
#include "ui/archive/counted.h"
#include "ui/archive/pending_readouts.h"

namespace kelmor {

void MainWindow::ChooseArchiveLocation() {
    if (state_.exchangeRunning) {
        return;
    }
    const auto browse = [this](const QString& current) -> std::optional<QString> {
        QFileDialog dialog(this, QStringLiteral("Archive file"));
        dialog.setObjectName(QStringLiteral("archiveFileDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilters(
            {QStringLiteral("Kelmor archive (*.sqlite)"), QStringLiteral("All files (*)")});
        dialog.setDefaultSuffix(QStringLiteral("sqlite"));
        if (!current.isEmpty() && !IsServerLocation(current)) {
            dialog.selectFile(current);
        }
        if (!dialogs_->ExecFile(dialog) || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().front();
    };
    ArchiveLocationDialog dialog(archivePath_, browse, this);
    if (dialogs_->ExecOwn(dialog) != QDialog::Accepted || dialog.Location() == archivePath_) {
        return;
    }
    QString error;
    if (!locationSetting_->Choose(dialog.Location(), error)) {
        ShowError(error);
    }
    // Read-outs kept for the archive go to the new one, which says so over this.
    SetPanelText(1, QStringLiteral("Archive: %1").arg(dialog.Location()));
    OpenArchive(dialog.Location());
    if (archive_ == nullptr) {
        ShowError(archiveProblem_);
    }
}

void MainWindow::RefreshArchive() {
    nextArchiveRefresh_ = clock_->LocalNow().addSecs(60);
    if (state_.exchangeRunning || archivePath_.isEmpty()) {
        return;
    }
    // A server that went away leaves the connection unusable: a new one is opened, which
    // also stores what waits. An archive that answers only needs listing again.
    QString error;
    if (archive_ != nullptr) {
        archive_->Runs(&error);
    }
    if (archive_ == nullptr || !error.isEmpty()) {
        OpenArchive(archivePath_);
    } else {
        StorePending();
        archivePanel_->Refresh();
    }
    if (archive_ == nullptr && PanelText(1).isEmpty()) {
        SetPanelText(1, QStringLiteral("The archive cannot be reached"));
    }
}

QString MainWindow::KeepPending(const ArchiveSource& source) {
    const QString loaded = QStringLiteral("The read-out stays loaded");
    if (pending_ == nullptr) {
        return loaded + QStringLiteral(": save it as a data file to keep it.");
    }
    QString error;
    if (!pending_->Keep(source, error)) {
        return loaded + QStringLiteral(
                            ", but it could not be kept for the archive (%1): save "
                            "it as a data file to keep it.")
                            .arg(error);
    }
    const int waiting = pending_->Count();
    SetPanelText(1, QStringLiteral("%1 to be stored in the archive")
                        .arg(Counted(waiting, "read-out waits", "read-outs wait")));
    return loaded + QStringLiteral(
                        " and is kept on this PC: it is stored in the archive at the next "
                        "Refresh (F5) that reaches it, which the window tries every minute.");
}

void MainWindow::StorePending() {
    if (pending_ == nullptr || archive_ == nullptr || archive_->IsReadOnly() ||
        pending_->Count() == 0) {
        return;
    }
    const PendingReadouts::Outcome outcome = pending_->StoreInto(*archive_);
    archivePanel_->Refresh();
    if (outcome.left > 0) {
        SetPanelText(
            1, QStringLiteral("%1 to be stored in the archive: %2")
                   .arg(Counted(outcome.left, "read-out waits", "read-outs wait"), outcome.error));
    } else {
        SetPanelText(1, QStringLiteral("Stored %1 kept on this PC in the archive")
                            .arg(Counted(outcome.stored, "read-out", "read-outs")));
    }
}

}  // namespace kelmor
