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
#include "ui/help/user_guide.h"
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
        TForm1& f = *w.window;
        f.resize(1000, 600);
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        w.Open(SamplePath("v7"));
        w.Choose(3);
        QVERIFY(f.View1->isEnabled());
        f.Timer2Timer(f.Timer2);  // the pass after the open arms the read-out again
    }

    WindowUnderTest w;
};

void ClickMenuItem(TForm1& f, QMenu* menu, QAction* item) {
    QMenuBar* bar = f.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QTRY_VERIFY(!menu->isVisible());
}

// Sent as a key press and release to the window: QTest's key clicks translate only the
// keys of a typewriter, not F1.
void TypeShortcut(TForm1& f, const QKeySequence& shortcut) {
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
           a.w.window->Chart1->TitleLines() == QStringList({QLatin1String(title)});
}

std::vector<Route> Routes() {
    std::vector<Route> routes;
    auto button = [&routes](const QString& name, QToolButton* TForm1::*control,
                            std::function<bool(ActiveWindow&)> reached) {
        routes.push_back({name + QStringLiteral(" button"),
                          [control](ActiveWindow& a) {
                              QTest::mouseClick(a.w.window.get()->*control, Qt::LeftButton);
                          },
                          reached});
    };
    auto item = [&routes](const QString& name, QMenu* TForm1::*menu, QAction* TForm1::*action,
                          std::function<bool(ActiveWindow&)> reached, bool shortcut = true) {
        routes.push_back({name + QStringLiteral(" menu item"),
                          [menu, action](ActiveWindow& a) {
                              TForm1& f = *a.w.window;
                              ClickMenuItem(f, f.*menu, f.*action);
                          },
                          reached});
        if (!shortcut) {
            return;
        }
        routes.push_back({name + QStringLiteral(" shortcut"),
                          [action](ActiveWindow& a) {
                              TForm1& f = *a.w.window;
                              TypeShortcut(f, (f.*action)->shortcut());
                          },
                          reached});
    };

    const auto opened = [](ActiveWindow& a) { return LastFileDialogIs(a, "OpenDialog1"); };
    const auto saved = [](ActiveWindow& a) { return LastFileDialogIs(a, "SaveDialog1"); };
    const auto printed = [](ActiveWindow& a) { return a.w.dialogs.printDialogs == 1; };
    button("Open", &TForm1::Open_SB, opened);
    item("Open", &TForm1::Main1, &TForm1::Open1, opened);
    button("Save", &TForm1::Save_SB, saved);
    item("Save", &TForm1::Main1, &TForm1::Save1, saved);
    button("Print", &TForm1::SpeedButton1, printed);
    item("Print", &TForm1::Main1, &TForm1::Print1, printed);
    item("Exit", &TForm1::Main1, &TForm1::Exit1,
         [](ActiveWindow& a) { return !a.w.window->isVisible(); });
    item("Summary", &TForm1::Assessment1, &TForm1::Summary1,
         [](ActiveWindow& a) { return a.w.window->SummaryDock->isVisible(); });
    item("Save report", &TForm1::Assessment1, &TForm1::SaveReport1,
         [](ActiveWindow& a) { return LastFileDialogIs(a, "ReportDialog"); });
    item("User guide", &TForm1::Help1, &TForm1::UserGuide1,
         [](ActiveWindow& a) { return a.w.window->Guide->isVisible(); });
    const bool noShortcut = false;
    item(
        "About", &TForm1::Help1, &TForm1::About1,
        [](ActiveWindow& a) { return a.w.dialogs.dialogsShown.contains(QStringLiteral("About")); },
        noShortcut);

    button("Read-out", &TForm1::SpeedButton7, [](ActiveWindow& a) {
        return a.w.window->State().levelShown && !a.w.bus->Kelmor()->ReceivedCommands().empty();
    });
    button("Trigger level", &TForm1::Level_button, [](ActiveWindow& a) {
        return a.w.dialogs.dialogsShown.contains(QStringLiteral("Trigger"));
    });
    button("Clock", &TForm1::SpeedButton3, [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The Kelmor clock will be syncronized");
    });
    button("Erase", &TForm1::ERASE_BTN, [](ActiveWindow& a) {
        return LastMessageStartsWith(a, "The measurements in the Kelmor will be erased!");
    });

    item("Pulse Distribution", &TForm1::View1, &TForm1::PulseDistribution1, [](ActiveWindow& a) {
        // Chosen from the "Mean" view the test starts the row in.
        return ViewShown(a, ChartView::PulseDistribution, a.w.window->PulseDistribution1,
                         "Measurements") &&
               a.w.window->Chart1->Series2()->Count() == 0;
    });
    item("Pulse Distribution and Mean", &TForm1::View1, &TForm1::PulseDistributionandMean1,
         [](ActiveWindow& a) {
             return ViewShown(a, ChartView::PulseDistributionAndMean,
                              a.w.window->PulseDistributionandMean1, "2h-Mean");
         });
    item("Pulse Distribution, Mean and mean Error", &TForm1::View1,
         &TForm1::PulseDistributionMeanandmeanError1, [](ActiveWindow& a) {
             return ViewShown(a, ChartView::PulseDistributionMeanAndMeanError,
                              a.w.window->PulseDistributionMeanandmeanError1, "2h-Mean");
         });
    item("Mean and mean Error", &TForm1::View1, &TForm1::MeanandmeanError1, [](ActiveWindow& a) {
        return ViewShown(a, ChartView::MeanAndMeanError, a.w.window->MeanandmeanError1,
                         "2h-Mean") &&
               a.w.window->Chart1->Series3()->Count() > 0;
    });
    item("Mean", &TForm1::View1, &TForm1::Mean1, [](ActiveWindow& a) {
        return ViewShown(a, ChartView::Mean, a.w.window->Mean1, "2h-Mean") &&
               a.w.window->Chart1->Series3()->Count() == 0;
    });
    item("Temperature", &TForm1::View1, &TForm1::Temperature, [](ActiveWindow& a) {
        return a.w.window->Temperature->isChecked() && a.w.window->Chart1->Series1()->Count() > 0;
    });
    item("Humidity", &TForm1::View1, &TForm1::Humidity, [](ActiveWindow& a) {
        return a.w.window->Humidity->isChecked() && a.w.window->Chart1->Series5()->Count() > 0;
    });
    item("Pressure", &TForm1::View1, &TForm1::Pressure, [](ActiveWindow& a) {
        return a.w.window->Pressure->isChecked() && a.w.window->Chart1->Series6()->Count() > 0;
    });

    routes.push_back({QStringLiteral("Measurement list from the keyboard"),
                      [](ActiveWindow& a) {
                          a.w.window->ComboBox3->setFocus();
                          QTest::keyClick(a.w.window->ComboBox3, Qt::Key_Down);
                      },
                      [](ActiveWindow& a) { return a.w.window->CurrentMeasurement == 4; }});
    routes.push_back({QStringLiteral("Mean list from the keyboard"),
                      [](ActiveWindow& a) {
                          a.w.window->ComboBox2->setFocus();
                          QTest::keyClick(a.w.window->ComboBox2, Qt::Key_Down);
                      },
                      [](ActiveWindow& a) {
                          return a.w.window->ComboBox2->currentIndex() == 1 &&
                                 a.w.window->Chart1->TitleLines() == QStringList({"4h-Mean"});
                      }});
    routes.push_back({QStringLiteral("Zoom by dragging on the chart"),
                      [](ActiveWindow& a) {
                          KelmorChart* chart = a.w.window->Chart1;
                          const QPoint from = PlotPoint(*chart, 0.3, 0.2);
                          const QPoint to = PlotPoint(*chart, 0.5, 0.8);
                          QTest::mousePress(chart, Qt::LeftButton, {}, from);
                          QTest::mouseMove(chart, (from + to) / 2);
                          QTest::mouseMove(chart, to);
                          QTest::mouseRelease(chart, Qt::LeftButton, {}, to);
                      },
                      [](ActiveWindow& a) {
                          return a.w.window->Chart1->IsZoomed() &&
                                 a.w.window->Chart1->FootLines().value(0).contains(
                                     QStringLiteral("Radonlevel :"));
                      }});
    routes.push_back({QStringLiteral("Double click on the chart"),
                      [](ActiveWindow& a) {
                          QTest::mouseDClick(a.w.window->Chart1, Qt::LeftButton, {},
                                             PlotPoint(*a.w.window->Chart1, 0.5, 0.5));
                      },
                      [](ActiveWindow& a) { return a.w.window->title->isVisible(); }});
    routes.push_back(
        {QStringLiteral("Click on the chart after editing the title"),
         [](ActiveWindow& a) {
             TForm1& f = *a.w.window;
             QTest::mouseDClick(f.Chart1, Qt::LeftButton, {}, PlotPoint(*f.Chart1, 0.5, 0.5));
             f.title->selectAll();
             QTest::keyClicks(f.title, QStringLiteral("Cellar"));
             QTest::mouseClick(f.Chart1, Qt::LeftButton, {}, PlotPoint(*f.Chart1, 0.5, 0.5));
         },
         [](ActiveWindow& a) {
             return !a.w.window->title->isVisible() &&
                    a.w.window->Chart1->TitleLines() == QStringList({"Cellar"});
         }});
    return routes;
}

}  // namespace

