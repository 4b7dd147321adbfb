// Takes the README's screenshots of the main views from the sample files, with a
// simulated Kelmor attached: take_screenshots OUTPUT_FOLDER (run it under Xvfb, see
// scripts/screenshots).
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "simulator/simulated_ftdi_bus.h"
#include "ui/chart/kelmor_chart.h"
#include "ui/dialogs/about_box.h"
#include "ui/help/user_guide.h"
#include "ui/main_window.h"
#include "link/clock.h"

namespace {

using namespace kelmor;

bool Save(QWidget& widget, const QDir& out, const char* name) {
    QApplication::processEvents();
    widget.repaint();
    QApplication::processEvents();
    const QString path = out.filePath(QLatin1String(name));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "take_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void Choose(TForm1& window, int index) {
    window.ComboBox3->setCurrentIndex(index);
    window.ComboBox3Change(window.ComboBox3);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: take_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString samples = QStringLiteral(KELMOR_SOURCE_DIR "/samples/");

    SystemClock clock;
    SimulatedFtdiBus kelmor(clock, Model::V7);
    kelmor.AddKelmor("USB <-> Serial Cable", "KLM70412");
    WindowSetup setup;
    setup.driver = &kelmor;
    setup.clock = &clock;
    setup.workingFolder = QDir::tempPath();
    TForm1 window(setup);
    window.resize(1000, 560);
    window.show();
    bool ok = QTest::qWaitForWindowExposed(&window);
    ok &= Save(window, out, "empty-state.png");

    ok &= window.OpenDataFile(samples + QStringLiteral("kelmor-v7.Rn"));
    Choose(window, 3);
    ok &= Save(window, out, "pulse-distribution.png");
    window.PulseDistributionandMean1Click(window.PulseDistributionandMean1);
    window.ComboBox2->setCurrentIndex(4);
    window.ComboBox2Change(window.ComboBox2);
    ok &= Save(window, out, "pulse-distribution-and-24h-mean.png");
    window.MeanandmeanError1Click(window.MeanandmeanError1);
    window.Temperature->trigger();
    ok &= Save(window, out, "mean-error-and-temperature.png");
    window.Temperature->trigger();
    Choose(window, 8);
    ok &= Save(window, out, "all-measurements.png");

    // A zoom into a week of the fourth measurement, as a mouse drag does it.
    Choose(window, 3);
    window.Pressure->trigger();
    const QRect plot = window.Chart1->axisRect()->rect();
    const QPoint from(plot.left() + plot.width() * 2 / 5, plot.top() + 5);
    const QPoint to(plot.left() + plot.width() * 3 / 5, plot.bottom() - 5);
    QTest::mousePress(window.Chart1, Qt::LeftButton, {}, from);
    QTest::mouseMove(window.Chart1, to);
    QTest::mouseRelease(window.Chart1, Qt::LeftButton, {}, to);
    ok &= Save(window, out, "zoomed-with-pressure.png");

    window.About->show();
    ok &= QTest::qWaitForWindowExposed(window.About);
    ok &= Save(*window.About, out, "about.png");
    window.About->hide();

    window.UserGuide1->trigger();
    ok &= QTest::qWaitForWindowExposed(window.Guide);
    ok &= Save(*window.Guide, out, "user-guide.png");
    window.Guide->hide();
    return ok ? 0 : 1;
}
