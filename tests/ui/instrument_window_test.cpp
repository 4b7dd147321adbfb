// The instrument commands as the window gives them: the connection watch, the read-out,
// the clock, the erase and the trigger level, against the simulated Kelmor.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "data/image_loader.h"
#include "link/clock.h"
#include "ui/dialogs/trigger_level_dialog.h"
#include "ui/dialogs/up_down.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class InstrumentWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void theWatchFollowsPluggingAndUnplugging();
    void aDeviceThatCannotBeReadIsReportedAsAPermissionProblem();
    void aReadOutOfEachModelLoadsTheInstrumentsMemory();
    void aSilentInstrumentChangesNothingLoaded();
    void anUnknownModelChangesNothingLoaded();
    void anUnwritableFolderOnlyWarns();
    void clockSynchronisationAsksFirst();
    void eraseAsksAndReports();
    void triggerLevelNeedsAFactorAndReportsTheLevelSent();
    void theWindowKeepsRepaintingAndNoPassRunsInAnExchange();
};

namespace {

QStringList ListItems(const MainWindow& f) {
    QStringList items;
    for (int i = 0; i < Child<QComboBox>(f, "measurementList")->count(); ++i) {
        items << Child<QComboBox>(f, "measurementList")->itemText(i);
    }
    return items;
}

}  // namespace

void InstrumentWindowTest::theWatchFollowsPluggingAndUnplugging() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    Click(f, "readOutButton");
    QVERIFY(Child<QToolButton>(f, "triggerLevelButton")->isEnabled());

    w.bus->Unplug();
    f.WatchConnection();
    QCOMPARE(f.PanelText(0), QString());
    QVERIFY(!Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(f, "clockButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(f, "eraseButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(f, "triggerLevelButton")->isEnabled());

    w.bus->Plug();
    f.WatchConnection();
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(Child<QToolButton>(f, "clockButton")->isEnabled());
    QVERIFY(Child<QToolButton>(f, "eraseButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(f, "triggerLevelButton")->isEnabled());  // until the next read-out
}

void InstrumentWindowTest::aDeviceThatCannotBeReadIsReportedAsAPermissionProblem() {
    WindowUnderTest w(Model::V7, false);
    w.bus->SetListingLacksPermission(true);
    w.window->WatchConnection();
    QVERIFY(w.window->PanelText(0).contains(QStringLiteral("udev rule")));
    QVERIFY(!Child<QToolButton>(*w.window, "readOutButton")->isEnabled());
    w.bus->SetListingLacksPermission(false);
    w.window->WatchConnection();
    QCOMPARE(w.window->PanelText(0), QString());
}

void InstrumentWindowTest::aReadOutOfEachModelLoadsTheInstrumentsMemory() {
    const std::pair<Model, const char*> models[] = {
        {Model::V5, "v5"}, {Model::V6, "v6"}, {Model::V7, "v7"}};
    for (const auto& [model, name] : models) {
        WindowUnderTest w(model);
        MainWindow& f = *w.window;
        LoadSampleIntoKelmor(*w.bus, name);
        Click(f, "readOutButton");
        QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(w.dialogs.messages.join('\n')));

        // The same list as the data file of that memory gives.
        WindowUnderTest fromFile(model);
        fromFile.Open(SamplePath(name));
        QCOMPARE(ListItems(f), ListItems(*fromFile.window));
        QCOMPARE(f.Data().LastSampleIndex, fromFile.window->Data().LastSampleIndex);

        QVERIFY(!Child<QToolButton>(f, "triggerLevelButton")->isHidden());
        QVERIFY(Child<QToolButton>(f, "triggerLevelButton")->isEnabled());
        QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
        QCOMPARE(f.PanelText(1), QString());
        QCOMPARE(Child<QAction>(f, "temperatureAction")->isEnabled(), model != Model::V5);
        const int size = LayoutOf(model).imageSize;
        const QString image = w.WorkingFile(QStringLiteral("%1.tmp").arg(LayoutOf(model).name));
        QCOMPARE(QFileInfo(image).size(), size);
        QCOMPARE(ReadAll(image).at(0), char(LayoutOf(model).tag));
        QCOMPARE(QFileInfo(w.WorkingFile("V5C.tmp")).size(), 1024);
        QVERIFY(QFile::exists(w.WorkingFile("v5dat.tmp")));
        QCOMPARE(QFile::exists(w.WorkingFile("V7E.csv")), model == Model::V7);
        if (model == Model::V7) {
            const QByteArray csv = ReadAll(w.WorkingFile("V7E.csv"));
            QCOMPARE(csv.count("\r\n"), 256);
        }
    }
}

void InstrumentWindowTest::aSilentInstrumentChangesNothingLoaded() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v6"));
    const QStringList items = ListItems(f);
    const ImageBuffer image = f.Data().MeasurementImage;
    const QByteArray samples = ReadAll(w.WorkingFile("v5dat.tmp"));
    f.WatchConnection();
    w.bus->Kelmor()->SetSilent(true);
    Click(f, "readOutButton");
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor not responding"));
    QCOMPARE(ListItems(f), items);
    QVERIFY(f.Data().MeasurementImage == image);
    QCOMPARE(ReadAll(w.WorkingFile("v5dat.tmp")), samples);
    QVERIFY(!QFile::exists(w.WorkingFile("V7.tmp")));
    QVERIFY(!w.bus->KelmorOpen());
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(Child<QAction>(f, "temperatureAction")->isEnabled());  // as the V6 image had it
    QVERIFY(!f.ExchangeRunning());
}

