#include "archive_panel.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "data/measurement_image.h"
#include "ui/archive/calibration_warning.h"
#include "ui/archive/counted.h"
#include "ui/archive/site_summary.h"

namespace kelmor {

namespace {

enum Column { kName, kModel, kPeriod, kHours, kMean, kNote, kColumnCount };

// What an item of the list stands for.
enum ItemRole {
    kKindRole = Qt::UserRole,
    kPlaceRole,
    kSerialRole,
    kStartRole,
    kOfferRole,
    kSiteRole
};
enum ItemKind { kPlaceItem = 1, kUnassignedItem, kRunItem, kSiteItem, kNoSiteItem };

const QString kUnassigned = QStringLiteral("Runs in no place");
const QString kNoSite = QStringLiteral("Places in no site");

QString Period(DateTime first, DateTime last) {
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm");
    return QStringLiteral("%1 to %2")
        .arg(DateTimeToQt(first).toString(format), DateTimeToQt(last).toString(format));
}

QString Mean(double bqm3) {
    return QString::number(bqm3, 'f', 0);
}

void Embolden(QTreeWidgetItem* item) {
    QFont bold = item->font(kName);
    bold.setBold(true);
    item->setFont(kName, bold);
}

void AlignFigures(QTreeWidgetItem* item) {
    for (const int column : {kHours, kMean}) {
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
}

// `calibrationWarning`: why the run's figures rest on an overdue calibration, or empty.
QTreeWidgetItem* RunItem(const RunInfo& run, const Deployment& deployment,
                         const QString& calibrationWarning, const QIcon& warningIcon) {
    auto* item = new QTreeWidgetItem;
    item->setText(kName, run.key.serial);
    item->setText(kModel, QLatin1String(LayoutOf(run.model).name));
    item->setText(kPeriod, Period(run.first, run.last));
    item->setText(kHours, QString::number(run.hours));
    item->setText(kMean, Mean(run.meanBqm3));
    QStringList notes;
    if (!deployment.tester.isEmpty()) {
        notes << QStringLiteral("tester %1").arg(deployment.tester);
    }
    if (!calibrationWarning.isEmpty()) {
        notes << calibrationWarning;
    }
    if (run.place.isEmpty() && !run.offeredPlace.isEmpty()) {
        notes << QStringLiteral("offered: %1 (Assign to confirm)").arg(run.offeredPlace);
    }
    if (run.conflicts > 0) {
        notes << Counted(run.conflicts, "hour", "hours") + QStringLiteral(" in conflict");
    }
    item->setText(kNote, notes.join(QStringLiteral("; ")));
    for (int column = kModel; column < kColumnCount && !notes.isEmpty(); ++column) {
        item->setToolTip(column, item->text(kNote));
    }
    item->setData(kName, kKindRole, kRunItem);
    item->setData(kName, kPlaceRole, run.place);
    item->setData(kName, kSerialRole, run.key.serial);
    item->setData(kName, kStartRole, run.key.startMinutes);
    item->setData(kName, kOfferRole, run.place.isEmpty() ? run.offeredPlace : QString());
    QStringList about = {QStringLiteral("Instrument %1, run started %2")
                             .arg(run.key.serial, FormatRunStart(run.key.startMinutes))};
    if (!deployment.tester.isEmpty()) {
        about << QStringLiteral("Tester: %1").arg(deployment.tester);
    }
    if (!deployment.placement.isEmpty()) {
        about << QStringLiteral("Placement: %1").arg(deployment.placement);
    }
    const QString minute = QStringLiteral("yyyy-MM-dd hh:mm");
    if (deployment.deployedAt) {
        about << QStringLiteral("Put in place: %1")
                     .arg(DateTimeToQt(*deployment.deployedAt).toString(minute));
    }
    if (deployment.retrievedAt) {
        about << QStringLiteral("Taken away: %1")
                     .arg(DateTimeToQt(*deployment.retrievedAt).toString(minute));
    }
    if (!deployment.deviations.isEmpty()) {
        about << QStringLiteral("Deviations: %1").arg(deployment.deviations);
    }
    if (!calibrationWarning.isEmpty()) {
        about << QStringLiteral("Warning: %1").arg(calibrationWarning);
        item->setIcon(kName, warningIcon);
    }
    item->setToolTip(kName, about.join(QLatin1Char('\n')));
    AlignFigures(item);
    return item;
}

RunKey KeyOf(const QTreeWidgetItem* item) {
    return RunKey{item->data(kName, kSerialRole).toString(),
                  item->data(kName, kStartRole).toLongLong()};
}

int KindOf(const QTreeWidgetItem* item) {
    return item ? item->data(kName, kKindRole).toInt() : 0;
}

// What keeps an item's folding from one listing to the next.
QString FoldingKey(const QTreeWidgetItem* item) {
    return QString::number(KindOf(item)) + QLatin1Char(':') + item->text(kName);
}

}  // namespace

ArchivePanel::ArchivePanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("archivePanel"));
    setAccessibleName(QStringLiteral("Archive"));

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("archiveStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("archiveTree"));
    tree_->setAccessibleName(QStringLiteral("Sites, places and runs"));
    tree_->setAccessibleDescription(
        QStringLiteral("Each site with its places, each place with its runs: instrument, model, "
                       "period, hours, mean radon in Bq/m3, tester and calibration warnings. "
                       "Enter shows the place or run in the chart; the context menu key "
                       "offers the commands on it."));
    tree_->setColumnCount(kColumnCount);
    tree_->setHeaderLabels({QStringLiteral("Site / place / instrument"), QStringLiteral("Model"),
                            QStringLiteral("Period"), QStringLiteral("Hours"),
                            QStringLiteral("Mean Bq/m3"), QStringLiteral("Note")});
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->setContextMenuPolicy(Qt::ActionsContextMenu);

    siteSummary_ = new SiteSummary(this);
    siteSummary_->hide();

    auto* nameLabel = new QLabel(QStringLiteral("&Place:"), this);
    placeName_ = new QComboBox(this);
    placeName_->setObjectName(QStringLiteral("placeName"));
    placeName_->setEditable(true);
    placeName_->setInsertPolicy(QComboBox::NoInsert);
    placeName_->setAccessibleName(QStringLiteral("Place name"));
    placeName_->setToolTip(QStringLiteral("A place, such as \"Cellar\" or \"Bedroom 1st floor\""));
    placeName_->lineEdit()->setPlaceholderText(QStringLiteral("Cellar"));
    nameLabel->setBuddy(placeName_);
    // The field and the pop-up of the list are controls of their own for a screen reader.
    placeName_->lineEdit()->setAccessibleName(placeName_->accessibleName());
    placeName_->view()->setAccessibleName(QStringLiteral("Places"));

    const auto button = [this](const QString& name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setAccessibleDescription(tip);
        return b;
    };
    assignButton_ = button(QStringLiteral("assignButton"), QStringLiteral("&Assign"),
                           QStringLiteral("Put the chosen runs in the place named"));
    renameButton_ = button(QStringLiteral("renameButton"), QStringLiteral("Re&name"),
                           QStringLiteral("Give the chosen place the name typed"));
    mergeButton_ = button(QStringLiteral("mergeButton"), QStringLiteral("&Merge into"),
                          QStringLiteral("Move every run of the chosen place into the place "
                                         "named, and remove the chosen place"));
    showButton_ = button(QStringLiteral("showButton"), QStringLiteral("&Show"),
                         QStringLiteral("Draw the chosen place or run in the chart"));
    yearViewButton_ = button(QStringLiteral("yearViewButton"), QStringLiteral("&Year view"),
                             QStringLiteral("The monthly means of the chosen place and its "
                                            "running 365-day mean"));

    refreshButton_ = button(QStringLiteral("refreshButton"), QStringLiteral("Re&fresh"),
                            QStringLiteral("List the archive again, with what other PCs stored "
                                           "(F5)"));

    controls_ = new QGridLayout;
    controls_->addWidget(nameLabel, 0, 0);
    controls_->addWidget(placeName_, 0, 1, 1, 3);
    controls_->addWidget(assignButton_, 1, 0);
    controls_->addWidget(renameButton_, 1, 1);
    controls_->addWidget(mergeButton_, 1, 2);
    controls_->addWidget(showButton_, 2, 0);
    controls_->addWidget(yearViewButton_, 2, 1);
    controls_->addWidget(refreshButton_, 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(tree_, 1);
    layout->addWidget(siteSummary_);
    layout->addLayout(controls_);

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &ArchivePanel::FollowChoice);
    connect(tree_, &QTreeWidget::itemActivated, this, &ArchivePanel::ShowChosen);
    connect(placeName_, &QComboBox::editTextChanged, this, &ArchivePanel::UpdateControls);
    connect(assignButton_, &QPushButton::clicked, this, &ArchivePanel::AssignChosenRuns);
    connect(renameButton_, &QPushButton::clicked, this, &ArchivePanel::RenameChosenPlace);
    connect(mergeButton_, &QPushButton::clicked, this, &ArchivePanel::MergeChosenPlace);
    connect(showButton_, &QPushButton::clicked, this, &ArchivePanel::ShowChosen);
    connect(refreshButton_, &QPushButton::clicked, this, &ArchivePanel::refreshAsked);
    connect(yearViewButton_, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> place = ChosenPlace()) {
            emit yearViewAsked(*place);
        }
    });
    setFocusProxy(tree_);
    UpdateControls();
}

