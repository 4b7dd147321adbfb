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
    for (int i = 0; i < f.measurementList_->count(); ++i) {
        items << f.measurementList_->itemText(i);
    }
    return items;
}

}  // namespace

void InstrumentWindowTest::theWatchFollowsPluggingAndUnplugging() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    f.ReadOut(f.readOutButton_);
    QVERIFY(f.triggerLevelButton_->isEnabled());

    w.bus->Unplug();
    f.WatchConnection(f.discoveryTimer_);
    QCOMPARE(f.PanelText(0), QString());
    QVERIFY(!f.readOutButton_->isEnabled());
    QVERIFY(!f.clockButton_->isEnabled());
    QVERIFY(!f.eraseButton_->isEnabled());
    QVERIFY(!f.triggerLevelButton_->isEnabled());

    w.bus->Plug();
    f.WatchConnection(f.discoveryTimer_);
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    QVERIFY(f.readOutButton_->isEnabled());
    QVERIFY(f.clockButton_->isEnabled());
    QVERIFY(f.eraseButton_->isEnabled());
    QVERIFY(!f.triggerLevelButton_->isEnabled());  // until the next read-out
}

void InstrumentWindowTest::aDeviceThatCannotBeReadIsReportedAsAPermissionProblem() {
    WindowUnderTest w(Model::V7, false);
    w.bus->SetListingLacksPermission(true);
    w.window->WatchConnection(w.window->discoveryTimer_);
    QVERIFY(w.window->PanelText(0).contains(QStringLiteral("udev rule")));
    QVERIFY(!w.window->readOutButton_->isEnabled());
    w.bus->SetListingLacksPermission(false);
    w.window->WatchConnection(w.window->discoveryTimer_);
    QCOMPARE(w.window->PanelText(0), QString());
}

void InstrumentWindowTest::aReadOutOfEachModelLoadsTheInstrumentsMemory() {
    const std::pair<Model, const char*> models[] = {
        {Model::V5, "v5"}, {Model::V6, "v6"}, {Model::V7, "v7"}};
    for (const auto& [model, name] : models) {
        WindowUnderTest w(model);
        MainWindow& f = *w.window;
        LoadSampleIntoKelmor(*w.bus, name);
        f.ReadOut(f.readOutButton_);
        QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(w.dialogs.messages.join('\n')));

        // The same list as the data file of that memory gives.
        WindowUnderTest fromFile(model);
        fromFile.Open(SamplePath(name));
        QCOMPARE(ListItems(f), ListItems(*fromFile.window));
        QCOMPARE(f.Data().LastSampleIndex, fromFile.window->Data().LastSampleIndex);

        QVERIFY(!f.triggerLevelButton_->isHidden());
        QVERIFY(f.triggerLevelButton_->isEnabled());
        QVERIFY(f.readOutButton_->isEnabled());
        QCOMPARE(f.PanelText(1), QString());
        QCOMPARE(f.temperatureAction_->isEnabled(), model != Model::V5);
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
    f.WatchConnection(f.discoveryTimer_);
    w.bus->Kelmor()->SetSilent(true);
    f.ReadOut(f.readOutButton_);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor not responding"));
    QCOMPARE(ListItems(f), items);
    QVERIFY(f.Data().MeasurementImage == image);
    QCOMPARE(ReadAll(w.WorkingFile("v5dat.tmp")), samples);
    QVERIFY(!QFile::exists(w.WorkingFile("V7.tmp")));
    QVERIFY(!w.bus->KelmorOpen());
    QVERIFY(f.readOutButton_->isEnabled());
    QVERIFY(f.temperatureAction_->isEnabled());  // as the V6 image had it
    QVERIFY(!f.ExchangeRunning());
}

void InstrumentWindowTest::anUnknownModelChangesNothingLoaded() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v5"));
    const QStringList items = ListItems(f);
    f.WatchConnection(f.discoveryTimer_);
    w.bus->Kelmor()->SetModelCode(std::uint8_t{'9'});
    f.ReadOut(f.readOutButton_);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor model not recognised"));
    QCOMPARE(ListItems(f), items);
    QVERIFY(!w.bus->KelmorOpen());
    QVERIFY(f.triggerLevelButton_->isHidden());
}

