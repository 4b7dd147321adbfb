// kelmor-demo: the window program with a simulated Kelmor V7 attached, holding the V7
// sample memory, so that everything can be tried without an instrument.
#include <QApplication>
#include <QFile>

#include "data/safe_file.h"
#include "link/simulated_kelmor.h"
#include "ui/responsive_clock.h"
#include "ui/window_program.h"

int main(int argc, char** argv) {
    kelmor::IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    kelmor::ResponsiveClock clock;
    kelmor::SimulatedKelmor kelmor(clock, kelmor::Model::V7);
    kelmor.SetRecording(false);
    // Another FTDI gadget on the bus: discovery must pass it by.
    kelmor.AddGadget("FT232R USB UART", "A50285BI");
    kelmor.AddKelmor("USB <-> Serial Cable", "KLM70412");
    QFile memory(QStringLiteral(":/demo/kelmor-v7.Rn"));
    if (memory.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = memory.readAll();
        kelmor.LoadMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()));
    }
    // About two seconds for a whole memory, so that the read-out's progress shows.
    kelmor.SetTransferRate(65536);
    return kelmor::RunWindowProgram(app, kelmor, clock);
}
