#include "survey_commands.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "archive/archive.h"
#include "ui/archive/archive_panel.h"
#include "ui/archive/deployment_dialog.h"
#include "ui/archive/instruments_dialog.h"
#include "ui/archive/site_dialog.h"
#include "ui/archive/site_report_dialog.h"
#include "ui/desktop_dialogs.h"
#include "ui/report/site_report.h"

namespace kelmor {

QString FileNameOfSite(const QString& site) {
    QString name = site;
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]")),
                 QStringLiteral("-"));
    name = name.trimmed();
    // A name of dots alone would name the folder itself or its parent.
    if (name.isEmpty() || name.count(QLatin1Char('.')) == name.size()) {
        return QStringLiteral("Site");
    }
    return name;
}

SurveyCommands::SurveyCommands(ArchivePanel& panel, DesktopDialogs& dialogs, QWidget& owner)
    : QObject(&owner), panel_(panel), dialogs_(dialogs), owner_(owner) {}

Archive* SurveyCommands::WritableArchive() const {
    Archive* archive = panel_.CurrentArchive();
    return archive != nullptr && !archive->IsReadOnly() ? archive : nullptr;
}

bool SurveyCommands::Ask(const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Archive"), question,
                    QMessageBox::Yes | QMessageBox::No, &owner_);
    box.setDefaultButton(QMessageBox::No);
    return dialogs_.ExecOwn(box) == QMessageBox::Yes;
}

bool SurveyCommands::Done(const ArchiveStatus& status, const QString& text) {
    panel_.Refresh();
    if (!status.ok) {
        emit failed(status.error);
        return false;
    }
    emit said(text);
    return true;
}

void SurveyCommands::NewSite() {
    Archive* archive = WritableArchive();
    if (archive == nullptr) {
        return;
    }
    SiteDialog dialog(SiteInfo(), panel_.SiteNames(), &owner_);
    if (dialogs_.ExecOwn(dialog) != QDialog::Accepted) {
        return;
    }
    const SiteInfo site = dialog.Site();
    if (Done(archive->SaveSite(site), QStringLiteral("Site %1 made").arg(site.name))) {
        panel_.ChooseSite(site.name);
    }
}

void SurveyCommands::EditSite() {
    Archive* archive = WritableArchive();
    const std::optional<QString> name = panel_.ChosenSite();
    if (archive == nullptr || !name) {
        return;
    }
    QString error;
    const std::optional<SiteInfo> site = archive->Site(*name, &error);
    if (!site) {
        emit failed(error.isEmpty()
                        ? QStringLiteral("The site %1 is no longer in the archive.").arg(*name)
                        : error);
        panel_.Refresh();
        return;
    }
    QStringList others = panel_.SiteNames();
    others.removeAll(*name);
    SiteDialog dialog(*site, others, &owner_);
    if (dialogs_.ExecOwn(dialog) != QDialog::Accepted) {
        return;
    }
    const SiteInfo edited = dialog.Site();
    if (edited.name != *name) {
        const ArchiveStatus renamed = archive->RenameSite(*name, edited.name);
        if (!renamed.ok) {
            Done(renamed, QString());
            return;
        }
    }
    if (Done(archive->SaveSite(edited), QStringLiteral("Site %1 saved").arg(edited.name))) {
        panel_.ChooseSite(edited.name);
    }
}

void SurveyCommands::RemoveSite() {
    Archive* archive = WritableArchive();
    const std::optional<QString> name = panel_.ChosenSite();
    if (archive == nullptr || !name) {
        return;
    }
    if (!Ask(QStringLiteral("Remove the site %1?\n\nIts address, client and notes go; its "
                            "places and their runs stay in the archive, in no site.")
                 .arg(*name))) {
        return;
    }
    Done(archive->RemoveSite(*name),
         QStringLiteral("Site %1 removed; its places and runs stay").arg(*name));
}

