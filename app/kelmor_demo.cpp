// kelmor-demo: the window program with a simulated Kelmor V7 attached, holding the V7
// sample memory, so that everything can be tried without an instrument; its Simulator
// menu makes the Kelmor misbehave, so that every failure can be seen too.
#include <QApplication>
#include <QDir>
#include <QFile>

#include "data/safe_file.h"
#include "link/clock.h"
#include "simulator/simulated_ftdi_bus.h"
#include "ui/demo/simulator_menu.h"
#include "ui/window_program.h"

int main(int argc, char** argv) {
    kelmor::IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    kelmor::SystemClock clock;
    kelmor::SimulatedFtdiBus bus(clock, kelmor::Model::V7);
    // Another FTDI gadget on the bus: discovery must pass it by.
    bus.AddGadget("FT232R USB UART", "A50285BI");
    bus.AddKelmor("USB <-> Serial Cable", "KLM70412");
    QFile file(QStringLiteral(":/demo/kelmor-v7.Rn"));
    const QByteArray memory = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    {
        const auto kelmor = bus.Kelmor();
        kelmor->SetRecording(false);
        kelmor->LoadMemory(reinterpret_cast<const std::uint8_t*>(memory.constData()),
                           static_cast<std::size_t>(memory.size()));
        // About two seconds for a whole memory, so that the read-out's progress shows.
        kelmor->SetTransferRate(65536);
    }
    // The demonstration's read-outs go to an archive of its own in its working folder,
    // never into the user's.
    const QString archive = QDir::current().filePath(QStringLiteral("demo-archive.sqlite"));
    return kelmor::RunWindowProgram(app, bus, clock, archive,
                                    [&bus, &memory](kelmor::MainWindow& window) {
                                        kelmor::AddSimulatorMenu(window, bus, memory);
                                    });
}