void InstrumentWindowTest::anUnwritableFolderOnlyWarns() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    // A folder that is a file cannot take the temporary files.
    QFile blocker(w.WorkingFile("V7E.csv"));
    QVERIFY(QDir(w.folder.path()).mkdir(QStringLiteral("V7E.csv")));
    f.ReadOut(f.readOutButton_);
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages[0].contains(QStringLiteral("V7E.csv")));
    QCOMPARE(f.measurementList_->count(), 9);
    QVERIFY(f.readOutButton_->isEnabled());
    QVERIFY(!w.bus->KelmorOpen());
}

void InstrumentWindowTest::clockSynchronisationAsksFirst() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    f.SetInstrumentClock(f.clockButton_);
    QCOMPARE(w.dialogs.messages,
             QStringList({"The Kelmor clock will be syncronized with the clock in your PC!"}));
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());

    w.clock.SetLocalNow(QDateTime(QDate(2028, 12, 31), QTime(23, 59, 59)));
    f.SetInstrumentClock(f.clockButton_);
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
    f.EraseInstrument(f.eraseButton_);
    QCOMPARE(w.dialogs.messages,
             QStringList({"The measurements in the Kelmor will be erased! If you have not saved "
                          "them, you will lose them!"}));
    QCOMPARE(w.bus->Kelmor()->EraseCount(), 0);

    f.EraseInstrument(f.eraseButton_);
    QCOMPARE(w.bus->Kelmor()->EraseCount(), 1);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor ERASED"));
    // A read-out now finds no measurement.
    f.ReadOut(f.readOutButton_);
    QCOMPARE(w.dialogs.messages.last(), QStringLiteral("No measurements saved in V5! "));

    w.bus->Kelmor()->SetEraseReply('x');
    f.EraseInstrument(f.eraseButton_);
    QCOMPARE(f.PanelText(1), QStringLiteral("Erasing Kelmor"));
}

void InstrumentWindowTest::triggerLevelNeedsAFactorAndReportsTheLevelSent() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    // A read-out of an instrument whose calibration bytes are 0: no level code exists.
    f.ReadOut(f.readOutButton_);
    QCOMPARE(f.Data().Header.CalibrationFactor, 0.0L);
    w.bus->Kelmor()->ClearRecord();
    w.dialogs.messages.clear();
    w.dialogs.ownAnswers.push_back([&f](QDialog&) {
        f.triggerDialog_->SetLevel(f.triggerDialog_->setButton_);
        return int(QDialog::Accepted);
    });
    f.ChooseTriggerLevel(f.triggerLevelButton_);
    QCOMPARE(w.dialogs.dialogsShown.last(), QStringLiteral("triggerLevelDialog"));
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages[0].contains(QStringLiteral("calibration factor")));
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());

    LoadSampleIntoKelmor(*w.bus, "v7");  // factor 6.25
    f.ReadOut(f.readOutButton_);
    w.dialogs.ownAnswers.push_back([&f](QDialog&) {
        f.triggerDialog_->levelUpDown_->SetPosition(2000);
        f.triggerDialog_->SetLevel(f.triggerDialog_->setButton_);
        return int(QDialog::Accepted);
    });
    f.ChooseTriggerLevel(f.triggerLevelButton_);
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
    WindowSetup setup{&kelmor, &clock, &dialogs, folder.path()};
    MainWindow f(setup);
    f.discoveryTimer_->setInterval(20);

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
    QObject::connect(f.discoveryTimer_, &QTimer::timeout, [&] {
        passesDuringExchange += f.ExchangeRunning();
        if (f.ExchangeRunning() && f.isVisible()) {
            closedDuringExchange |= f.close();
        }
    });
    f.show();
    f.ReadOut(f.readOutButton_);
    QVERIFY2(ticks >= 20,
             qPrintable(QString::number(ticks)));  // events went on during the read-out
    QVERIFY(passesDuringExchange > 0);             // the timer ticked, but its pass stood back
    QVERIFY(!listedWhileOpen);
    QVERIFY(!closedDuringExchange);
    QCOMPARE(f.measurementList_->count(), 5);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(InstrumentWindowTest)
#include "instrument_window_test.moc"
