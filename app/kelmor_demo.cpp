// kelmor-demo: the window program with a simulated Kelmor V7 attached, holding the V7
// sample memory, so that everything can be tried without an instrument.
#include <QApplication>
#include <QFile>

#include "data/safe_file.h"
#include "link/clock.h"
#include "simulator/simulated_ftdi_bus.h"
#include "ui/window_program.h"

int main(int argc, char** argv) {
    kelmor::IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    kelmor::SystemClock clock;
    kelmor::SimulatedFtdiBus bus(clock, kelmor::Model::V7);
    // Another FTDI gadget on the bus: discovery must pass it by.
    bus.AddGadget("FT232R USB UART", "A50285BI");
    bus.AddKelmor("USB <-> Serial Cable", "KLM70412");
    {
        const auto kelmor = bus.Kelmor();
        kelmor->SetRecording(false);
        QFile memory(QStringLiteral(":/demo/kelmor-v7.Rn"));
        if (memory.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = memory.readAll();
            kelmor->LoadMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size()));
        }
        // About two seconds for a whole memory, so that the read-out's progress shows.
        kelmor->SetTransferRate(65536);
    }
    return kelmor::RunWindowProgram(app, bus, clock);
}
