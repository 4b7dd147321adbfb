#include "simulator_menu.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QSignalBlocker>

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

SimulatorMenu* AddSimulatorMenu(MainWindow& window, SimulatedFtdiBus& bus,
                                QByteArray sampleMemory) {
    auto* menu = new SimulatorMenu(bus, std::move(sampleMemory), &window);
    menu->setPalette(window.palette());
    window.menuBar()->insertMenu(window.findChild<QMenu*>(QStringLiteral("helpMenu"))->menuAction(),
                                 menu);
    return menu;
}

}  // namespace kelmor
