#include "deployment_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelmor {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm");

// A date-time to the minute: the instrument dates its runs to the minute, and a deployment
// noted to the second would claim more than anyone wrote down.
QDateTime ToMinute(const QDateTime& time) {
    return QDateTime(time.date(), QTime(time.time().hour(), time.time().minute()));
}

QDateTimeEdit* TimeField(QWidget* parent, const char* name, const QString& accessibleName,
                         DateTime shown) {
    auto* field = new QDateTimeEdit(ToMinute(DateTimeToQt(shown)), parent);
    field->setObjectName(QLatin1String(name));
    field->setAccessibleName(accessibleName);
    field->setDisplayFormat(kTimeFormat);
    field->setCalendarPopup(true);
    return field;
}

}  // namespace

DeploymentDialog::DeploymentDialog(const RunInfo& run, const Deployment& deployment,
                                   const QStringList& testers, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("deploymentDialog"));
    setWindowTitle(QStringLiteral("Deployment of %1, run of %2")
                       .arg(run.key.serial, FormatRunStart(run.key.startMinutes)));

    tester_ = new QComboBox(this);
    tester_->setObjectName(QStringLiteral("testerField"));
    tester_->setEditable(true);
    tester_->setInsertPolicy(QComboBox::NoInsert);
    tester_->addItems(testers);
    tester_->setEditText(deployment.tester);
    tester_->setAccessibleName(QStringLiteral("Tester"));
    tester_->lineEdit()->setAccessibleName(tester_->accessibleName());
    tester_->view()->setAccessibleName(QStringLiteral("Testers recorded"));
    tester_->setToolTip(QStringLiteral("Who placed the instrument"));

    placement_ = new QLineEdit(deployment.placement, this);
    placement_->setObjectName(QStringLiteral("placementField"));
    placement_->setAccessibleName(QStringLiteral("Placement"));
    placement_->setPlaceholderText(QStringLiteral("Floor, room, height, distance from walls"));
    placement_->setToolTip(
        QStringLiteral("Where the instrument stood: floor, room, height above the floor, "
                       "distance from walls, windows and doors"));

    deviations_ = new QPlainTextEdit(deployment.deviations, this);
    deviations_->setObjectName(QStringLiteral("deviationsField"));
    deviations_->setAccessibleName(QStringLiteral("Deviations"));
    deviations_->setTabChangesFocus(true);
    deviations_->setFixedHeight(deviations_->fontMetrics().lineSpacing() * 4 + 12);
    deviations_->setToolTip(
        QStringLiteral("Departures from the measurement protocol: windows "
                       "opened, the instrument moved, a power cut, ..."));

    // The run's start is the beginning of its first hour; its last sample ends the last one.
    const DateTime runStart = RunStartTime(run.key.startMinutes);
    deployedChoice_ = new QCheckBox(QStringLiteral("Put in place &at"), this);
    deployedChoice_->setObjectName(QStringLiteral("deployedChoice"));
    deployedChoice_->setChecked(deployment.deployedAt.has_value());
    deployedChoice_->setToolTip(
        QStringLiteral("Tick when the instrument was put in place at "
                       "another time than the run's start (it may have "
                       "been started before it was placed)"));
    deployedAt_ = TimeField(this, "deployedAtField", QStringLiteral("Put in place at"),
                            deployment.deployedAt.value_or(runStart));
    retrievedChoice_ = new QCheckBox(QStringLiteral("&Taken away at"), this);
    retrievedChoice_->setObjectName(QStringLiteral("retrievedChoice"));
    retrievedChoice_->setChecked(deployment.retrievedAt.has_value());
    retrievedChoice_->setToolTip(
        QStringLiteral("Tick when the instrument was taken away at "
                       "another time than the run's last hour"));
    retrievedAt_ = TimeField(this, "retrievedAtField", QStringLiteral("Taken away at"),
                             deployment.retrievedAt.value_or(run.last));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("T&ester:"), tester_);
    form->addRow(QStringLiteral("&Placement:"), placement_);
    form->addRow(QStringLiteral("&Deviations:"), deviations_);
    form->addRow(deployedChoice_, deployedAt_);
    form->addRow(retrievedChoice_, retrievedAt_);

    auto* runTimes = new QLabel(QStringLiteral("The run measured from %1 to %2.")
                                    .arg(DateTimeToQt(runStart).toString(kTimeFormat),
                                         DateTimeToQt(run.last).toString(kTimeFormat)),
                                this);
    runTimes->setObjectName(QStringLiteral("runTimes"));
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("deploymentProblem"));
    problem_->setWordWrap(true);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("deploymentOkButton"));
    buttons_->button(QDialogButtonBox::Cancel)
        ->setObjectName(QStringLiteral("deploymentCancelButton"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(runTimes);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons_);
    setMinimumWidth(460);

    for (QCheckBox* choice : {deployedChoice_, retrievedChoice_}) {
        connect(choice, &QCheckBox::toggled, this, &DeploymentDialog::UpdateControls);
    }
    for (QDateTimeEdit* field : {deployedAt_, retrievedAt_}) {
        connect(field, &QDateTimeEdit::dateTimeChanged, this, &DeploymentDialog::UpdateControls);
    }
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateControls();
}

Deployment DeploymentDialog::Result() const {
    Deployment deployment;
    deployment.tester = tester_->currentText().trimmed();
    deployment.placement = placement_->text().trimmed();
    deployment.deviations = deviations_->toPlainText().trimmed();
    if (deployedChoice_->isChecked()) {
        deployment.deployedAt = DateTimeFromQt(ToMinute(deployedAt_->dateTime()));
    }
    if (retrievedChoice_->isChecked()) {
        deployment.retrievedAt = DateTimeFromQt(ToMinute(retrievedAt_->dateTime()));
    }
    return deployment;
}

void DeploymentDialog::UpdateControls() {
    deployedAt_->setEnabled(deployedChoice_->isChecked());
    retrievedAt_->setEnabled(retrievedChoice_->isChecked());
    // Unticked times are the run's own, which are in order; either one typed may not be.
    const bool reversed = (deployedChoice_->isChecked() || retrievedChoice_->isChecked()) &&
                          ToMinute(retrievedAt_->dateTime()) <= ToMinute(deployedAt_->dateTime());
    problem_->setText(reversed ? QStringLiteral("The instrument is taken away before it is put "
                                                "in place.")
                               : QString());
    problem_->setVisible(reversed);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!reversed);
}

}  // namespace kelmor
