// The window while the instrument talks to it, with the simulated Kelmor sending at a pace
// on the system clock: what the status bar shows, input that arrives meanwhile (discarded,
// never replayed), Cancel and Escape, a close request, and commands whose writes fail.
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <functional>

#include "link/clock.h"
#include "ui/dialogs/trigger_level_dialog.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class ExchangeWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aReadOutStartedByMouseShowsItselfAndReplaysNothing();
    void escapeAndCancelEndAReadOutAtOnceAndChangeNothing();
    void anEraseWaitCanBeCancelled();
    void aCloseRequestIsAnsweredNotRemembered();
    void clockAndTriggerLevelWhoseWritesFailSayNotResponding();
};

namespace {

// A shown window over a simulated Kelmor that sends its memory at `bytesPerSecond`, on
// the system clock.
struct PacedWindow {
    PacedWindow(Model model, const char* sample, int bytesPerSecond) : bus(clock, model) {
        bus.AddGadget("FT232R USB UART", "A50285BI");
        bus.AddKelmor("USB <-> Serial Cable", "KLM70412");
        LoadSampleIntoKelmor(bus, sample);
        bus.Kelmor()->SetTransferRate(bytesPerSecond);
        WindowSetup setup{&bus, &clock, &dialogs, folder.path(), QString(), QString(), QString()};
        window = std::make_unique<MainWindow>(setup);
        window->resize(900, 500);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    // Runs `step` `ms` milliseconds from now, while the window waits for the Kelmor.
    void At(int ms, std::function<void()> step) {
        QTimer::singleShot(ms, window.get(), std::move(step));
    }

    int ReadMemoryCommands() {
        int count = 0;
        for (const ReceivedCommand& c : bus.Kelmor()->ReceivedCommands()) {
            count += c.command == KelmorCommand::ReadMemory ? 1 : 0;
        }
        return count;
    }

    QProgressBar* Progress() const { return window->findChild<QProgressBar*>("exchangeProgress"); }
    QPushButton* Cancel() const { return window->findChild<QPushButton*>("cancelExchangeButton"); }

    SystemClock clock;
    SimulatedFtdiBus bus;
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
};

void TypeKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::sendKeyEvent(QTest::Press, widget, key, QString(), modifiers);
    QTest::sendKeyEvent(QTest::Release, widget, key, QString(), modifiers);
}

}  // namespace

void ExchangeWindowTest::aReadOutStartedByMouseShowsItselfAndReplaysNothing() {
    // The V5 memory (16383 bytes) in about 1.2 s.
    PacedWindow p(Model::V5, "v5", 14000);
    MainWindow& f = *p.window;

    // What the status bar shows while the memory comes in.
    QStringList panelTexts;
    QList<int> progress;
    QStringList progressTexts;
    bool hintShown = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!f.ExchangeRunning()) {
            return;
        }
        panelTexts << f.PanelText(1);
        hintShown |= !Child<QStatusBar>(f, "statusBar")->currentMessage().isEmpty();
        if (p.Progress()->isVisible()) {
            progress << p.Progress()->value();
            progressTexts << p.Progress()->text() + QLatin1Char('|') + p.Progress()->toolTip();
        }
    });
    sampler.start(50);

    // Meanwhile the user goes on clicking and typing.
    p.At(200, [&] { QTest::mouseClick(Child<QToolButton>(f, "readOutButton"), Qt::LeftButton); });
    p.At(300, [&] { QTest::mouseClick(Child<QToolButton>(f, "readOutButton"), Qt::LeftButton); });
    p.At(400, [&] { QTest::mouseClick(Child<QToolButton>(f, "eraseButton"), Qt::LeftButton); });
    p.At(500, [&] { QTest::mouseClick(Child<QToolButton>(f, "openButton"), Qt::LeftButton); });
    p.At(600, [&] { TypeKey(&f, Qt::Key_O, Qt::ControlModifier); });
    p.At(700, [&] { TypeKey(&f, Qt::Key_Q, Qt::ControlModifier); });

    QTest::mouseMove(Child<QToolButton>(f, "readOutButton"));
    QTest::mouseClick(Child<QToolButton>(f, "readOutButton"), Qt::LeftButton);
    QVERIFY(!f.ExchangeRunning());
    sampler.stop();

    QVERIFY(!panelTexts.isEmpty());
    QCOMPARE(panelTexts.front(), QStringLiteral("Transfering measurements"));
    QVERIFY(!hintShown);
    QVERIFY2(progress.size() >= 5, qPrintable(QString::number(progress.size())));
    QVERIFY(progress.back() > progress.front());
    // Once the line's rate is known the bar tells the time left, the bytes in its tool tip.
    const QRegularExpression timeLeft(
        QStringLiteral("^about \\d+ (s|min) left\\|[\\d ]+ of [\\d ]+ bytes$"));
    QVERIFY2(timeLeft.match(progressTexts.back()).hasMatch(), qPrintable(progressTexts.back()));

    // Done: loaded, and nothing of what the user did meanwhile comes after it.
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 5);
    QTest::qWait(300);
    QCOMPARE(p.ReadMemoryCommands(), 1);
    QVERIFY(p.dialogs.messages.isEmpty());     // no erase question
    QVERIFY(p.dialogs.fileDialogs.isEmpty());  // no Open dialog
    QVERIFY(f.isVisible());                    // not quit
    QCOMPARE(f.PanelText(1), QString());
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void ExchangeWindowTest::escapeAndCancelEndAReadOutAtOnceAndChangeNothing() {
    // A V7 memory at 9600 baud would take over two minutes.
    PacedWindow p(Model::V7, "v7", 960);
    MainWindow& f = *p.window;
    p.dialogs.ChooseFile(SamplePath("v5"));
    Click(f, "openButton");
    f.WatchConnection();
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 5);

    for (const bool byButton : {false, true}) {
        QElapsedTimer sinceCancel;
        bool cancelShown = false;
        p.At(600, [&] {
            cancelShown = p.Cancel()->isVisible();
            sinceCancel.start();
            if (byButton) {
                QTest::mouseClick(p.Cancel(), Qt::LeftButton);
            } else {
                TypeKey(&f, Qt::Key_Escape);
            }
        });
        QTest::mouseClick(Child<QToolButton>(f, "readOutButton"), Qt::LeftButton);
        QVERIFY(sinceCancel.isValid());
        QVERIFY2(sinceCancel.elapsed() < 500, qPrintable(QString::number(sinceCancel.elapsed())));
        QVERIFY(cancelShown);
        QCOMPARE(f.PanelText(1), QStringLiteral("Read-out cancelled"));
        QVERIFY(!p.bus.KelmorOpen());
        QCOMPARE(Child<QComboBox>(f, "measurementList")->count(),
                 5);  // the V5 file is still loaded
        QCOMPARE(f.Data().ModelTag(), std::uint8_t('1'));
        QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
        QVERIFY(!p.Cancel()->isVisible());
    }
}