void InstrumentWindowTest::anUnknownModelChangesNothingLoaded() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v5"));
    const QStringList items = ListItems(f);
    f.WatchConnection();
    w.bus->Kelmor()->SetModelCode(std::uint8_t{'9'});
    Click(f, "readOutButton");
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor model not recognised"));
    QCOMPARE(ListItems(f), items);
    QVERIFY(!w.bus->KelmorOpen());
    QVERIFY(Child<QToolButton>(f, "triggerLevelButton")->isHidden());
}

void InstrumentWindowTest::anUnwritableFolderOnlyWarns() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    // A folder that is a file cannot take the temporary files.
    QFile blocker(w.WorkingFile("V7E.csv"));
    QVERIFY(QDir(w.folder.path()).mkdir(QStringLiteral("V7E.csv")));
    Click(f, "readOutButton");
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages[0].contains(QStringLiteral("V7E.csv")));
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 9);
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(!w.bus->KelmorOpen());
}

void InstrumentWindowTest::clockSynchronisationAsksFirst() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    Click(f, "clockButton");
    QCOMPARE(w.dialogs.messages,
             QStringList({"The Kelmor clock will be syncronized with the clock in your PC!"}));
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());

    w.clock.SetLocalNow(QDateTime(QDate(2028, 12, 31), QTime(23, 59, 59)));
    Click(f, "clockButton");
    QCOMPARE(f.PanelText(1), QStringLiteral("Clock updated"));
    const auto registers = w.bus->Kelmor()->Registers();
    QCOMPARE(registers[8], std::uint8_t{0x28});
    QCOMPARE(registers[7], std::uint8_t{0x12});
    QCOMPARE(registers[5], std::uint8_t{0x31});
}

void InstrumentWindowTest::eraseAsksAndReports() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    Click(f, "eraseButton");
    QCOMPARE(w.dialogs.messages,
             QStringList({"The measurements in the Kelmor will be erased! If you have not saved "
                          "them, you will lose them!"}));
    QCOMPARE(w.bus->Kelmor()->EraseCount(), 0);

    Click(f, "eraseButton");
    QCOMPARE(w.bus->Kelmor()->EraseCount(), 1);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor ERASED"));
    // A read-out now finds no measurement.
    Click(f, "readOutButton");
    QCOMPARE(w.dialogs.messages.last(), QStringLiteral("No measurements saved in V5! "));

    w.bus->Kelmor()->SetEraseReply('x');
    Click(f, "eraseButton");
    QCOMPARE(f.PanelText(1), QStringLiteral("Erasing Kelmor"));
}

