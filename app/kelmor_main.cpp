// kelmor: the window program, talking to a Kelmor on USB through libftdi1.
#include <QApplication>

#include "archive/archive.h"
#include "data/safe_file.h"
#include "link/clock.h"
#include "link/libftdi_driver.h"
#include "ui/window_program.h"

int main(int argc, char** argv) {
    kelmor::IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    kelmor::SystemClock clock;
    kelmor::LibFtdiDriver driver;
    return kelmor::RunWindowProgram(app, driver, clock, kelmor::Archive::DefaultPath());
}