void ArchivePanel::SetArchive(Archive* archive, const QString& unavailableReason) {
    archive_ = archive;
    unavailableReason_ = unavailableReason;
    Refresh();
}

void ArchivePanel::SetCommands(const QList<QAction*>& buttons, const QList<QAction*>& menu) {
    // Below the panel's own buttons, three to a row.
    const int firstRow = controls_->rowCount();
    for (int i = 0; i < buttons.size(); ++i) {
        auto* b = new QToolButton(this);
        b->setDefaultAction(buttons.at(i));
        b->setObjectName(buttons.at(i)->objectName().replace(QStringLiteral("Action"),
                                                             QStringLiteral("Button")));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        controls_->addWidget(b, firstRow + i / 3, i % 3);
    }
    tree_->addActions(menu);
}

bool ArchivePanel::List() {
    QString error;
    const QList<SiteInfo> sites = archive_->Sites(&error);
    const QList<PlaceInfo> places = error.isEmpty() ? archive_->Places(&error) : QList<PlaceInfo>();
    runs_ = error.isEmpty() ? archive_->Runs(&error) : QList<RunInfo>();
    const QList<InstrumentInfo> instruments =
        error.isEmpty() ? archive_->Instruments(&error) : QList<InstrumentInfo>();
    if (!error.isEmpty()) {
        runs_.clear();
        status_->setText(error);
        return false;
    }

    int conflicts = 0;
    for (const RunInfo& run : runs_) {
        conflicts += run.conflicts;
    }
    QString status = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(archive_->Path()),
                                                  Counted(runs_.size(), "run", "runs"));
    if (conflicts > 0) {
        status += QStringLiteral(
                      "; %1 that two sources give differently (the first value "
                      "is kept)")
                      .arg(Counted(conflicts, "hour", "hours"));
    }
    if (archive_->IsReadOnly()) {
        status += QStringLiteral("; read-only");
    }
    status_->setText(status);

    QHash<QString, QTreeWidgetItem*> siteItems;
    for (const SiteInfo& site : sites) {
        auto* item = new QTreeWidgetItem(tree_);
        item->setText(kName, site.name);
        QStringList note;
        if (!site.client.isEmpty()) {
            note << QStringLiteral("client %1").arg(site.client);
        }
        note << Counted(static_cast<int>(site.places.size()), "place", "places");
        item->setText(kNote, note.join(QStringLiteral("; ")));
        item->setIcon(kName, style()->standardIcon(QStyle::SP_DirHomeIcon));
        item->setToolTip(
            kName, QStringList({QStringLiteral("Site %1").arg(site.name), site.address, site.notes})
                       .filter(QRegularExpression(QStringLiteral("\\S")))
                       .join(QLatin1Char('\n')));
        item->setData(kName, kKindRole, kSiteItem);
        item->setData(kName, kSiteRole, site.name);
        Embolden(item);
        siteItems.insert(site.name, item);
        siteNames_ << site.name;
    }
    QHash<QString, QString> siteOfPlace;
    for (const SiteInfo& site : sites) {
        for (const QString& place : site.places) {
            siteOfPlace.insert(place, site.name);
        }
    }
    // Once there are sites, the places in none are gathered under a heading of their own.
    QTreeWidgetItem* noSite = nullptr;
    QHash<QString, QTreeWidgetItem*> placeItems;
    for (const PlaceInfo& place : places) {
        const QString site = siteOfPlace.value(place.name);
        QTreeWidgetItem* parent = siteItems.value(site);
        if (parent == nullptr && !sites.isEmpty()) {
            if (noSite == nullptr) {
                noSite = new QTreeWidgetItem;
                noSite->setText(kName, kNoSite);
                noSite->setData(kName, kKindRole, kNoSiteItem);
            }
            parent = noSite;
        }
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        item->setText(kName, place.name);
        item->setText(kHours, QString::number(place.hours));
        item->setText(kMean, place.hours > 0 ? Mean(place.meanBqm3) : QString());
        item->setText(kNote, Counted(place.runs, "run", "runs"));
        item->setData(kName, kKindRole, kPlaceItem);
        item->setData(kName, kPlaceRole, place.name);
        item->setData(kName, kSiteRole, siteItems.contains(site) ? site : QString());
        placeItems.insert(place.name, item);
        AlignFigures(item);
        Embolden(item);
        placeName_->addItem(place.name);
    }
    if (noSite != nullptr) {
        tree_->addTopLevelItem(noSite);
    }

    QHash<QString, const InstrumentInfo*> instrumentOf;
    for (const InstrumentInfo& instrument : instruments) {
        instrumentOf.insert(instrument.serial, &instrument);
    }
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const QMap<RunKey, Deployment> deployments = archive_->Deployments();
    QSet<QString> testers;
    QTreeWidgetItem* unassigned = nullptr;
    for (const RunInfo& run : runs_) {
        QTreeWidgetItem* parent = placeItems.value(run.place);
        if (parent == nullptr) {
            if (unassigned == nullptr) {
                unassigned = new QTreeWidgetItem(tree_);
                unassigned->setText(kName, kUnassigned);
                unassigned->setData(kName, kKindRole, kUnassignedItem);
            }
            parent = unassigned;
        }
        const Deployment deployment = deployments.value(run.key);
        if (!deployment.tester.isEmpty()) {
            testers.insert(deployment.tester);
        }
        // Calibrations matter where they are kept: for an instrument with a recorded
        // calibration, or a run of a surveyed site. A homeowner who records none is not
        // warned on every run; the instrument list and the site report still say so.
        const InstrumentInfo* instrument = instrumentOf.value(run.key.serial);
        const bool calibrationKept =
            (instrument != nullptr && !instrument->calibrations.isEmpty()) ||
            !parent->data(kName, kSiteRole).toString().isEmpty();
        parent->addChild(RunItem(
            run, deployment,
            calibrationKept ? CalibrationWarning(instrument, RunStartTime(run.key.startMinutes))
                            : QString(),
            warningIcon));
    }
    testers_ = QStringList(testers.begin(), testers.end());
    testers_.sort(Qt::CaseInsensitive);
    return true;
}

