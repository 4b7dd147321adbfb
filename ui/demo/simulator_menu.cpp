#include "simulator_menu.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSpinBox>

#include "simulator/passing_days.h"
#include "simulator/simulated_ftdi_bus.h"
#include "ui/main_window.h"

namespace kelmor {

namespace {

// A model code no Kelmor gives: the program must not take it for one.
constexpr std::uint8_t kWrongModelCode = '9';
constexpr std::uint8_t kEraseRefused = 'x';
// Halfway through the smallest memory (a V5 sends 16383 nibble bytes).
constexpr std::uint32_t kCutAfterBytes = 8000;

}  // namespace

SimulatorMenu::SimulatorMenu(SimulatedFtdiBus& bus, QByteArray sampleMemory, QWidget* parent)
    : QMenu(QStringLiteral("Simulator"), parent),
      bus_(bus),
      sampleMemory_(std::move(sampleMemory)) {
    setObjectName(QStringLiteral("simulatorMenu"));
    PluggedIn = Toggle(QStringLiteral("Kelmor plugged in"),
                       QStringLiteral("Unplug the simulated Kelmor, or plug it in again"),
                       &SimulatorMenu::Plug);
    PluggedIn->setChecked(bus_.KelmorPresent());
    addSeparator();
    Silent = Toggle(QStringLiteral("Stay silent"), QStringLiteral("The Kelmor answers nothing"),
                    &SimulatorMenu::Silence);
    ShortAnswers = Toggle(QStringLiteral("Answer short"),
                          QStringLiteral("Every answer of the Kelmor lacks its last byte"),
                          &SimulatorMenu::Shorten);
    WrongModel = Toggle(QStringLiteral("Answer a wrong model code"),
                        QStringLiteral("The Kelmor says it is a model the program does not know"),
                        &SimulatorMenu::MistakeModel);
    RefuseOpen = addMenu(QStringLiteral("Refuse the open"));
    auto* refusals = new QActionGroup(this);
    const QString refusalTexts[] = {QStringLiteral("No"), QStringLiteral("No permission"),
                                    QStringLiteral("Used by another program"),
                                    QStringLiteral("Another failure")};
    for (std::size_t i = 0; i < OpenRefusals.size(); ++i) {
        QAction* refusal = RefuseOpen->addAction(refusalTexts[i]);
        refusal->setCheckable(true);
        refusals->addAction(refusal);
        connect(refusal, &QAction::triggered, this, [this, refusal] { Refuse(refusal); });
        OpenRefusals[i] = refusal;
    }
    OpenRefusals[0]->setChecked(true);
    EraseNotConfirmed =
        Toggle(QStringLiteral("Answer the erase with another byte than \"e\""),
               QStringLiteral("The Kelmor does not confirm an erase"), &SimulatorMenu::DenyErase);
    UnplugDuringReadOut =
        Toggle(QStringLiteral("Unplug during the next read-out"),
               QStringLiteral("The Kelmor goes away halfway through sending its memory"),
               &SimulatorMenu::CutNextReadOut);
    addSeparator();
    RestoreMemory = addAction(QStringLiteral("Restore the sample memory"));
    RestoreMemory->setToolTip(QStringLiteral("After an erase: the sample measurements again"));
    connect(RestoreMemory, &QAction::triggered, this, &SimulatorMenu::Restore);
    // A menu item's accessible name is its text.
    PassingDays = addAction(QStringLiteral("Let N days pass..."));
    PassingDays->setToolTip(QStringLiteral(
        "The Kelmor records hourly samples for some days, as between two read-outs"));
    connect(PassingDays, &QAction::triggered, this, &SimulatorMenu::PassDays);
    setToolTipsVisible(true);
    connect(this, &QMenu::aboutToShow, this, &SimulatorMenu::ShowBusState);
}

QAction* SimulatorMenu::Toggle(const QString& text, const QString& tip,
                               void (SimulatorMenu::*apply)(bool)) {
    QAction* action = addAction(text);
    action->setCheckable(true);
    action->setToolTip(tip);
    connect(action, &QAction::toggled, this, apply);
    return action;
}

void SimulatorMenu::Plug(bool pluggedIn) {
    if (pluggedIn) {
        bus_.Plug();
    } else {
        bus_.Unplug();
    }
}

void SimulatorMenu::Silence(bool silent) {
    bus_.Kelmor()->SetSilent(silent);
}

void SimulatorMenu::Shorten(bool shortAnswers) {
    bus_.Kelmor()->SetShortReplies(shortAnswers ? 1 : 0);
}

void SimulatorMenu::MistakeModel(bool wrong) {
    bus_.Kelmor()->SetModelCode(wrong ? std::optional<std::uint8_t>(kWrongModelCode)
                                      : std::nullopt);
}

void SimulatorMenu::Refuse(QAction* refusal) {
    const std::optional<LinkStatus> causes[] = {std::nullopt, LinkStatus::NoAccess,
                                                LinkStatus::InUse, LinkStatus::Io};
    for (std::size_t i = 0; i < OpenRefusals.size(); ++i) {
        if (OpenRefusals[i] == refusal) {
            bus_.RefuseOpen(causes[i]);
        }
    }
}

void SimulatorMenu::DenyErase(bool denied) {
    bus_.Kelmor()->SetEraseReply(denied ? kEraseRefused : 'e');
}

void SimulatorMenu::CutNextReadOut(bool cut) {
    if (cut) {
        bus_.Kelmor()->CutLineDuringMemoryReply(kCutAfterBytes);
    } else {
        bus_.Kelmor()->KeepLineWhole();
    }
}

// A cut line unplugs the Kelmor: the menu shows the bus as it is now.
void SimulatorMenu::ShowBusState() {
    const QSignalBlocker plugged(PluggedIn);
    PluggedIn->setChecked(bus_.KelmorPresent());
    const QSignalBlocker cut(UnplugDuringReadOut);
    UnplugDuringReadOut->setChecked(bus_.Kelmor()->CutPending());
}

void SimulatorMenu::Restore() {
    bus_.Kelmor()->LoadMemory(reinterpret_cast<const std::uint8_t*>(sampleMemory_.constData()),
                              static_cast<std::size_t>(sampleMemory_.size()));
}

// Asks how many days and where they go, then lets the Kelmor record them.
void SimulatorMenu::PassDays() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Let N days pass"));
    auto* days = new QSpinBox(&dialog);
    days->setRange(1, 365);
    days->setValue(7);
    days->setAccessibleName(QStringLiteral("Days"));
    auto* newRun = new QCheckBox(QStringLiteral("Start a new run"), &dialog);
    newRun->setToolTip(
        QStringLiteral("A new measurement that ends now, instead of the current one going on"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Days:"), days);
    form->addRow(newRun);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const DaysPassedResult result = LetDaysPass(
        *bus_.Kelmor(), days->value(), newRun->isChecked() ? RunChoice::New : RunChoice::Current);
    QString refusal;
    switch (result) {
        case DaysPassedResult::RunExtended:
        case DaysPassedResult::RunStarted:
        case DaysPassedResult::NoDays:
            return;
        case DaysPassedResult::MemoryFull:
            refusal = QStringLiteral(
                          "The Kelmor's memory has no room for %1 days: nothing was "
                          "recorded. Erase it, or let fewer days pass.")
                          .arg(days->value());
            break;
        case DaysPassedResult::DirectoryFull:
            refusal = QStringLiteral(
                "The Kelmor holds 27 measurements, all its directory has "
                "room for: no new run was started.");
            break;
        case DaysPassedResult::MemoryUnknown:
            refusal = QStringLiteral(
                "The Kelmor's memory is not as the instrument writes it: "
                "nothing was recorded.");
            break;
    }
    QMessageBox::warning(this, QStringLiteral("Let N days pass"), refusal);
}

SimulatorMenu* AddSimulatorMenu(MainWindow& window, SimulatedFtdiBus& bus,
                                QByteArray sampleMemory) {
    auto* menu = new SimulatorMenu(bus, std::move(sampleMemory), &window);
    menu->setPalette(window.palette());
    window.menuBar()->insertMenu(window.findChild<QMenu*>(QStringLiteral("helpMenu"))->menuAction(),
                                 menu);
    return menu;
}

}  // namespace kelmor
