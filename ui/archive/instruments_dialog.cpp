#include "instruments_dialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "archive/archive.h"
#include "data/measurement_image.h"
#include "ui/archive/calibration_warning.h"
#include "ui/desktop_dialogs.h"

namespace kelmor {

namespace {

enum InstrumentColumn { kSerial, kModel, kRuns, kLastCalibration, kState, kInstrumentColumns };

QTableWidget* Table(QWidget* parent, const char* name, const QString& accessibleName,
                    const QStringList& headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(QLatin1String(name));
    table->setAccessibleName(accessibleName);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& texts) {
    for (int column = 0; column < texts.size(); ++column) {
        table->setItem(row, column, new QTableWidgetItem(texts.at(column)));
    }
}

QString Day(DateTime time) {
    return DateTimeToQt(time).toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

InstrumentsDialog::InstrumentsDialog(Archive& archive, const QDateTime& now,
                                     DesktopDialogs& dialogs, QWidget* parent)
    : QDialog(parent), archive_(archive), now_(now), dialogs_(dialogs) {
    setObjectName(QStringLiteral("instrumentsDialog"));
    setWindowTitle(QStringLiteral("Instruments"));

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("instrumentList"));
    list_->setAccessibleName(QStringLiteral("Instruments"));
    list_->setAccessibleDescription(
        QStringLiteral("Each instrument: serial number, model, runs, last calibration and "
                       "whether a calibration is due"));
    list_->setHeaderLabels({QStringLiteral("Serial number"), QStringLiteral("Model"),
                            QStringLiteral("Runs"), QStringLiteral("Last calibration"),
                            QStringLiteral("Calibration")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    warning_ = new QLabel(this);
    warning_->setObjectName(QStringLiteral("calibrationWarning"));
    warning_->setWordWrap(true);
    warning_->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));

    factors_ = Table(this, "factorTable", QStringLiteral("Calibration factors seen"),
                     {QStringLiteral("Factor Bq/m3 per pulse"), QStringLiteral("First seen"),
                      QStringLiteral("Last seen")});
    factors_->setToolTip(
        QStringLiteral("The calibration factors the instrument's memory "
                       "carried, and the read-outs that first and last "
                       "showed each"));
    calibrations_ = Table(this, "calibrationTable", QStringLiteral("Calibrations recorded"),
                          {QStringLiteral("Date"), QStringLiteral("Certificate")});

    calibrationDate_ = new QDateEdit(now.date(), this);
    calibrationDate_->setObjectName(QStringLiteral("calibrationDateField"));
    calibrationDate_->setAccessibleName(QStringLiteral("Calibration date"));
    calibrationDate_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    calibrationDate_->setCalendarPopup(true);
    calibrationDate_->setToolTip(QStringLiteral("The date on the laboratory's certificate"));
    certificate_ = new QLineEdit(this);
    certificate_->setObjectName(QStringLiteral("certificateField"));
    certificate_->setAccessibleName(QStringLiteral("Certificate"));
    certificate_->setPlaceholderText(QStringLiteral("Certificate reference"));
    certificate_->setToolTip(QStringLiteral("The reference of the calibration certificate"));
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("calibrationProblem"));