void ExchangeWindowTest::anEraseWaitCanBeCancelled() {
    PacedWindow p(Model::V7, "v7", 0);
    MainWindow& f = *p.window;
    QElapsedTimer sinceCancel;
    QString whileWaiting;
    p.At(400, [&] {
        whileWaiting = f.PanelText(1);
        sinceCancel.start();
        QTest::mouseClick(p.Cancel(), Qt::LeftButton);
    });
    QElapsedTimer erase;
    erase.start();
    QTest::mouseClick(Child<QToolButton>(f, "eraseButton"),
                      Qt::LeftButton);  // the question is answered OK
    QCOMPARE(whileWaiting, QStringLiteral("Erasing Kelmor"));
    QVERIFY(sinceCancel.elapsed() < 500);
    QVERIFY(erase.elapsed() < 5000);  // not the 15 s the V7 takes
    QCOMPARE(f.PanelText(1),
             QStringLiteral("Erase cancelled: the Kelmor may still erase its memory"));
    QVERIFY(!p.bus.KelmorOpen());
    QVERIFY(Child<QToolButton>(f, "eraseButton")->isEnabled());
}

void ExchangeWindowTest::aCloseRequestIsAnsweredNotRemembered() {
    PacedWindow p(Model::V5, "v5", 30000);
    MainWindow& f = *p.window;
    bool closed = true;
    QString said;
    p.At(200, [&] {
        closed = f.close();
        said = f.PanelText(1);
    });
    Click(f, "readOutButton");
    QVERIFY(!closed);
    QCOMPARE(said, QStringLiteral("The window cannot close while the Kelmor is busy"));
    QTest::qWait(200);
    QVERIFY(f.isVisible());
    QVERIFY(f.close());  // once done, it closes when asked
}

void ExchangeWindowTest::clockAndTriggerLevelWhoseWritesFailSayNotResponding() {
    PacedWindow p(Model::V7, "v7", 0);
    MainWindow& f = *p.window;
    Click(f, "readOutButton");  // the trigger level needs a read-out
    QVERIFY(Child<QToolButton>(f, "triggerLevelButton")->isEnabled());

    // Every write after Identify fails: the instrument was unplugged, say.
    p.bus.Kelmor()->SetWriteFault(WriteFault::Fails, 1);
    QTest::mouseClick(Child<QToolButton>(f, "clockButton"), Qt::LeftButton);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor not responding"));

    p.bus.Kelmor()->SetWriteFault(WriteFault::Fails, 3);
    p.dialogs.ownAnswers.push_back([&f](QDialog&) {
        Click(*Child<TriggerLevelDialog>(f, "triggerLevelDialog"), "setButton");
        return int(QDialog::Accepted);
    });
    QTest::mouseClick(Child<QToolButton>(f, "triggerLevelButton"), Qt::LeftButton);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor not responding"));
}

QTEST_MAIN(ExchangeWindowTest)
#include "exchange_window_test.moc"
