// The survey in the window: the Archive menu's items for sites, deployments, instruments
// and the site report, which act on what the Archive panel has chosen.
#include <QAction>
#include <QMenu>

#include "main_window.h"
#include "ui/archive/archive_panel.h"

namespace kelmor {

void MainWindow::BuildSurveyMenu() {
    const auto item = [this](const char* name, const QString& text, const QString& tip,
                             const QKeySequence& shortcut = {}) {
        QAction* action = archiveMenu_->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(tip);
        action->setShortcut(shortcut);
        return action;
    };
    archiveMenu_->addSeparator();
    newSiteAction_ = item("newSiteAction", QStringLiteral("&New site..."),
                          QStringLiteral("A building surveyed: its name, address, client and "
                                         "notes"),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    editSiteAction_ = item("editSiteAction", QStringLiteral("&Edit site..."),
                           QStringLiteral("The chosen site's name, address, client and notes"));
    removeSiteAction_ = item("removeSiteAction", QStringLiteral("Re&move site..."),
                             QStringLiteral("Remove the chosen site; its places and runs stay"));
    putInSiteAction_ = item("putInSiteAction", QStringLiteral("Put in si&te..."),
                            QStringLiteral("Put the chosen place in a site, or take it out of "
                                           "its site"));
    archiveMenu_->addSeparator();
    deploymentAction_ = item("deploymentAction", QStringLiteral("&Deployment..."),
                             QStringLiteral("Who placed the chosen run's instrument, where and "
                                            "when, and the deviations from the protocol"));
    instrumentsAction_ = item("instrumentsAction", QStringLiteral("&Instruments..."),
                              QStringLiteral("The instruments with their calibration factors "
                                             "and calibrations"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    archiveMenu_->addSeparator();
    siteReportAction_ = item("siteReportAction", QStringLiteral("Site rep&ort..."),
                             QStringLiteral("A PDF of the chosen site for its client: every "
                                            "place with its figures and instruments, the "
                                            "duplicates and the deviations"),
                             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    // The panel's buttons show the items' texts as they stand, mnemonic and "..." kept.
    for (QAction* action : {putInSiteAction_, deploymentAction_, siteReportAction_}) {
        action->setIconText(action->text());
    }
}

void MainWindow::FollowArchiveChoice() {
    state_.siteChosen = archivePanel_->ChosenSite().has_value();
    state_.placeChosen = archivePanel_->ChosenPlace().has_value();
    state_.runChosen = archivePanel_->ChosenRun().has_value();
    state_.sitesKept = !archivePanel_->SiteNames().isEmpty();
    ApplyWindowState();
}

}  // namespace kelmor
