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
        QVERIFY(Child<QMenu>(f, "viewMenu")->isEnabled());
        f.WatchConnection();  // the pass after the open arms the read-out again
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
           Child<KelmorChart>(*a.w.window, "chart")->TitleLines() ==
               QStringList({QLatin1String(title)});
}

std::vector<Route> Routes() {
    std::vector<Route> routes;
    auto button = [&routes](const QString& name, const char* control,
                            std::function<bool(ActiveWindow&)> reached) {
        routes.push_back({name + QStringLiteral(" button"),
                          [control](ActiveWindow& a) {
                              QTest::mouseClick(Child<QToolButton>(*a.w.window, control),
                                                Qt::LeftButton);
                          },
                          reached});
    };
    auto item = [&routes](const QString& name, const char* menu, const char* action,
                          std::function<bool(ActiveWindow&)> reached, bool shortcut = true) {
        routes.push_back({name + QStringLiteral(" menu item"),
                          [menu, action](ActiveWindow& a) {
                              MainWindow& f = *a.w.window;
                              ClickMenuItem(f, Child<QMenu>(f, menu), Child<QAction>(f, action));
                          },
                          reached});
        if (!shortcut) {
            return;
        }
        routes.push_back({name + QStringLiteral(" shortcut"),
                          [action](ActiveWindow& a) {
                              MainWindow& f = *a.w.window;
                              TypeShortcut(f, Child<QAction>(f, action)->shortcut());
                          },
                          reached});
    };

    const auto opened = [](ActiveWindow& a) { return LastFileDialogIs(a, "openDialog"); };
    const auto saved = [](ActiveWindow& a) { return LastFileDialogIs(a, "saveDialog"); };
    const auto printed = [](ActiveWindow& a) { return a.w.dialogs.printDialogs == 1; };
    button("Open", "openButton", opened);
    item("Open", "mainMenu", "openAction", opened);
    button("Save", "saveButton", saved);
    item("Save", "mainMenu", "saveAction", saved);
    button("Print", "printButton", printed);
    item("Print", "mainMenu", "printAction", printed);
    item("Exit", "mainMenu", "exitAction",
         [](ActiveWindow& a) { return !a.w.window->isVisible(); });
    item("Summary", "assessmentMenu", "summaryAction", [](ActiveWindow& a) {
        return Child<QDockWidget>(*a.w.window, "summaryDock")->isVisible();
    });
    item("Save report", "assessmentMenu", "saveReportAction",
         [](ActiveWindow& a) { return LastFileDialogIs(a, "reportDialog"); });
    item("User guide", "helpMenu", "userGuideAction", [](ActiveWindow& a) {
        return Child<UserGuideWindow>(*a.w.window, "userGuide")->isVisible();
    });
    const bool noShortcut = false;
    item(
        "About", "helpMenu", "aboutAction",
        [](ActiveWindow& a) {
            return a.w.dialogs.dialogsShown.contains(QStringLiteral("aboutBox"));
        },
        noShortcut);

    button("Read-out", "readOutButton", [](ActiveWindow& a) {
        return a.w.window->State().levelShown && !a.w.bus->Kelmor()->ReceivedCommands().empty();
    });
    button("Trigger level", "triggerLevelButton", [](ActiveWindow& a) {
        return a.w.dialogs.dialogsShown.contains(QStringLiteral("triggerLevelDialog"));
    });
    button("Clock", "clockButton", [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The Kelmor clock will be syncronized");
    });
    button("Erase", "eraseButton", [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The measurements in the Kelmor will be erased!");
    });
    // The same commands from the Instrument menu and its shortcuts.
    item("Read-out", "instrumentMenu", "readOutAction", [](ActiveWindow& a) {
        return a.w.window->State().levelShown && !a.w.bus->Kelmor()->ReceivedCommands().empty();
    });
    item("Trigger level", "instrumentMenu", "triggerLevelAction", [](ActiveWindow& a) {
        return a.w.dialogs.dialogsShown.contains(QStringLiteral("triggerLevelDialog"));
    });
    item("Clock", "instrumentMenu", "clockAction", [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The Kelmor clock will be syncronized");
    });
    item("Erase", "instrumentMenu", "eraseAction", [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The measurements in the Kelmor will be erased!");
    });

    item("Pulse Distribution", "viewMenu", "pulseDistributionAction", [](ActiveWindow& a) {
        // Chosen from the "Mean" view the test starts the row in.
        return ViewShown(a, ChartView::PulseDistribution,
                         Child<QAction>(*a.w.window, "pulseDistributionAction"), "Measurements") &&
               Child<KelmorChart>(*a.w.window, "chart")->MeanSeries()->Count() == 0;
    });
    item("Pulse Distribution and Mean", "viewMenu", "pulseDistributionAndMeanAction",
         [](ActiveWindow& a) {
             return ViewShown(a, ChartView::PulseDistributionAndMean,
                              Child<QAction>(*a.w.window, "pulseDistributionAndMeanAction"),
                              "2h-Mean");
         });
    item("Pulse Distribution, Mean and mean Error", "viewMenu",
         "pulseDistributionMeanAndMeanErrorAction", [](ActiveWindow& a) {
             return ViewShown(
                 a, ChartView::PulseDistributionMeanAndMeanError,
                 Child<QAction>(*a.w.window, "pulseDistributionMeanAndMeanErrorAction"), "2h-Mean");
         });
    item("Mean and mean Error", "viewMenu", "meanAndMeanErrorAction", [](ActiveWindow& a) {
        return ViewShown(a, ChartView::MeanAndMeanError,
                         Child<QAction>(*a.w.window, "meanAndMeanErrorAction"), "2h-Mean") &&
               Child<KelmorChart>(*a.w.window, "chart")->MeanErrorSeries()->Count() > 0;
    });
    item("Mean", "viewMenu", "meanAction", [](ActiveWindow& a) {
        return ViewShown(a, ChartView::Mean, Child<QAction>(*a.w.window, "meanAction"),
                         "2h-Mean") &&
               Child<KelmorChart>(*a.w.window, "chart")->MeanErrorSeries()->Count() == 0;
    });
    item("Temperature", "viewMenu", "temperatureAction", [](ActiveWindow& a) {
        return Child<QAction>(*a.w.window, "temperatureAction")->isChecked() &&
               Child<KelmorChart>(*a.w.window, "chart")->TemperatureSeries()->Count() > 0;
    });
    item("Humidity", "viewMenu", "humidityAction", [](ActiveWindow& a) {
        return Child<QAction>(*a.w.window, "humidityAction")->isChecked() &&
               Child<KelmorChart>(*a.w.window, "chart")->HumiditySeries()->Count() > 0;
    });
    item("Pressure", "viewMenu", "pressureAction", [](ActiveWindow& a) {
        return Child<QAction>(*a.w.window, "pressureAction")->isChecked() &&
               Child<KelmorChart>(*a.w.window, "chart")->PressureSeries()->Count() > 0;
    });

    routes.push_back({QStringLiteral("Measurement list from the keyboard"),
                      [](ActiveWindow& a) {
                          Child<QComboBox>(*a.w.window, "measurementList")->setFocus();
                          QTest::keyClick(Child<QComboBox>(*a.w.window, "measurementList"),
                                          Qt::Key_Down);
                      },
                      [](ActiveWindow& a) { return a.w.window->State().chosenMeasurement == 4; }});
    routes.push_back(
        {QStringLiteral("Mean list from the keyboard"),
         [](ActiveWindow& a) {
             Child<QComboBox>(*a.w.window, "meanIntervalList")->setFocus();
             QTest::keyClick(Child<QComboBox>(*a.w.window, "meanIntervalList"), Qt::Key_Down);
         },
         [](ActiveWindow& a) {
             return Child<QComboBox>(*a.w.window, "meanIntervalList")->currentIndex() == 1 &&
                    Child<KelmorChart>(*a.w.window, "chart")->TitleLines() ==
                        QStringList({"4h-Mean"});
         }});
    routes.push_back({QStringLiteral("Zoom by dragging on the chart"),
                      [](ActiveWindow& a) {
                          KelmorChart* chart = Child<KelmorChart>(*a.w.window, "chart");
                          const QPoint from = PlotPoint(*chart, 0.3, 0.2);
                          const QPoint to = PlotPoint(*chart, 0.5, 0.8);
                          QTest::mousePress(chart, Qt::LeftButton, {}, from);
                          QTest::mouseMove(chart, (from + to) / 2);
                          QTest::mouseMove(chart, to);
                          QTest::mouseRelease(chart, Qt::LeftButton, {}, to);
                      },
                      [](ActiveWindow& a) {
                          return Child<KelmorChart>(*a.w.window, "chart")->IsZoomed() &&
                                 Child<KelmorChart>(*a.w.window, "chart")
                                     ->FootLines()
                                     .value(0)
                                     .contains(QStringLiteral("Radonlevel :"));
                      }});
    routes.push_back({QStringLiteral("Double click on the chart"),
                      [](ActiveWindow& a) {
                          QTest::mouseDClick(
                              Child<KelmorChart>(*a.w.window, "chart"), Qt::LeftButton, {},
                              PlotPoint(*Child<KelmorChart>(*a.w.window, "chart"), 0.5, 0.5));
                      },
                      [](ActiveWindow& a) {
                          return Child<QLineEdit>(*a.w.window, "titleEditor")->isVisible();
                      }});
    routes.push_back({QStringLiteral("Click on the chart after editing the title"),
                      [](ActiveWindow& a) {
                          MainWindow& f = *a.w.window;
                          QTest::mouseDClick(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {},
                                             PlotPoint(*Child<KelmorChart>(f, "chart"), 0.5, 0.5));
                          Child<QLineEdit>(f, "titleEditor")->selectAll();
                          QTest::keyClicks(Child<QLineEdit>(f, "titleEditor"),
                                           QStringLiteral("Cellar"));
                          QTest::mouseClick(Child<KelmorChart>(f, "chart"), Qt::LeftButton, {},
                                            PlotPoint(*Child<KelmorChart>(f, "chart"), 0.5, 0.5));
                      },
                      [](ActiveWindow& a) {
                          return !Child<QLineEdit>(*a.w.window, "titleEditor")->isVisible() &&
                                 Child<KelmorChart>(*a.w.window, "chart")->TitleLines() ==
                                     QStringList({"Cellar"});
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
            Trigger(f, "meanAction");
        }
        if (route.name.startsWith(QStringLiteral("Mean list"))) {
            Trigger(f, "meanAction");
        }
        if (route.name.startsWith(QStringLiteral("Trigger"))) {
            Click(f, "readOutButton");  // the button appears with a read-out
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
    a.w.Choose(Child<QComboBox>(f, "measurementList")->count() -
               1);  // "All measurements": no View menu
    QVERIFY(!Child<QMenu>(f, "viewMenu")->isEnabled());
    for (const QAction* item :
         {Child<QAction>(f, "pulseDistributionAndMeanAction"), Child<QAction>(f, "meanAction"),
          Child<QAction>(f, "pressureAction")}) {
        TypeShortcut(f, item->shortcut());
    }
    QCOMPARE(f.State().view, ChartView::PulseDistribution);
    QVERIFY(Child<QAction>(f, "pulseDistributionAction")->isChecked());
    QVERIFY(!Child<QAction>(f, "pressureAction")->isChecked());
    QCOMPARE(Child<KelmorChart>(f, "chart")->MeanSeries()->Count(), 0);
    QCOMPARE(Child<KelmorChart>(f, "chart")->PressureSeries()->Count(), 0);
}

void WiringTest::hintsAreToolTipsAndLeaveThePanelsAlone() {
    ActiveWindow a;
    MainWindow& f = *a.w.window;
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    for (QToolButton* b :
         {Child<QToolButton>(f, "openButton"), Child<QToolButton>(f, "saveButton"),
          Child<QToolButton>(f, "printButton"), Child<QToolButton>(f, "readOutButton"),
          Child<QToolButton>(f, "clockButton"), Child<QToolButton>(f, "eraseButton")}) {
        QVERIFY(!b->toolTip().isEmpty());
        QTest::mouseMove(b);
        QCoreApplication::processEvents();
        QVERIFY2(Child<QStatusBar>(f, "statusBar")->currentMessage().isEmpty(),
                 qPrintable(b->toolTip()));
    }
    // Hovering the items of an opened menu neither.
    QMenuBar* bar = f.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(Child<QMenu>(f, "mainMenu")->menuAction()).center());
    QTRY_VERIFY(Child<QMenu>(f, "mainMenu")->isVisible());
    for (QAction* item : Child<QMenu>(f, "mainMenu")->actions()) {
        QTest::mouseMove(Child<QMenu>(f, "mainMenu"),
                         Child<QMenu>(f, "mainMenu")->actionGeometry(item).center());
        QCoreApplication::processEvents();
        QVERIFY(Child<QStatusBar>(f, "statusBar")->currentMessage().isEmpty());
    }
    Child<QMenu>(f, "mainMenu")->close();
    // The panels are painted with their texts.
    const QImage bar0 = Child<QStatusBar>(f, "statusBar")->grab().toImage();
    QVERIFY(Child<QStatusBar>(f, "statusBar")->findChildren<QLabel*>().first()->isVisible());
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
    QVERIFY(!Child<QMenu>(f, "viewMenu")->isEnabled());  // no image yet
    const QImage bar = f.menuBar()->grab().toImage();
    const QRect title = f.menuBar()->actionGeometry(Child<QMenu>(f, "viewMenu")->menuAction());
    QVERIFY2(TextContrast(bar, title) >= 3.0,
             qPrintable(QString::number(TextContrast(bar, title))));

    // A V5 image: the View menu opens, its climate items are disabled.
    w.Open(SamplePath("v5"));
    w.Choose(0);
    QVERIFY(!Child<QAction>(f, "temperatureAction")->isEnabled());
    QMenuBar* menus = f.menuBar();
    QTest::mouseClick(menus, Qt::LeftButton, {},
                      menus->actionGeometry(Child<QMenu>(f, "viewMenu")->menuAction()).center());
    QTRY_VERIFY(Child<QMenu>(f, "viewMenu")->isVisible());
    const QImage menu = Child<QMenu>(f, "viewMenu")->grab().toImage();
    const double contrast = TextContrast(
        menu, Child<QMenu>(f, "viewMenu")->actionGeometry(Child<QAction>(f, "temperatureAction")));
    QVERIFY2(contrast >= 3.0, qPrintable(QString::number(contrast)));
    Child<QMenu>(f, "viewMenu")->close();
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
    Click(f, "saveButton");
    QCOMPARE(w.dialogs.filePreset, text);
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Text (.txt) (*.txt)"));
    QCOMPARE(w.dialogs.fileDefaultSuffix, QStringLiteral("txt"));

    // Confirmed as offered, it writes the text again, never the image over it.
    w.dialogs.ChooseFile(text, 0);  // the filter the dialog opened with
    Click(f, "saveButton");
    QCOMPARE(ReadAll(text), exported);

    // Opening a data file makes the data file the format again.
    w.Open(SamplePath("v5"));
    w.dialogs.CancelFile();
    Click(f, "saveButton");
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Rn Data File (*.Rn)"));
}

QTEST_MAIN(WiringTest)
#include "wiring_test.moc"
