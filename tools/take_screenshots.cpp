// Takes the README's screenshots of the main views from the sample files, with a
// simulated Kelmor attached and the demo's Simulator menu, and writes a report of the
// fourth measurement as report.pdf: take_screenshots OUTPUT_FOLDER (run it under Xvfb,
// see scripts/screenshots, which turns the report's first page into a picture).
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "link/clock.h"
#include "simulator/simulated_ftdi_bus.h"
#include "ui/chart/kelmor_chart.h"
#include "ui/demo/simulator_menu.h"
#include "ui/desktop_dialogs.h"
#include "ui/dialogs/about_box.h"
#include "ui/help/user_guide_window.h"
#include "ui/main_window.h"

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

// The screen where the window is, with whatever menu is open over it.
bool SaveScreen(QWidget& window, const QDir& out, const char* name) {
    QApplication::processEvents();
    const QRect frame = window.frameGeometry();
    const QPixmap screen =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = out.filePath(QLatin1String(name));
    if (!screen.save(path)) {
        std::fprintf(stderr, "take_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Answers the report's file dialog with a path of the output folder, and Add to archive
// with the simulated Kelmor's serial number.
class ReportDialogs : public DesktopDialogs {
  public:
    explicit ReportDialogs(QString path) : path_(std::move(path)) {}
    bool ExecFile(QFileDialog& dialog) override {
        dialog.selectFile(path_);
        return true;
    }
    int ExecOwn(QDialog& dialog) override {
        if (auto* ask = qobject_cast<QInputDialog*>(&dialog)) {
            ask->setTextValue(QStringLiteral("KLM70412"));
            return QDialog::Accepted;
        }
        return DesktopDialogs::ExecOwn(dialog);
    }

  private:
    QString path_;
};

// A menu item of the window, by its objectName.
QAction* Item(const MainWindow& window, const char* name) {
    return window.findChild<QAction*>(QLatin1String(name));
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
    ReportDialogs dialogs(out.filePath(QStringLiteral("report.pdf")));
    WindowSetup setup;
    setup.driver = &kelmor;
    setup.clock = &clock;
    setup.dialogs = &dialogs;
    setup.workingFolder = QDir::tempPath();
    QTemporaryDir archiveFolder;
    setup.archivePath = archiveFolder.filePath(QStringLiteral("archive.sqlite"));
    MainWindow window(setup);
    SimulatorMenu* simulator = AddSimulatorMenu(window, kelmor, QByteArray());
    window.resize(1000, 560);
    window.show();
    bool ok = QTest::qWaitForWindowExposed(&window);
    ok &= Save(window, out, "empty-state.png");

    ok &= window.OpenDataFile(samples + QStringLiteral("kelmor-v7.Rn"));
    window.ChooseMeasurement(3);
    ok &= Save(window, out, "pulse-distribution.png");
    Item(window, "pulseDistributionAndMeanAction")->trigger();
    QComboBox* means = window.findChild<QComboBox*>(QStringLiteral("meanIntervalList"));
    means->setCurrentIndex(4);
    emit means->activated(4);
    ok &= Save(window, out, "pulse-distribution-and-24h-mean.png");
    Item(window, "meanAndMeanErrorAction")->trigger();
    Item(window, "temperatureAction")->trigger();
    ok &= Save(window, out, "mean-error-and-temperature.png");
    Item(window, "temperatureAction")->trigger();
    window.ChooseMeasurement(8);
    ok &= Save(window, out, "all-measurements.png");

    // A zoom into a week of the fourth measurement, as a mouse drag does it.
    window.ChooseMeasurement(3);
    Item(window, "pressureAction")->trigger();
    KelmorChart* chart = window.findChild<KelmorChart*>(QStringLiteral("chart"));
    const QRect plot = chart->axisRect()->rect();
    const QPoint from(plot.left() + plot.width() * 2 / 5, plot.top() + 5);
    const QPoint to(plot.left() + plot.width() * 3 / 5, plot.bottom() - 5);
    QTest::mousePress(chart, Qt::LeftButton, {}, from);
    QTest::mouseMove(chart, to);
    QTest::mouseRelease(chart, Qt::LeftButton, {}, to);
    ok &= Save(window, out, "zoomed-with-pressure.png");

    // The summary beside the chart, with the EU reference level, and its report.
    Item(window, "pressureAction")->trigger();
    window.ChooseMeasurement(3);
    window.findChildren<QAction*>(QStringLiteral("referencePresetAction")).value(2)->trigger();
    Item(window, "summaryAction")->trigger();
    window.resize(1280, 640);
    ok &= Save(window, out, "summary.png");
    Item(window, "saveReportAction")->trigger();
    Item(window, "summaryAction")->trigger();
    window.findChildren<QAction*>(QStringLiteral("referencePresetAction")).value(2)->trigger();
    Item(window, "noReferenceAction")->trigger();
    window.resize(1000, 560);

    // The sample file added to the archive, its runs put in two rooms, the Archive panel
    // and the year view of the bedroom.
    Item(window, "addToArchiveAction")->trigger();
    Item(window, "archivePanelAction")->trigger();
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("archiveTree"));
    auto* place = window.findChild<QComboBox*>(QStringLiteral("placeName"));
    auto* assign = window.findChild<QPushButton*>(QStringLiteral("assignButton"));
    const auto putInPlace = [&](int first, int last, const QString& name) {
        QTreeWidgetItem* runs = tree->topLevelItem(tree->topLevelItemCount() - 1);
        tree->clearSelection();
        for (int i = first; i <= last; ++i) {
            runs->child(i)->setSelected(true);
        }
        place->setEditText(name);
        assign->click();
    };
    putInPlace(4, 7, QStringLiteral("Bedroom"));
    putInPlace(0, 3, QStringLiteral("Cellar"));
    tree->setCurrentItem(tree->findItems(QStringLiteral("Bedroom"), Qt::MatchExactly).value(0));
    window.findChild<QPushButton*>(QStringLiteral("showButton"))->click();
    window.resize(1280, 640);
    ok &= Save(window, out, "archive-panel.png");
    window.findChild<QPushButton*>(QStringLiteral("yearViewButton"))->click();
    auto* yearView = window.findChild<QDialog*>(QStringLiteral("yearViewWindow"));
    ok &= yearView != nullptr && QTest::qWaitForWindowExposed(yearView);
    if (yearView != nullptr) {
        ok &= Save(*yearView, out, "year-view.png");
        yearView->hide();
    }
    Item(window, "archivePanelAction")->trigger();
    window.resize(1000, 560);

    // A Kelmor that gives a model code no Kelmor has, with the Simulator menu open.
    simulator->WrongModel->trigger();
    window.WatchConnection();
    window.findChild<QToolButton*>(QStringLiteral("readOutButton"))->click();
    window.menuBar()->setActiveAction(simulator->menuAction());
    ok &= QTest::qWaitForWindowExposed(simulator);
    simulator->setActiveAction(simulator->WrongModel);
    ok &= SaveScreen(window, out, "simulator-wrong-model.png");
    simulator->close();

    auto* about = window.findChild<AboutBox*>(QStringLiteral("aboutBox"));
    about->show();
    ok &= QTest::qWaitForWindowExposed(about);
    ok &= Save(*about, out, "about.png");
    about->hide();

    Item(window, "userGuideAction")->trigger();
    auto* guide = window.findChild<UserGuideWindow*>(QStringLiteral("userGuide"));
    ok &= QTest::qWaitForWindowExposed(guide);
    ok &= Save(*guide, out, "user-guide.png");
    guide->hide();
    return ok ? 0 : 1;
}