void InstrumentWindowTest::triggerLevelNeedsAFactorAndReportsTheLevelSent() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    // A read-out of an instrument whose calibration bytes are 0: no level code exists.
    Click(f, "readOutButton");
    QCOMPARE(f.Data().Header.CalibrationFactor, 0.0L);
    w.bus->Kelmor()->ClearRecord();
    w.dialogs.messages.clear();
    w.dialogs.ownAnswers.push_back([&f](QDialog&) {
        Click(*Child<TriggerLevelDialog>(f, "triggerLevelDialog"), "setButton");
        return int(QDialog::Accepted);
    });
    Click(f, "triggerLevelButton");
    QCOMPARE(w.dialogs.dialogsShown.last(), QStringLiteral("triggerLevelDialog"));
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages[0].contains(QStringLiteral("calibration factor")));
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());

    LoadSampleIntoKelmor(*w.bus, "v7");  // factor 6.25
    Click(f, "readOutButton");
    w.dialogs.ownAnswers.push_back([&f](QDialog&) {
        Child<UpDown>(*Child<TriggerLevelDialog>(f, "triggerLevelDialog"), "levelUpDown")
            ->SetPosition(2000);
        Click(*Child<TriggerLevelDialog>(f, "triggerLevelDialog"), "setButton");
        return int(QDialog::Accepted);
    });
    Click(f, "triggerLevelButton");
    // 2000 / 6.25 = 320 pulses: more than the instrument keeps, so it gets 255.
    QCOMPARE(w.bus->Kelmor()->TriggerLevelCode(), std::uint8_t{255});
    QCOMPARE(f.PanelText(1), QStringLiteral("Trigger level set to 1593 Bq/m3"));
    // After the dialog closed the factor is still the image's.
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.25L);
}

void InstrumentWindowTest::theWindowKeepsRepaintingAndNoPassRunsInAnExchange() {
    // The window's own clock, with a Kelmor that takes real time to send its memory.
    SystemClock clock;
    SimulatedFtdiBus kelmor(clock, Model::V5);
    kelmor.AddKelmor("USB <-> V5", "KLM50001");
    LoadSampleIntoKelmor(kelmor, "v5");
    kelmor.Kelmor()->SetTransferRate(16384 * 2);  // half a second for the memory
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    WindowSetup setup{&kelmor, &clock, &dialogs, folder.path(), QString(), QString(), QString()};
    MainWindow f(setup);
    Child<QTimer>(f, "discoveryTimer")->setInterval(20);

    int ticks = 0;
    bool listedWhileOpen = false;
    QTimer beat;
    beat.setInterval(10);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        ++ticks;
        listedWhileOpen |= kelmor.KelmorOpen() && !f.ExchangeRunning();
    });
    beat.start();
    int passesDuringExchange = 0;
    bool closedDuringExchange = false;
    QObject::connect(Child<QTimer>(f, "discoveryTimer"), &QTimer::timeout, [&] {
        passesDuringExchange += f.ExchangeRunning();
        if (f.ExchangeRunning() && f.isVisible()) {
            closedDuringExchange |= f.close();
        }
    });
    f.show();
    Click(f, "readOutButton");
    QVERIFY2(ticks >= 20,
             qPrintable(QString::number(ticks)));  // events went on during the read-out
    QVERIFY(passesDuringExchange > 0);             // the timer ticked, but its pass stood back
    QVERIFY(!listedWhileOpen);
    QVERIFY(!closedDuringExchange);
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 5);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(InstrumentWindowTest)
#include "instrument_window_test.moc"