void ArchivePanel::Refresh() {
    const std::optional<QString> chosenSite =
        KindOf(tree_->currentItem()) == kSiteItem ? ChosenSite() : std::nullopt;
    const std::optional<QString> chosenPlace = ChosenPlace();
    const QList<RunKey> chosenRuns = ChosenRuns();
    QSet<QString> expanded;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->isExpanded()) {
            expanded.insert(FoldingKey(*it));
        }
    }
    const bool firstListing = tree_->topLevelItemCount() == 0;
    const QSignalBlocker quiet(tree_);
    tree_->clear();
    const QString typed = placeName_->currentText();
    placeName_->clear();
    siteNames_.clear();
    testers_.clear();
    runs_.clear();
    summarisedSite_.clear();

    if (archive_ == nullptr) {
        status_->setText(unavailableReason_.isEmpty()
                             ? QStringLiteral("No archive is open.")
                             : QStringLiteral("No archive: %1").arg(unavailableReason_));
    } else if (List()) {
        for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
            const int kind = KindOf(*it);
            (*it)->setExpanded(firstListing || kind == kUnassignedItem || kind == kNoSiteItem ||
                               expanded.contains(FoldingKey(*it)));
        }
        placeName_->setCurrentIndex(-1);
        for (const RunKey& run : chosenRuns) {
            if (QTreeWidgetItem* item = FindRun(run)) {
                item->setSelected(true);
                tree_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
            }
        }
        for (QTreeWidgetItem* item : {chosenPlace ? Find(kPlaceItem, *chosenPlace) : nullptr,
                                      chosenSite ? Find(kSiteItem, *chosenSite) : nullptr}) {
            if (item != nullptr) {
                item->setSelected(true);
                tree_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
            }
        }
    }
    placeName_->setEditText(typed);
    FollowChoice();
}