void WiringTest::everyCommandReachesItsHandler() {
    for (const Route& route : Routes()) {
        ActiveWindow a;
        TForm1& f = *a.w.window;
        // The Pulse Distribution row starts from another view, the others from the first.
        if (route.name.startsWith(QStringLiteral("Pulse Distribution "))) {
            f.Mean1Click(f.Mean1);
        }
        if (route.name.startsWith(QStringLiteral("Mean list"))) {
            f.Mean1Click(f.Mean1);
        }
        if (route.name.startsWith(QStringLiteral("Trigger"))) {
            f.Dump_BtnClick(f.SpeedButton7);  // the button appears with a read-out
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
    TForm1& f = *a.w.window;
    a.w.Choose(f.ComboBox3->count() - 1);  // "All measurements": no View menu
    QVERIFY(!f.View1->isEnabled());
    for (const QAction* item : {f.PulseDistributionandMean1, f.Mean1, f.Pressure}) {
        TypeShortcut(f, item->shortcut());
    }
    QCOMPARE(f.State().view, ChartView::PulseDistribution);
    QVERIFY(f.PulseDistribution1->isChecked());
    QVERIFY(!f.Pressure->isChecked());
    QCOMPARE(f.Chart1->Series2()->Count(), 0);
    QCOMPARE(f.Chart1->Series6()->Count(), 0);
}

void WiringTest::hintsAreToolTipsAndLeaveThePanelsAlone() {
    ActiveWindow a;
    TForm1& f = *a.w.window;
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    for (QToolButton* b :
         {f.Open_SB, f.Save_SB, f.SpeedButton1, f.SpeedButton7, f.SpeedButton3, f.ERASE_BTN}) {
        QVERIFY(!b->toolTip().isEmpty());
        QTest::mouseMove(b);
        QCoreApplication::processEvents();
        QVERIFY2(f.StatusBar1->currentMessage().isEmpty(), qPrintable(b->toolTip()));
    }
    // Hovering the items of an opened menu neither.
    QMenuBar* bar = f.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(f.Main1->menuAction()).center());
    QTRY_VERIFY(f.Main1->isVisible());
    for (QAction* item : f.Main1->actions()) {
        QTest::mouseMove(f.Main1, f.Main1->actionGeometry(item).center());
        QCoreApplication::processEvents();
        QVERIFY(f.StatusBar1->currentMessage().isEmpty());
    }
    f.Main1->close();
    // The panels are painted with their texts.
    const QImage bar0 = f.StatusBar1->grab().toImage();
    QVERIFY(f.StatusBar1->findChildren<QLabel*>().first()->isVisible());
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
    TForm1& f = *w.window;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(!f.View1->isEnabled());  // no image yet
    const QImage bar = f.menuBar()->grab().toImage();
    const QRect title = f.menuBar()->actionGeometry(f.View1->menuAction());
    QVERIFY2(TextContrast(bar, title) >= 3.0,
             qPrintable(QString::number(TextContrast(bar, title))));

    // A V5 image: the View menu opens, its climate items are disabled.
    w.Open(SamplePath("v5"));
    w.Choose(0);
    QVERIFY(!f.Temperature->isEnabled());
    QMenuBar* menus = f.menuBar();
    QTest::mouseClick(menus, Qt::LeftButton, {},
                      menus->actionGeometry(f.View1->menuAction()).center());
    QTRY_VERIFY(f.View1->isVisible());
    const QImage menu = f.View1->grab().toImage();
    const double contrast = TextContrast(menu, f.View1->actionGeometry(f.Temperature));
    QVERIFY2(contrast >= 3.0, qPrintable(QString::number(contrast)));
    f.View1->close();
}

void WiringTest::theSaveDialogKeepsTheChosenFormat() {
    WindowUnderTest w;
    TForm1& f = *w.window;
    w.Open(SamplePath("v7"));
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Rn Data File (*.Rn)"));
    const QString text = w.WorkingFile(QStringLiteral("all.txt"));
    w.Save(text, 4);
    const QByteArray exported = ReadAll(text);
    QVERIFY(exported.startsWith("Time; Bqm3"));

    // Saved again: the dialog offers the same name in the same format.
    w.dialogs.CancelFile();
    f.Save1Click(f.Save_SB);
    QCOMPARE(w.dialogs.filePreset, text);
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Text (.txt) (*.txt)"));
    QCOMPARE(w.dialogs.fileDefaultSuffix, QStringLiteral("txt"));

    // Confirmed as offered, it writes the text again, never the image over it.
    w.dialogs.ChooseFile(text, 0);  // the filter the dialog opened with
    f.Save1Click(f.Save_SB);
    QCOMPARE(ReadAll(text), exported);

    // Opening a data file makes the data file the format again.
    w.Open(SamplePath("v5"));
    w.dialogs.CancelFile();
    f.Save1Click(f.Save_SB);
    QCOMPARE(w.dialogs.fileSelectedFilter, QStringLiteral("Rn Data File (*.Rn)"));
}

QTEST_MAIN(WiringTest)
#include "wiring_test.moc"
