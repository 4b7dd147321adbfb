// Every command of the window reached as a user reaches it: each tool button clicked with
// the mouse, each menu item chosen with the mouse from its opened menu, each shortcut
// typed, each list changed from the keyboard, the chart clicked and dragged; and for each
// the effect of its handler. Also what the user sees of hints and menus on the way.
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#include <functional>

#include "ui/chart/kelmor_chart.h"
#include "ui/help/user_guide_window.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class WiringTest : public QObject {
    Q_OBJECT

  private slots:
    void everyCommandReachesItsHandler();
    void itemsOfADisabledMenuAreOutOfReachByShortcutToo();
    void hintsAreToolTipsAndLeaveThePanelsAlone();
    void disabledMenuTitlesAndItemsAreReadable();
    void theSaveDialogKeepsTheChosenFormat();
};

namespace {

// A shown, active window on the V7 sample with its fourth measurement chosen.
struct ActiveWindow {
    ActiveWindow() {
        MainWindow& f = *w.window;
        f.resize(1000, 600);
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        w.Open(SamplePath("v7"));
        w.Choose(3);
        QVERIFY(f.viewMenu_->isEnabled());
        f.WatchConnection(f.discoveryTimer_);  // the pass after the open arms the read-out again
    }

    WindowUnderTest w;
};

void ClickMenuItem(MainWindow& f, QMenu* menu, QAction* item) {
    QMenuBar* bar = f.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QTRY_VERIFY(!menu->isVisible());
}

// Sent as a key press and release to the window: QTest's key clicks translate only the
// keys of a typewriter, not F1.
void TypeShortcut(MainWindow& f, const QKeySequence& shortcut) {
    const QKeyCombination key = shortcut[0];
    QTest::sendKeyEvent(QTest::Press, &f, key.key(), QString(), key.keyboardModifiers());
    QTest::sendKeyEvent(QTest::Release, &f, key.key(), QString(), key.keyboardModifiers());
}

QPoint PlotPoint(const KelmorChart& chart, double fx, double fy) {
    const QRect plot = chart.axisRect()->rect();
    return QPoint(plot.left() + qRound(fx * plot.width()), plot.top() + qRound(fy * plot.height()));
}

struct Route {
    QString name;
    std::function<void(ActiveWindow&)> input;
    std::function<bool(ActiveWindow&)> reached;
};

bool LastFileDialogIs(ActiveWindow& a, const char* name) {
    return a.w.dialogs.fileDialogs.value(a.w.dialogs.fileDialogs.size() - 1) == QLatin1String(name);
}

bool LastMessageStartsWith(ActiveWindow& a, const char* text) {
    return a.w.dialogs.messages.value(a.w.dialogs.messages.size() - 1)
        .startsWith(QLatin1String(text));
}

bool ViewShown(ActiveWindow& a, ChartView view, QAction* item, const char* title) {
    return a.w.window->State().view == view && item->isChecked() &&
           a.w.window->chart_->TitleLines() == QStringList({QLatin1String(title)});
}

std::vector<Route> Routes() {
    std::vector<Route> routes;
    auto button = [&routes](const QString& name, QToolButton* MainWindow::*control,
                            std::function<bool(ActiveWindow&)> reached) {
        routes.push_back({name + QStringLiteral(" button"),
                          [control](ActiveWindow& a) {
                              QTest::mouseClick(a.w.window.get()->*control, Qt::LeftButton);
                          },
                          reached});
    };
    auto item = [&routes](const QString& name, QMenu* MainWindow::*menu,
                          QAction* MainWindow::*action, std::function<bool(ActiveWindow&)> reached,
                          bool shortcut = true) {
        routes.push_back({name + QStringLiteral(" menu item"),
                          [menu, action](ActiveWindow& a) {
                              MainWindow& f = *a.w.window;
                              ClickMenuItem(f, f.*menu, f.*action);
                          },
                          reached});
        if (!shortcut) {
            return;
        }
        routes.push_back({name + QStringLiteral(" shortcut"),
                          [action](ActiveWindow& a) {
                              MainWindow& f = *a.w.window;
                              TypeShortcut(f, (f.*action)->shortcut());
                          },
                          reached});
    };

    const auto opened = [](ActiveWindow& a) { return LastFileDialogIs(a, "openDialog"); };
    const auto saved = [](ActiveWindow& a) { return LastFileDialogIs(a, "saveDialog"); };
    const auto printed = [](ActiveWindow& a) { return a.w.dialogs.printDialogs == 1; };
    button("Open", &MainWindow::openButton_, opened);
    item("Open", &MainWindow::mainMenu_, &MainWindow::openAction_, opened);
    button("Save", &MainWindow::saveButton_, saved);
    item("Save", &MainWindow::mainMenu_, &MainWindow::saveAction_, saved);
    button("Print", &MainWindow::printButton_, printed);
    item("Print", &MainWindow::mainMenu_, &MainWindow::printAction_, printed);
    item("Exit", &MainWindow::mainMenu_, &MainWindow::exitAction_,
         [](ActiveWindow& a) { return !a.w.window->isVisible(); });
    item("Summary", &MainWindow::assessmentMenu_, &MainWindow::summaryAction_,
         [](ActiveWindow& a) { return a.w.window->summaryDock_->isVisible(); });
    item("Save report", &MainWindow::assessmentMenu_, &MainWindow::saveReportAction_,
         [](ActiveWindow& a) { return LastFileDialogIs(a, "reportDialog"); });
    item("User guide", &MainWindow::helpMenu_, &MainWindow::userGuideAction_,
         [](ActiveWindow& a) { return a.w.window->userGuide_->isVisible(); });
    const bool noShortcut = false;
    item(
        "About", &MainWindow::helpMenu_, &MainWindow::aboutAction_,
        [](ActiveWindow& a) {
            return a.w.dialogs.dialogsShown.contains(QStringLiteral("aboutBox"));
        },
        noShortcut);

    button("Read-out", &MainWindow::readOutButton_, [](ActiveWindow& a) {
        return a.w.window->State().levelShown && !a.w.bus->Kelmor()->ReceivedCommands().empty();
    });
    button("Trigger level", &MainWindow::triggerLevelButton_, [](ActiveWindow& a) {
        return a.w.dialogs.dialogsShown.contains(QStringLiteral("triggerLevelDialog"));
    });
    button("Clock", &MainWindow::clockButton_, [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The Kelmor clock will be syncronized");
    });
    button("Erase", &MainWindow::eraseButton_, [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The measurements in the Kelmor will be erased!");
    });

    item("Pulse Distribution", &MainWindow::viewMenu_, &MainWindow::pulseDistributionAction_,
         [](ActiveWindow& a) {
             // Chosen from the "Mean" view the test starts the row in.
             return ViewShown(a, ChartView::PulseDistribution, a.w.window->pulseDistributionAction_,
                              "Measurements") &&
                    a.w.window->chart_->Series2()->Count() == 0;
         });
    item("Pulse Distribution and Mean", &MainWindow::viewMenu_,
         &MainWindow::pulseDistributionAndMeanAction_, [](ActiveWindow& a) {
             return ViewShown(a, ChartView::PulseDistributionAndMean,
                              a.w.window->pulseDistributionAndMeanAction_, "2h-Mean");
         });
    item("Pulse Distribution, Mean and mean Error", &MainWindow::viewMenu_,
         &MainWindow::pulseDistributionMeanAndMeanErrorAction_, [](ActiveWindow& a) {
             return ViewShown(a, ChartView::PulseDistributionMeanAndMeanError,
                              a.w.window->pulseDistributionMeanAndMeanErrorAction_, "2h-Mean");
         });
    item("Mean and mean Error", &MainWindow::viewMenu_, &MainWindow::meanAndMeanErrorAction_,
         [](ActiveWindow& a) {
             return ViewShown(a, ChartView::MeanAndMeanError, a.w.window->meanAndMeanErrorAction_,
                              "2h-Mean") &&
                    a.w.window->chart_->Series3()->Count() > 0;
         });
    item("Mean", &MainWindow::viewMenu_, &MainWindow::meanAction_, [](ActiveWindow& a) {
        return ViewShown(a, ChartView::Mean, a.w.window->meanAction_, "2h-Mean") &&
               a.w.window->chart_->Series3()->Count() == 0;
    });
    item("Temperature", &MainWindow::viewMenu_, &MainWindow::temperatureAction_, [](ActiveWindow& a) {
        return a.w.window->temperatureAction_->isChecked() &&
               a.w.window->chart_->Series1()->Count() > 0;
    });
    item("Humidity", &MainWindow::viewMenu_, &MainWindow::humidityAction_, [](ActiveWindow& a) {
        return a.w.window->humidityAction_->isChecked() &&
               a.w.window->chart_->Series5()->Count() > 0;
    });
    item("Pressure", &MainWindow::viewMenu_, &MainWindow::pressureAction_, [](ActiveWindow& a) {
        return a.w.window->pressureAction_->isChecked() &&
               a.w.window->chart_->Series6()->Count() > 0;
    });

    routes.push_back({QStringLiteral("Measurement list from the keyboard"),
                      [](ActiveWindow& a) {
                          a.w.window->measurementList_->setFocus();
                          QTest::keyClick(a.w.window->measurementList_, Qt::Key_Down);
                      },
                      [](ActiveWindow& a) { return a.w.window->currentMeasurement_ == 4; }});
    routes.push_back({QStringLiteral("Mean list from the keyboard"),
                      [](ActiveWindow& a) {
                          a.w.window->meanIntervalList_->setFocus();
                          QTest::keyClick(a.w.window->meanIntervalList_, Qt::Key_Down);
                      },
                      [](ActiveWindow& a) {
                          return a.w.window->meanIntervalList_->currentIndex() == 1 &&
                                 a.w.window->chart_->TitleLines() == QStringList({"4h-Mean"});
                      }});
    routes.push_back({QStringLiteral("Zoom by dragging on the chart"),
                      [](ActiveWindow& a) {
                          KelmorChart* chart = a.w.window->chart_;
                          const QPoint from = PlotPoint(*chart, 0.3, 0.2);
                          const QPoint to = PlotPoint(*chart, 0.5, 0.8);
                          QTest::mousePress(chart, Qt::LeftButton, {}, from);
                          QTest::mouseMove(chart, (from + to) / 2);
                          QTest::mouseMove(chart, to);
                          QTest::mouseRelease(chart, Qt::LeftButton, {}, to);
                      },
                      [](ActiveWindow& a) {
                          return a.w.window->chart_->IsZoomed() &&
                                 a.w.window->chart_->FootLines().value(0).contains(
                                     QStringLiteral("Radonlevel :"));
                      }});
    routes.push_back({QStringLiteral("Double click on the chart"),
                      [](ActiveWindow& a) {
                          QTest::mouseDClick(a.w.window->chart_, Qt::LeftButton, {},
                                             PlotPoint(*a.w.window->chart_, 0.5, 0.5));
                      },
                      [](ActiveWindow& a) { return a.w.window->titleEditor_->isVisible(); }});
    routes.push_back(
        {QStringLiteral("Click on the chart after editing the title"),
         [](ActiveWindow& a) {
             MainWindow& f = *a.w.window;
             QTest::mouseDClick(f.chart_, Qt::LeftButton, {}, PlotPoint(*f.chart_, 0.5, 0.5));
             f.titleEditor_->selectAll();
             QTest::keyClicks(f.titleEditor_, QStringLiteral("Cellar"));
             QTest::mouseClick(f.chart_, Qt::LeftButton, {}, PlotPoint(*f.chart_, 0.5, 0.5));
         },
         [](ActiveWindow& a) {
             return !a.w.window->titleEditor_->isVisible() &&
                    a.w.window->chart_->TitleLines() == QStringList({"Cellar"});
         }});
    return routes;
}

}  // namespace

