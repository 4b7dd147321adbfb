// Opening a place of ten years of hourly samples in the window and drawing it, as a user
// does: the place chosen in the Archive panel, Show clicked, the chart painted.
//
//   bench_archive_window FOLDER   FOLDER/archive.sqlite as bench_archive leaves it
//
// Prints each of seven rounds and their median; the goal is 200 ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/clock.h"
#include "simulator/simulated_ftdi_bus.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER (where bench_archive built archive.sqlite)\n",
                     argv[0]);
        return 1;
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    kelmor::SystemClock clock;
    kelmor::SimulatedFtdiBus bus(clock, kelmor::Model::V7);  // no Kelmor attached
    QTemporaryDir working;
    kelmor::WindowSetup setup;
    setup.driver = &bus;
    setup.clock = &clock;
    setup.workingFolder = working.path();
    setup.archivePath = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/archive.sqlite");
    kelmor::MainWindow window(setup);
    window.resize(1280, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was never shown\n");
        return 2;
    }
    QTest::keyClick(&window, Qt::Key_F8);
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("archiveTree"));
    auto* show = window.findChild<QPushButton*>(QStringLiteral("showButton"));
    auto* chart = window.findChild<QWidget*>(QStringLiteral("chart"));
    const QList<QTreeWidgetItem*> places =
        tree->findItems(QStringLiteral("Room 0"), Qt::MatchExactly);
    if (places.isEmpty() || show == nullptr || chart == nullptr) {
        std::fprintf(stderr, "no place \"Room 0\" in %s\n", qPrintable(setup.archivePath));
        return 2;
    }
    tree->setCurrentItem(places.front());

    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(show, Qt::LeftButton);
        chart->repaint();
        rounds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        std::printf("round %d: %.1f ms\n", round + 1, rounds.back());
        QApplication::processEvents();
    }
    std::sort(rounds.begin(), rounds.end());
    std::printf("opening a place of %d samples and drawing it: median %.1f ms (goal 200)\n",
                window.Data().LastSampleIndex + 1, rounds[rounds.size() / 2]);
    return 0;
}