    const auto button = [this](const char* name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    addButton_ = button("addCalibrationButton", QStringLiteral("&Add calibration"),
                        QStringLiteral("Record the calibration of the date and certificate "
                                       "typed"));
    removeButton_ = button("removeCalibrationButton", QStringLiteral("&Remove calibration..."),
                           QStringLiteral("Remove the chosen calibration from the record"));
    forgetButton_ = button("forgetInstrumentButton", QStringLiteral("&Forget instrument..."),
                           QStringLiteral("Remove the calibrations and deployments recorded "
                                          "of the instrument; its sources and runs stay"));

    auto* factorsBox =
        new QGroupBox(QStringLiteral("Calibration factors its memory carried"), this);
    auto* factorsLayout = new QVBoxLayout(factorsBox);
    factorsLayout->addWidget(factors_);

    auto* calibrationsBox = new QGroupBox(QStringLiteral("Calibrations"), this);
    auto* calibrationsLayout = new QGridLayout(calibrationsBox);
    auto* dateLabel = new QLabel(QStringLiteral("&Date:"), calibrationsBox);
    dateLabel->setBuddy(calibrationDate_);
    auto* certificateLabel = new QLabel(QStringLiteral("&Certificate:"), calibrationsBox);
    certificateLabel->setBuddy(certificate_);
    calibrationsLayout->addWidget(calibrations_, 0, 0, 1, 4);
    calibrationsLayout->addWidget(dateLabel, 1, 0);
    calibrationsLayout->addWidget(calibrationDate_, 1, 1);
    calibrationsLayout->addWidget(certificateLabel, 1, 2);
    calibrationsLayout->addWidget(certificate_, 1, 3);
    calibrationsLayout->addWidget(problem_, 2, 0, 1, 4);
    auto* calibrationButtons = new QHBoxLayout;
    calibrationButtons->addWidget(addButton_);
    calibrationButtons->addWidget(removeButton_);
    calibrationButtons->addStretch(1);
    calibrationsLayout->addLayout(calibrationButtons, 3, 0, 1, 4);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("instrumentsCloseButton"));
    // Enter in the certificate field records the calibration; it does not close the dialog.
    close->setAutoDefault(false);
    buttons->addButton(forgetButton_, QDialogButtonBox::ActionRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(warning_);
    layout->addWidget(factorsBox, 1);
    layout->addWidget(calibrationsBox, 1);
    layout->addWidget(buttons);
    resize(620, 620);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &InstrumentsDialog::ShowChosen);
    connect(calibrations_, &QTableWidget::itemSelectionChanged, this,
            &InstrumentsDialog::UpdateControls);
    connect(calibrationDate_, &QDateEdit::dateChanged, this, &InstrumentsDialog::UpdateControls);
    connect(certificate_, &QLineEdit::returnPressed, this, &InstrumentsDialog::AddCalibration);
    connect(addButton_, &QPushButton::clicked, this, &InstrumentsDialog::AddCalibration);
    connect(removeButton_, &QPushButton::clicked, this, &InstrumentsDialog::RemoveCalibration);
    connect(forgetButton_, &QPushButton::clicked, this, &InstrumentsDialog::ForgetInstrument);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    List();
    if (list_->topLevelItemCount() > 0) {
        list_->setCurrentItem(list_->topLevelItem(0));
    }
}

void InstrumentsDialog::ChooseInstrument(const QString& serial) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->text(kSerial) == serial) {
            list_->setCurrentItem(list_->topLevelItem(i));
        }
    }
}

void InstrumentsDialog::List() {
    const QString chosen = list_->currentItem() ? list_->currentItem()->text(kSerial) : QString();
    QString error;
    instruments_ = archive_.Instruments(&error);
    const QSignalBlocker quiet(list_);
    list_->clear();
    const DateTime now = DateTimeFromQt(now_);
    for (const InstrumentInfo& instrument : instruments_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kSerial, instrument.serial);
        item->setText(kModel, QLatin1String(LayoutOf(instrument.model).name));
        item->setText(kRuns, QString::number(instrument.runs));
        item->setText(kLastCalibration, instrument.lastCalibration
                                            ? instrument.lastCalibration->toString(Qt::ISODate)
                                            : QStringLiteral("none"));
        const QString warning = CalibrationWarning(&instrument, now);
        if (warning.isEmpty() && instrument.lastCalibration) {
            item->setText(
                kState, QStringLiteral("next due %1")
                            .arg(instrument.lastCalibration->addMonths(12).toString(Qt::ISODate)));
        } else {
            item->setText(kState, warning);
            item->setIcon(kState, style()->standardIcon(QStyle::SP_MessageBoxWarning));
            item->setForeground(kState, QColor(160, 0, 0));
        }
        item->setTextAlignment(kRuns, Qt::AlignRight | Qt::AlignVCenter);
        if (instrument.serial == chosen) {
            list_->setCurrentItem(item);
        }
    }
    if (!error.isEmpty()) {
        Say(error);
    }
    ShowChosen();
}

const InstrumentInfo* InstrumentsDialog::Chosen() const {
    QTreeWidgetItem* item = list_->currentItem();
    const int row = item ? list_->indexOfTopLevelItem(item) : -1;
    return row >= 0 && row < instruments_.size() ? &instruments_.at(row) : nullptr;
}