void WiringTest::everyCommandReachesItsHandler() {
    for (const Route& route : Routes()) {
        ActiveWindow a;
        MainWindow& f = *a.w.window;
        // The Pulse Distribution row starts from another view, the others from the first.
        if (route.name.startsWith(QStringLiteral("Pulse Distribution "))) {
            f.ShowMean(f.meanAction_);
        }
        if (route.name.startsWith(QStringLiteral("Mean list"))) {
            f.ShowMean(f.meanAction_);
        }
        if (route.name.startsWith(QStringLiteral("Trigger"))) {
            f.ReadOut(f.readOutButton_);  // the button appears with a read-out
        }
        a.w.dialogs.printTo.clear();  // the print dialog is cancelled
        for (int i = 0; i < 4; ++i) {
            a.w.dialogs.CancelFile();
            a.w.dialogs.AnswerNext(QMessageBox::Cancel);
        }
        a.w.bus->Kelmor()->ClearRecord();
        route.input(a);
        QVERIFY2(route.reached(a), qPrintable(route.name));
    }
}

void WiringTest::itemsOfADisabledMenuAreOutOfReachByShortcutToo() {
    ActiveWindow a;
    MainWindow& f = *a.w.window;
    a.w.Choose(f.measurementList_->count() - 1);  // "All measurements": no View menu
    QVERIFY(!f.viewMenu_->isEnabled());
    for (const QAction* item :
         {f.pulseDistributionAndMeanAction_, f.meanAction_, f.pressureAction_}) {
        TypeShortcut(f, item->shortcut());
    }
    QCOMPARE(f.State().view, ChartView::PulseDistribution);
    QVERIFY(f.pulseDistributionAction_->isChecked());
    QVERIFY(!f.pressureAction_->isChecked());
    QCOMPARE(f.chart_->Series2()->Count(), 0);
    QCOMPARE(f.chart_->Series6()->Count(), 0);
}

