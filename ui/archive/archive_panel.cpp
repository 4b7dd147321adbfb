#include "archive_panel.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "archive/archive.h"
#include "data/measurement_image.h"
#include "ui/archive/counted.h"

namespace kelmor {

namespace {

enum Column { kName, kModel, kPeriod, kHours, kMean, kNote, kColumnCount };

// What an item of the list stands for.
enum ItemRole { kKindRole = Qt::UserRole, kPlaceRole, kSerialRole, kStartRole, kOfferRole };
enum ItemKind { kPlaceItem = 1, kUnassignedItem, kRunItem };

const QString kUnassigned = QStringLiteral("Runs in no place");

QString Period(DateTime first, DateTime last) {
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm");
    return QStringLiteral("%1 to %2")
        .arg(DateTimeToQt(first).toString(format), DateTimeToQt(last).toString(format));
}

QString Mean(double bqm3) {
    return QString::number(bqm3, 'f', 0);
}

QTreeWidgetItem* RunItem(const RunInfo& run) {
    auto* item = new QTreeWidgetItem;
    item->setText(kName, run.key.serial);
    item->setText(kModel, QLatin1String(LayoutOf(run.model).name));
    item->setText(kPeriod, Period(run.first, run.last));
    item->setText(kHours, QString::number(run.hours));
    item->setText(kMean, Mean(run.meanBqm3));
    QStringList notes;
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
    item->setToolTip(kName, QStringLiteral("Instrument %1, run started %2")
                                .arg(run.key.serial, FormatRunStart(run.key.startMinutes)));
    for (const int column : {kHours, kMean}) {
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    return item;
}

RunKey KeyOf(const QTreeWidgetItem* item) {
    return RunKey{item->data(kName, kSerialRole).toString(),
                  item->data(kName, kStartRole).toLongLong()};
}

int KindOf(const QTreeWidgetItem* item) {
    return item ? item->data(kName, kKindRole).toInt() : 0;
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
    tree_->setAccessibleName(QStringLiteral("Places and runs"));
    tree_->setAccessibleDescription(
        QStringLiteral("Each place with its runs: instrument, model, period, hours and mean "
                       "radon in Bq/m3. Enter shows the place or run in the chart."));
    tree_->setColumnCount(kColumnCount);
    tree_->setHeaderLabels({QStringLiteral("Place / instrument"), QStringLiteral("Model"),
                            QStringLiteral("Period"), QStringLiteral("Hours"),
                            QStringLiteral("Mean Bq/m3"), QStringLiteral("Note")});
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

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

    auto* controls = new QGridLayout;
    controls->addWidget(nameLabel, 0, 0);
    controls->addWidget(placeName_, 0, 1, 1, 3);
    controls->addWidget(assignButton_, 1, 0);
    controls->addWidget(renameButton_, 1, 1);
    controls->addWidget(mergeButton_, 1, 2);
    controls->addWidget(showButton_, 2, 0);
    controls->addWidget(yearViewButton_, 2, 1);
    controls->addWidget(refreshButton_, 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(tree_, 1);
    layout->addLayout(controls);

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &ArchivePanel::UpdateControls);
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

void ArchivePanel::Refresh() {
    const std::optional<QString> chosenPlace = ChosenPlace();
    const QList<RunKey> chosenRuns = ChosenRuns();
    QSet<QString> expanded;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        if (tree_->topLevelItem(i)->isExpanded()) {
            expanded.insert(tree_->topLevelItem(i)->text(kName));
        }
    }
    const bool firstListing = tree_->topLevelItemCount() == 0;
    tree_->clear();
    const QString typed = placeName_->currentText();
    placeName_->clear();

    if (archive_ == nullptr) {
        status_->setText(unavailableReason_.isEmpty()
                             ? QStringLiteral("No archive is open.")
                             : QStringLiteral("No archive: %1").arg(unavailableReason_));
        placeName_->setEditText(typed);
        UpdateControls();
        return;
    }
    QString error;
    const QList<PlaceInfo> places = archive_->Places(&error);
    const QList<RunInfo> runs = error.isEmpty() ? archive_->Runs(&error) : QList<RunInfo>();
    if (!error.isEmpty()) {
        status_->setText(error);
        placeName_->setEditText(typed);
        UpdateControls();
        return;
    }

    int conflicts = 0;
    for (const RunInfo& run : runs) {
        conflicts += run.conflicts;
    }
    QString status = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(archive_->Path()),
                                                  Counted(runs.size(), "run", "runs"));
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

    for (const PlaceInfo& place : places) {
        auto* item = new QTreeWidgetItem(tree_);
        item->setText(kName, place.name);
        item->setText(kHours, QString::number(place.hours));
        item->setText(kMean, place.hours > 0 ? Mean(place.meanBqm3) : QString());
        item->setText(kNote, Counted(place.runs, "run", "runs"));
        item->setData(kName, kKindRole, kPlaceItem);
        item->setData(kName, kPlaceRole, place.name);
        for (const int column : {kHours, kMean}) {
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
        QFont bold = item->font(kName);
        bold.setBold(true);
        item->setFont(kName, bold);
        placeName_->addItem(place.name);
    }
    QTreeWidgetItem* unassigned = nullptr;
    for (const RunInfo& run : runs) {
        QTreeWidgetItem* parent = run.place.isEmpty() ? nullptr : FindPlace(run.place);
        if (parent == nullptr) {
            if (unassigned == nullptr) {
                unassigned = new QTreeWidgetItem(tree_);
                unassigned->setText(kName, kUnassigned);
                unassigned->setData(kName, kKindRole, kUnassignedItem);
            }
            parent = unassigned;
        }
        parent->addChild(RunItem(run));
    }
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree_->topLevelItem(i);
        item->setExpanded(firstListing || KindOf(item) == kUnassignedItem ||
                          expanded.contains(item->text(kName)));
    }
    placeName_->setCurrentIndex(-1);
    placeName_->setEditText(typed);

    for (const RunKey& run : chosenRuns) {
        if (QTreeWidgetItem* item = FindRun(run)) {
            item->setSelected(true);
            tree_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        }
    }
    if (chosenPlace) {
        if (QTreeWidgetItem* item = FindPlace(*chosenPlace)) {
            item->setSelected(true);
            tree_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        }
    }
    UpdateControls();
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

void ArchivePanel::ChooseRun(const RunKey& run) {
    if (QTreeWidgetItem* item = FindRun(run)) {
        tree_->clearSelection();
        if (item->parent()) {
            item->parent()->setExpanded(true);
        }
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
        // A run offered a place has the offer ready in the field: Assign confirms it.
        const QString offer = item->data(kName, kOfferRole).toString();
        if (!offer.isEmpty()) {
            placeName_->setEditText(offer);
        }
    }
}

void ArchivePanel::ChoosePlace(const QString& place) {
    if (QTreeWidgetItem* item = FindPlace(place)) {
        tree_->clearSelection();
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
    }
}

QTreeWidgetItem* ArchivePanel::FindRun(const RunKey& run) const {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if (KindOf(*it) == kRunItem && KeyOf(*it) == run) {
            return *it;
        }
    }
    return nullptr;
}

QTreeWidgetItem* ArchivePanel::FindPlace(const QString& place) const {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree_->topLevelItem(i);
        if (KindOf(item) == kPlaceItem && item->data(kName, kPlaceRole).toString() == place) {
            return item;
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