std::optional<QString> ArchivePanel::ChosenPlace() const {
    const QList<QTreeWidgetItem*> items = tree_->selectedItems();
    if (items.size() == 1 && KindOf(items.front()) == kPlaceItem) {
        return items.front()->data(kName, kPlaceRole).toString();
    }
    return std::nullopt;
}

QList<RunKey> ArchivePanel::ChosenRuns() const {
    QList<RunKey> runs;
    for (const QTreeWidgetItem* item : tree_->selectedItems()) {
        if (KindOf(item) == kRunItem) {
            runs << KeyOf(item);
        }
    }
    return runs;
}

std::optional<RunInfo> ArchivePanel::ChosenRun() const {
    const QList<QTreeWidgetItem*> items = tree_->selectedItems();
    if (items.size() != 1 || KindOf(items.front()) != kRunItem) {
        return std::nullopt;
    }
    const RunKey key = KeyOf(items.front());
    for (const RunInfo& run : runs_) {
        if (run.key == key) {
            return run;
        }
    }
    return std::nullopt;
}

std::optional<QString> ArchivePanel::ChosenSite() const {
    const QList<QTreeWidgetItem*> items = tree_->selectedItems();
    if (items.size() != 1) {
        return std::nullopt;
    }
    // A run's site is that of the place it lies under.
    const QTreeWidgetItem* item = items.front();
    if (KindOf(item) == kRunItem && item->parent() != nullptr) {
        item = item->parent();
    }
    const QString site = item->data(kName, kSiteRole).toString();
    return site.isEmpty() ? std::nullopt : std::optional<QString>(site);
}