void WiringTest::hintsAreToolTipsAndLeaveThePanelsAlone() {
    ActiveWindow a;
    MainWindow& f = *a.w.window;
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    for (QToolButton* b : {f.openButton_, f.saveButton_, f.printButton_, f.readOutButton_,
                           f.clockButton_, f.eraseButton_}) {
        QVERIFY(!b->toolTip().isEmpty());
        QTest::mouseMove(b);
        QCoreApplication::processEvents();
        QVERIFY2(f.statusBar_->currentMessage().isEmpty(), qPrintable(b->toolTip()));
    }
    // Hovering the items of an opened menu neither.
    QMenuBar* bar = f.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(f.mainMenu_->menuAction()).center());
    QTRY_VERIFY(f.mainMenu_->isVisible());
    for (QAction* item : f.mainMenu_->actions()) {
        QTest::mouseMove(f.mainMenu_, f.mainMenu_->actionGeometry(item).center());
        QCoreApplication::processEvents();
        QVERIFY(f.statusBar_->currentMessage().isEmpty());
    }
    f.mainMenu_->close();
    // The panels are painted with their texts.
    const QImage bar0 = f.statusBar_->grab().toImage();
    QVERIFY(f.statusBar_->findChildren<QLabel*>().first()->isVisible());
    QVERIFY(!bar0.isNull());
}

