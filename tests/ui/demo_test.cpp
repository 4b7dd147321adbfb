// The demonstration's Simulator menu: each of its items, chosen with the mouse, leads to
// what the program shows for that failure of a real instrument.
#include <QAction>
#include <QMenuBar>
#include <QtTest>
#include <functional>

#include "ui/demo/simulator_menu.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class DemoTest : public QObject {
    Q_OBJECT

  private slots:
    void eachMisbehaviourLeadsToItsMessage();
    void unpluggingAndPluggingInFollowInTheStatusBar();
    void theSampleMemoryComesBackAfterAnErase();
};

namespace {

// The demo as kelmor-demo builds it: a V7 holding the sample memory, with the menu.
struct Demo {
    Demo() {
        LoadSampleIntoKelmor(*w.bus, "v7");
        menu = AddSimulatorMenu(*w.window, *w.bus, ReadAll(SamplePath("v7")));
        w.window->resize(900, 500);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    }

    void Click(QAction* item, QMenu* submenu = nullptr) {
        QMenuBar* bar = w.window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        QTRY_VERIFY(menu->isVisible());
        QMenu* holder = menu;
        if (submenu) {
            const QPoint at = menu->actionGeometry(submenu->menuAction()).center();
            QTest::mouseMove(menu, at);
            QTest::mouseClick(menu, Qt::LeftButton, {}, at);
            QTRY_VERIFY(submenu->isVisible());
            holder = submenu;
        }
        QTest::mouseClick(holder, Qt::LeftButton, {}, holder->actionGeometry(item).center());
        QTRY_VERIFY(!menu->isVisible());
    }

    void ReadOut() {
        w.window->WatchConnection();
        QTest::mouseClick(Child<QToolButton>(*w.window, "readOutButton"), Qt::LeftButton);
    }

    WindowUnderTest w;
    SimulatorMenu* menu = nullptr;
};

}  // namespace

void DemoTest::eachMisbehaviourLeadsToItsMessage() {
    QCOMPARE(Demo().menu->title(), QStringLiteral("Simulator"));
    const struct {
        const char* name;
        std::function<QAction*(SimulatorMenu&)> item;
        bool inRefusals;
        const char* shown;
    } cases[] = {
        {"silent", [](SimulatorMenu& m) { return m.Silent; }, false, "Kelmor not responding"},
        {"short", [](SimulatorMenu& m) { return m.ShortAnswers; }, false, "Kelmor not responding"},
        {"wrong model", [](SimulatorMenu& m) { return m.WrongModel; }, false,
         "Kelmor model not recognised"},
        {"no permission", [](SimulatorMenu& m) { return m.OpenRefusals[1]; }, true,
         "Kelmor not accessible: see the udev rule"},
        {"in use", [](SimulatorMenu& m) { return m.OpenRefusals[2]; }, true,
         "Kelmor is used by another program"},
        {"open fails", [](SimulatorMenu& m) { return m.OpenRefusals[3]; }, true,
         "Kelmor could not be opened"},
        {"unplugged mid-read", [](SimulatorMenu& m) { return m.UnplugDuringReadOut; }, false,
         "Kelmor not responding"},
    };
    for (const auto& c : cases) {
        Demo d;
        d.Click(c.item(*d.menu), c.inRefusals ? d.menu->RefuseOpen : nullptr);
        QVERIFY2(c.item(*d.menu)->isChecked(), c.name);
        d.ReadOut();
        QVERIFY2(d.w.window->PanelText(1) == QLatin1String(c.shown),
                 qPrintable(QStringLiteral("%1: %2").arg(c.name, d.w.window->PanelText(1))));
        QCOMPARE(Child<QComboBox>(*d.w.window, "measurementList")->count(), 0);  // nothing loaded

        // Taken back, the Kelmor reads out again.
        if (c.item(*d.menu) == d.menu->UnplugDuringReadOut) {
            d.Click(d.menu->PluggedIn);
            QVERIFY(d.menu->PluggedIn->isChecked());
            QVERIFY(!d.menu->UnplugDuringReadOut->isChecked());  // spent
        } else {
            d.Click(c.inRefusals ? d.menu->OpenRefusals[0] : c.item(*d.menu),
                    c.inRefusals ? d.menu->RefuseOpen : nullptr);
        }
        d.ReadOut();
        QVERIFY2(Child<QComboBox>(*d.w.window, "measurementList")->count() == 9, c.name);
    }

    // An erase the Kelmor does not confirm leaves "Erasing Kelmor".
    Demo d;
    d.Click(d.menu->EraseNotConfirmed);
    QTest::mouseClick(Child<QToolButton>(*d.w.window, "eraseButton"), Qt::LeftButton);
    QCOMPARE(d.w.window->PanelText(1), QStringLiteral("Erasing Kelmor"));
    d.Click(d.menu->EraseNotConfirmed);
    QTest::mouseClick(Child<QToolButton>(*d.w.window, "eraseButton"), Qt::LeftButton);
    QCOMPARE(d.w.window->PanelText(1), QStringLiteral("Kelmor ERASED"));
}

void DemoTest::unpluggingAndPluggingInFollowInTheStatusBar() {
    Demo d;
    MainWindow& f = *d.w.window;
    QVERIFY(d.menu->PluggedIn->isChecked());
    d.Click(d.menu->PluggedIn);
    f.WatchConnection();
    QCOMPARE(f.PanelText(0), QString());
    QVERIFY(!Child<QToolButton>(f, "readOutButton")->isEnabled());
    d.Click(d.menu->PluggedIn);
    f.WatchConnection();
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
}

void DemoTest::theSampleMemoryComesBackAfterAnErase() {
    Demo d;
    QTest::mouseClick(Child<QToolButton>(*d.w.window, "eraseButton"), Qt::LeftButton);
    QCOMPARE(d.w.window->PanelText(1), QStringLiteral("Kelmor ERASED"));
    d.ReadOut();
    QCOMPARE(d.w.dialogs.messages.last(), QStringLiteral("No measurements saved in V5! "));
    d.Click(d.menu->RestoreMemory);
    d.ReadOut();
    QCOMPARE(Child<QComboBox>(*d.w.window, "measurementList")->count(), 9);
}

QTEST_MAIN(DemoTest)
#include "demo_test.moc"