void ArchivePanel::Choose(QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    tree_->clearSelection();
    for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent()) {
        parent->setExpanded(true);
    }
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
}

void ArchivePanel::ChooseRun(const RunKey& run) {
    if (QTreeWidgetItem* item = FindRun(run)) {
        Choose(item);
        // A run offered a place has the offer ready in the field: Assign confirms it.
        const QString offer = item->data(kName, kOfferRole).toString();
        if (!offer.isEmpty()) {
            placeName_->setEditText(offer);
        }
    }
}

void ArchivePanel::ChoosePlace(const QString& place) {
    Choose(Find(kPlaceItem, place));
}

void ArchivePanel::ChooseSite(const QString& site) {
    Choose(Find(kSiteItem, site));
}

QTreeWidgetItem* ArchivePanel::FindRun(const RunKey& run) const {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if (KindOf(*it) == kRunItem && KeyOf(*it) == run) {
            return *it;
        }
    }
    return nullptr;
}

QTreeWidgetItem* ArchivePanel::Find(int kind, const QString& name) const {
    const int role = kind == kSiteItem ? kSiteRole : kPlaceRole;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if (KindOf(*it) == kind && (*it)->data(kName, role).toString() == name) {
            return *it;
        }
    }
    return nullptr;
}

void ArchivePanel::ShowChosen() {
    if (const std::optional<QString> place = ChosenPlace()) {
        emit placeShown(*place);
        return;
    }
    const QList<RunKey> runs = ChosenRuns();
    if (runs.size() == 1) {
        emit runShown(runs.front());
    }
}

