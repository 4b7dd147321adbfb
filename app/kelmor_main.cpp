// kelmor: the window program, talking to a Kelmor on USB through libftdi1.
#include <QApplication>

#include "data/safe_file.h"
#include "link/libftdi_driver.h"
#include "ui/responsive_clock.h"
#include "ui/window_program.h"

int main(int argc, char** argv) {
    kelmor::IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    kelmor::ResponsiveClock clock;
    kelmor::LibFtdiDriver driver(clock);
    return kelmor::RunWindowProgram(app, driver, clock);
}