void InstrumentsDialog::ShowChosen() {
    const InstrumentInfo* instrument = Chosen();
    factors_->setRowCount(0);
    calibrations_->setRowCount(0);
    warning_->clear();
    if (instrument != nullptr) {
        const QString warning = CalibrationWarning(instrument, DateTimeFromQt(now_));
        if (!warning.isEmpty()) {
            warning_->setText(QStringLiteral("%1: %2. Every report of its runs will say so.")
                                  .arg(instrument->serial, warning));
        }
        const QLocale locale;
        factors_->setRowCount(static_cast<int>(instrument->factorsSeen.size()));
        for (int row = 0; row < instrument->factorsSeen.size(); ++row) {
            const CalibrationFactorSeen& seen = instrument->factorsSeen.at(row);
            SetRow(factors_, row,
                   {locale.toString(static_cast<double>(seen.factor), 'f', 2), Day(seen.firstSeen),
                    Day(seen.lastSeen)});
        }
        calibrations_->setRowCount(static_cast<int>(instrument->calibrations.size()));
        for (int row = 0; row < instrument->calibrations.size(); ++row) {
            const CalibrationRecord& record = instrument->calibrations.at(row);
            SetRow(calibrations_, row, {record.date.toString(Qt::ISODate), record.certificate});
        }
    }
    warning_->setVisible(!warning_->text().isEmpty());
    UpdateControls();
}

void InstrumentsDialog::UpdateControls() {
    const InstrumentInfo* instrument = Chosen();
    const bool writable = instrument != nullptr && !archive_.IsReadOnly();
    const QDate date = calibrationDate_->date();
    bool recorded = false;
    if (instrument != nullptr) {
        for (const CalibrationRecord& record : instrument->calibrations) {
            recorded = recorded || record.date == date;
        }
    }
    // A certificate cannot be dated after the day it is entered.
    const bool future = date > now_.date();
    problem_->setText(future     ? QStringLiteral("The date lies after today.")
                      : recorded ? QStringLiteral("A calibration of that date is recorded.")
                                 : QString());
    problem_->setVisible(writable && !problem_->text().isEmpty());
    calibrationDate_->setEnabled(writable);
    certificate_->setEnabled(writable);
    addButton_->setEnabled(writable && !future && !recorded);
    removeButton_->setEnabled(writable && !calibrations_->selectedItems().isEmpty());
    forgetButton_->setEnabled(writable);
}

void InstrumentsDialog::AddCalibration() {
    const InstrumentInfo* instrument = Chosen();
    if (instrument == nullptr || !addButton_->isEnabled()) {
        return;
    }
    const CalibrationRecord record{calibrationDate_->date(), certificate_->text().trimmed()};
    const ArchiveStatus status = archive_.AddCalibration(instrument->serial, record);
    if (!status.ok) {
        Say(status.error);
        return;
    }
    certificate_->clear();
    List();
}

void InstrumentsDialog::RemoveCalibration() {
    const InstrumentInfo* instrument = Chosen();
    const int row = calibrations_->currentRow();
    if (instrument == nullptr || row < 0 || row >= instrument->calibrations.size()) {
        return;
    }
    const CalibrationRecord record = instrument->calibrations.at(row);
    const QString serial = instrument->serial;
    if (!Ask(QStringLiteral("Remove the calibration of %1 dated %2 from the record?")
                 .arg(serial, record.date.toString(Qt::ISODate)))) {
        return;
    }
    const ArchiveStatus status = archive_.RemoveCalibration(serial, record.date);
    if (!status.ok) {
        Say(status.error);
    }
    List();
}

void InstrumentsDialog::ForgetInstrument() {
    const InstrumentInfo* instrument = Chosen();
    if (instrument == nullptr) {
        return;
    }
    const QString serial = instrument->serial;
    if (!Ask(QStringLiteral("Forget the instrument %1?\n\nIts calibrations and the deployments "
                            "of its runs are removed from the record. Its sources, runs and "
                            "samples stay in the archive.")
                 .arg(serial))) {
        return;
    }
    const ArchiveStatus status = archive_.ForgetInstrument(serial);
    if (!status.ok) {
        Say(status.error);
    }
    List();
}

bool InstrumentsDialog::Ask(const QString& question) {
    QMessageBox box(QMessageBox::Question, windowTitle(), question,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    return dialogs_.ExecOwn(box) == QMessageBox::Yes;
}

void InstrumentsDialog::Say(const QString& failure) {
    QMessageBox box(QMessageBox::Critical, windowTitle(), failure, QMessageBox::Ok, this);
    dialogs_.ExecOwn(box);
}

}  // namespace kelmor