void ArchivePanel::Report(bool ok, const QString& error) {
    Refresh();
    if (ok) {
        emit archiveChanged();
    } else {
        emit failed(error);
    }
}

void ArchivePanel::AssignChosenRuns() {
    const QString place = placeName_->currentText().trimmed();
    const QList<RunKey> runs = ChosenRuns();
    if (archive_ == nullptr || place.isEmpty() || runs.isEmpty()) {
        return;
    }
    for (const RunKey& run : runs) {
        const ArchiveStatus status = archive_->Assign(run, place);
        if (!status.ok) {
            Report(false, status.error);
            return;
        }
    }
    Report(true, QString());
}

void ArchivePanel::RenameChosenPlace() {
    const std::optional<QString> from = ChosenPlace();
    const QString to = placeName_->currentText().trimmed();
    if (archive_ == nullptr || !from || to.isEmpty() || to == *from) {
        return;
    }
    const ArchiveStatus status = archive_->RenamePlace(*from, to);
    Report(status.ok, status.error);
    if (status.ok) {
        ChoosePlace(to);
    }
}

void ArchivePanel::MergeChosenPlace() {
    const std::optional<QString> from = ChosenPlace();
    const QString into = placeName_->currentText().trimmed();
    if (archive_ == nullptr || !from || into.isEmpty() || into == *from) {
        return;
    }
    const ArchiveStatus status = archive_->MergePlaces(*from, into);
    Report(status.ok, status.error);
    if (status.ok) {
        ChoosePlace(into);
    }
}

void ArchivePanel::FollowChoice() {
    ShowSite();
    UpdateControls();
    emit choiceChanged();
}

// The summary of the site of the choice, read once each time that site changes.
void ArchivePanel::ShowSite() {
    const QString site = archive_ ? ChosenSite().value_or(QString()) : QString();
    siteSummary_->setVisible(!site.isEmpty());
    if (site.isEmpty() || site == summarisedSite_) {
        summarisedSite_ = site;
        return;
    }
    summarisedSite_ = site;
    QString error;
    const std::optional<SiteInfo> info = archive_->Site(site, &error);
    const SiteDuplicates duplicates = info ? archive_->Duplicates(site, &error) : SiteDuplicates();
    if (!info || !error.isEmpty()) {
        siteSummary_->ShowProblem(error);
    } else {
        siteSummary_->Show(*info, duplicates);
    }
}

// Every button's enabled state, from the choice in the list and the name typed.
void ArchivePanel::UpdateControls() {
    const bool writable = archive_ != nullptr && !archive_->IsReadOnly();
    const QString typed = placeName_->currentText().trimmed();
    const std::optional<QString> place = ChosenPlace();
    const QList<RunKey> runs = ChosenRuns();
    placeName_->setEnabled(writable);
    assignButton_->setEnabled(writable && !typed.isEmpty() && !runs.isEmpty());
    renameButton_->setEnabled(writable && place && !typed.isEmpty() && typed != *place);
    mergeButton_->setEnabled(writable && place && !typed.isEmpty() && typed != *place);
    showButton_->setEnabled(place.has_value() || runs.size() == 1);
    yearViewButton_->setEnabled(place.has_value());
}

}  // namespace kelmor