void SurveyCommands::PutPlaceInSite() {
    Archive* archive = WritableArchive();
    const std::optional<QString> place = panel_.ChosenPlace();
    if (archive == nullptr || !place || panel_.SiteNames().isEmpty()) {
        return;
    }
    const QString current = archive->SiteOfPlace(*place);
    QInputDialog dialog(&owner_);
    dialog.setObjectName(QStringLiteral("putInSiteDialog"));
    dialog.setWindowTitle(QStringLiteral("Put in site"));
    dialog.setLabelText(QStringLiteral("The site of %1:").arg(*place));
    dialog.setComboBoxItems(QStringList(QStringLiteral("(in no site)")) + panel_.SiteNames());
    dialog.setComboBoxEditable(false);
    // The list's first entry takes the place out of its site; by its position, so that a
    // site called so is still a site.
    auto* list = dialog.findChild<QComboBox*>();
    if (list == nullptr) {
        return;
    }
    list->setAccessibleName(QStringLiteral("Site"));
    list->setCurrentIndex(current.isEmpty() ? std::min(1, list->count() - 1)
                                            : 1 + panel_.SiteNames().indexOf(current));
    if (dialogs_.ExecOwn(dialog) != QDialog::Accepted) {
        return;
    }
    const int chosen = list->currentIndex();
    if (chosen < 0 || chosen > panel_.SiteNames().size()) {
        return;
    }
    const QString site = chosen == 0 ? QString() : panel_.SiteNames().at(chosen - 1);
    if (site == current) {
        return;
    }
    const QString text = site.isEmpty()
                             ? QStringLiteral("%1 taken out of site %2").arg(*place, current)
                             : QStringLiteral("%1 put in site %2").arg(*place, site);
    if (Done(archive->SetPlaceSite(*place, site), text)) {
        panel_.ChoosePlace(*place);
    }
}

void SurveyCommands::EditDeployment() {
    Archive* archive = WritableArchive();
    const std::optional<RunInfo> run = panel_.ChosenRun();
    if (archive == nullptr || !run) {
        return;
    }
    QString error;
    const Deployment recorded = archive->DeploymentOf(run->key, &error);
    if (!error.isEmpty()) {
        emit failed(error);
        return;
    }
    DeploymentDialog dialog(*run, recorded, panel_.Testers(), &owner_);
    if (dialogs_.ExecOwn(dialog) != QDialog::Accepted) {
        return;
    }
    if (Done(archive->SetDeployment(run->key, dialog.Result()),
             QStringLiteral("Deployment of %1, run of %2, recorded")
                 .arg(run->key.serial, FormatRunStart(run->key.startMinutes)))) {
        panel_.ChooseRun(run->key);
    }
}

void SurveyCommands::ShowInstruments(const QDateTime& now) {
    Archive* archive = panel_.CurrentArchive();
    if (archive == nullptr) {
        return;
    }
    InstrumentsDialog dialog(*archive, now, dialogs_, &owner_);
    if (const std::optional<RunInfo> run = panel_.ChosenRun()) {
        dialog.ChooseInstrument(run->key.serial);
    }
    dialogs_.ExecOwn(dialog);
    // Calibrations change the warnings of the runs.
    panel_.Refresh();
}

void SurveyCommands::WriteSiteReport(std::optional<double> referenceLevelBqm3,
                                     const QDateTime& now) {
    Archive* archive = panel_.CurrentArchive();
    const std::optional<QString> site = panel_.ChosenSite();
    if (archive == nullptr || !site) {
        return;
    }
    QFileDialog files(&owner_, QStringLiteral("Site report of %1").arg(*site));
    files.setObjectName(QStringLiteral("siteReportFileDialog"));
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setNameFilter(QStringLiteral("PDF report (*.pdf)"));
    files.setDefaultSuffix(QStringLiteral("pdf"));
    if (!reportFolder_.isEmpty()) {
        files.setDirectory(reportFolder_);
    }
    files.selectFile(FileNameOfSite(*site) + QStringLiteral(" radon report.pdf"));
    if (!dialogs_.ExecFile(files) || files.selectedFiles().isEmpty()) {
        return;
    }
    const QString pdf = files.selectedFiles().front();
    reportFolder_ = QFileInfo(pdf).absolutePath();

    SiteReportDialog options(*site, pdf, referenceLevelBqm3 ? referenceLevelBqm3 : reportLevel_,
                             reportWithCsv_, &owner_);
    if (dialogs_.ExecOwn(options) != QDialog::Accepted) {
        return;
    }
    reportWithCsv_ = options.WithCsv();
    reportLevel_ = options.ReferenceLevelBqm3();
    SiteReportRequest request;
    request.site = *site;
    request.pdfPath = pdf;
    request.csvPath = reportWithCsv_ ? SiteReportDialog::CsvPathFor(pdf) : QString();
    request.referenceLevelBqm3 = options.ReferenceLevelBqm3();
    request.made = now;
    const FileWrite written = SaveSiteReport(*archive, request);
    if (!written.ok) {
        emit failed(written.error);
        return;
    }
    QString text = QStringLiteral("Site report written: %1").arg(QFileInfo(pdf).fileName());
    if (!request.csvPath.isEmpty()) {
        text += QStringLiteral(" and %1").arg(QFileInfo(request.csvPath).fileName());
    }
    emit said(text);
}

}  // namespace kelmor