namespace {

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double Luminance(QRgb pixel) {
    auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(pixel)) + 0.7152 * linear(qGreen(pixel)) +
           0.0722 * linear(qBlue(pixel));
}

// The contrast of the darkest pixel of `area` against its most common one, the
// background: the text's contrast.
double TextContrast(const QImage& image, const QRect& area) {
    QHash<QRgb, int> counts;
    QRgb darkest = qRgb(255, 255, 255);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            ++counts[p];
            if (Luminance(p) < Luminance(darkest)) {
                darkest = p;
            }
        }
    }
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    return (Luminance(background) + 0.05) / (Luminance(darkest) + 0.05);
}

}  // namespace

void WiringTest::disabledMenuTitlesAndItemsAreReadable() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(!f.viewMenu_->isEnabled());  // no image yet
    const QImage bar = f.menuBar()->grab().toImage();
    const QRect title = f.menuBar()->actionGeometry(f.viewMenu_->menuAction());
    QVERIFY2(TextContrast(bar, title) >= 3.0,
             qPrintable(QString::number(TextContrast(bar, title))));

    // A V5 image: the View menu opens, its climate items are disabled.
    w.Open(SamplePath("v5"));
    w.Choose(0);
    QVERIFY(!f.temperatureAction_->isEnabled());
    QMenuBar* menus = f.menuBar();
    QTest::mouseClick(menus, Qt::LeftButton, {},
                      menus->actionGeometry(f.viewMenu_->menuAction()).center());
    QTRY_VERIFY(f.viewMenu_->isVisible());
    const QImage menu = f.viewMenu_->grab().toImage();
    const double contrast = TextContrast(menu, f.viewMenu_->actionGeometry(f.temperatureAction_));
    QVERIFY2(contrast >= 3.0, qPrintable(QString::number(contrast)));
    f.viewMenu_->close();
}

void WiringTest::theSaveDialogKeepsTheChosenFormat() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Rn Data File (*.Rn)"));
    const QString text = w.WorkingFile(QStringLiteral("all.txt"));
    w.Save(text, 4);
    const QByteArray exported = ReadAll(text);
    QVERIFY(exported.startsWith("Time; Bqm3"));

    // Saved again: the dialog offers the same name in the same format.
    w.dialogs.CancelFile();
    f.Save(f.saveButton_);
    QCOMPARE(w.dialogs.filePreset, text);
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Text (.txt) (*.txt)"));
    QCOMPARE(w.dialogs.fileDefaultSuffix, QStringLiteral("txt"));

    // Confirmed as offered, it writes the text again, never the image over it.
    w.dialogs.ChooseFile(text, 0);  // the filter the dialog opened with
    f.Save(f.saveButton_);
    QCOMPARE(ReadAll(text), exported);

    // Opening a data file makes the data file the format again.
    w.Open(SamplePath("v5"));
    w.dialogs.CancelFile();
    f.Save(f.saveButton_);
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Rn Data File (*.Rn)"));
}

QTEST_MAIN(WiringTest)
#include "wiring_test.moc"
