#pragma once

#include <QByteArray>
#include <QMenu>
#include <array>

#include "link/link_status.h"

class QActionGroup;

namespace kelmor {

class SimulatedFtdiBus;
class MainWindow;

// The demonstration's own menu, "Simulator": makes the simulated Kelmor misbehave on
// request, so that each way a real instrument can fail is seen, with the message the
// program gives for it. Each item stays in force until it is taken back; "Unplug during
// the next read-out" is spent once it has happened.
class SimulatorMenu : public QMenu {
    Q_OBJECT

  public:
    // `sampleMemory` is what "Restore the sample memory" loads after an erase.
    SimulatorMenu(SimulatedFtdiBus& bus, QByteArray sampleMemory, QWidget* parent = nullptr);

    QAction* PluggedIn = nullptr;
    QAction* Silent = nullptr;
    QAction* ShortAnswers = nullptr;
    QAction* WrongModel = nullptr;
    QMenu* RefuseOpen = nullptr;
    // None, no permission, used by another program, another failure.
    std::array<QAction*, 4> OpenRefusals{};
    QAction* EraseNotConfirmed = nullptr;
    QAction* UnplugDuringReadOut = nullptr;
    QAction* RestoreMemory = nullptr;
    QAction* PassingDays = nullptr;

  private:
    QAction* Toggle(const QString& text, const QString& tip, void (SimulatorMenu::*apply)(bool));
    void Plug(bool pluggedIn);
    void Silence(bool silent);
    void Shorten(bool shortAnswers);
    void MistakeModel(bool wrong);
    void Refuse(QAction* refusal);
    void DenyErase(bool denied);
    void CutNextReadOut(bool cut);
    void ShowBusState();
    void Restore();
    void PassDays();

    SimulatedFtdiBus& bus_;
    QByteArray sampleMemory_;
};

// Adds the Simulator menu to the window's menu bar, before Help.
SimulatorMenu* AddSimulatorMenu(MainWindow& window, SimulatedFtdiBus& bus, QByteArray sampleMemory);

}  // namespace kelmor
