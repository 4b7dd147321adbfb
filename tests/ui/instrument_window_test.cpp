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
#include "ui/dialogs/trigger_dialog.h"
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

QStringList ListItems(const TForm1& f) {
    QStringList items;
    for (int i = 0; i < f.ComboBox3->count(); ++i) {
        items << f.ComboBox3->itemText(i);
    }
    return items;
}

}  // namespace

void InstrumentWindowTest::theWatchFollowsPluggingAndUnplugging() {
    WindowUnderTest w;
    TForm1& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    f.Dump_BtnClick(f.SpeedButton7);
    QVERIFY(f.Level_button->isEnabled());

    w.bus->Unplug();
    f.Timer2Timer(f.Timer2);
    QCOMPARE(f.PanelText(0), QString());
    QVERIFY(!f.SpeedButton7->isEnabled());
    QVERIFY(!f.SpeedButton3->isEnabled());
    QVERIFY(!f.ERASE_BTN->isEnabled());
    QVERIFY(!f.Level_button->isEnabled());

    w.bus->Plug();
    f.Timer2Timer(f.Timer2);
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    QVERIFY(f.SpeedButton7->isEnabled());
    QVERIFY(f.SpeedButton3->isEnabled());
    QVERIFY(f.ERASE_BTN->isEnabled());
    QVERIFY(!f.Level_button->isEnabled());  // until the next read-out
}

void InstrumentWindowTest::aDeviceThatCannotBeReadIsReportedAsAPermissionProblem() {
    WindowUnderTest w(Model::V7, false);
    w.bus->SetListingLacksPermission(true);
    w.window->Timer2Timer(w.window->Timer2);
    QVERIFY(w.window->PanelText(0).contains(QStringLiteral("udev rule")));
    QVERIFY(!w.window->SpeedButton7->isEnabled());
    w.bus->SetListingLacksPermission(false);
    w.window->Timer2Timer(w.window->Timer2);
    QCOMPARE(w.window->PanelText(0), QString());
}

void InstrumentWindowTest::aReadOutOfEachModelLoadsTheInstrumentsMemory() {
    const std::pair<Model, const char*> models[] = {
        {Model::V5, "v5"}, {Model::V6, "v6"}, {Model::V7, "v7"}};
    for (const auto& [model, name] : models) {
        WindowUnderTest w(model);
        TForm1& f = *w.window;
        LoadSampleIntoKelmor(*w.bus, name);
        f.Dump_BtnClick(f.SpeedButton7);
        QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(w.dialogs.messages.join('\n')));

        // The same list as the data file of that memory gives.
        WindowUnderTest fromFile(model);
        fromFile.Open(SamplePath(name));
        QCOMPARE(ListItems(f), ListItems(*fromFile.window));
        QCOMPARE(f.Data().LastSampleIndex, fromFile.window->Data().LastSampleIndex);

        QVERIFY(!f.Level_button->isHidden());
        QVERIFY(f.Level_button->isEnabled());
        QVERIFY(f.SpeedButton7->isEnabled());
        QCOMPARE(f.PanelText(1), QString());
        QCOMPARE(f.Temperature->isEnabled(), model != Model::V5);
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
    TForm1& f = *w.window;
    w.Open(SamplePath("v6"));
    const QStringList items = ListItems(f);
    const ImageBuffer image = f.Data().MeasurementImage;
    const QByteArray samples = ReadAll(w.WorkingFile("v5dat.tmp"));
    f.Timer2Timer(f.Timer2);
    w.bus->Kelmor()->SetSilent(true);
    f.Dump_BtnClick(f.SpeedButton7);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor not responding"));
    QCOMPARE(ListItems(f), items);
    QVERIFY(f.Data().MeasurementImage == image);
    QCOMPARE(ReadAll(w.WorkingFile("v5dat.tmp")), samples);
    QVERIFY(!QFile::exists(w.WorkingFile("V7.tmp")));
    QVERIFY(!w.bus->KelmorOpen());
    QVERIFY(f.SpeedButton7->isEnabled());
    QVERIFY(f.Temperature->isEnabled());  // as the V6 image had it
    QVERIFY(!f.ExchangeRunning());
}

void InstrumentWindowTest::anUnknownModelChangesNothingLoaded() {
    WindowUnderTest w;
    TForm1& f = *w.window;
    w.Open(SamplePath("v5"));
    const QStringList items = ListItems(f);
    f.Timer2Timer(f.Timer2);
    w.bus->Kelmor()->SetModelCode(std::uint8_t{'9'});
    f.Dump_BtnClick(f.SpeedButton7);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor model not recognised"));
    QCOMPARE(ListItems(f), items);
    QVERIFY(!w.bus->KelmorOpen());
    QVERIFY(f.Level_button->isHidden());
}

void InstrumentWindowTest::anUnwritableFolderOnlyWarns() {
    WindowUnderTest w;
    TForm1& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    // A folder that is a file cannot take the temporary files.
    QFile blocker(w.WorkingFile("V7E.csv"));
    QVERIFY(QDir(w.folder.path()).mkdir(QStringLiteral("V7E.csv")));
    f.Dump_BtnClick(f.SpeedButton7);
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages[0].contains(QStringLiteral("V7E.csv")));
    QCOMPARE(f.ComboBox3->count(), 9);
    QVERIFY(f.SpeedButton7->isEnabled());
    QVERIFY(!w.bus->KelmorOpen());
}

void InstrumentWindowTest::clockSynchronisationAsksFirst() {
    WindowUnderTest w;
    TForm1& f = *w.window;
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    f.SpeedButton3Click(f.SpeedButton3);
    QCOMPARE(w.dialogs.messages,
             QStringList({"The Kelmor clock will be syncronized with the clock in your PC!"}));
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());

    w.clock.SetLocalNow(QDateTime(QDate(2028, 12, 31), QTime(23, 59, 59)));
    f.SpeedButton3Click(f.SpeedButton3);
    QCOMPARE(f.PanelText(1), QStringLiteral("Clock updated"));
    const auto registers = w.bus->Kelmor()->Registers();
    QCOMPARE(registers[8], std::uint8_t{0x28});
    QCOMPARE(registers[7], std::uint8_t{0x12});
    QCOMPARE(registers[5], std::uint8_t{0x31});
}

void InstrumentWindowTest::eraseAsksAndReports() {
    WindowUnderTest w;
    TForm1& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    f.ERASE_BTNClick(f.ERASE_BTN);
    QCOMPARE(w.dialogs.messages,
             QStringList({"The measurements in the Kelmor will be erased! If you have not saved "
                          "them, you will lose them!"}));
    QCOMPARE(w.bus->Kelmor()->EraseCount(), 0);

    f.ERASE_BTNClick(f.ERASE_BTN);
    QCOMPARE(w.bus->Kelmor()->EraseCount(), 1);
    QCOMPARE(f.PanelText(1), QStringLiteral("Kelmor ERASED"));
    // A read-out now finds no measurement.
    f.Dump_BtnClick(f.SpeedButton7);
    QCOMPARE(w.dialogs.messages.last(), QStringLiteral("No measurements saved in V5! "));

    w.bus->Kelmor()->SetEraseReply('x');
    f.ERASE_BTNClick(f.ERASE_BTN);
    QCOMPARE(f.PanelText(1), QStringLiteral("Erasing Kelmor"));
}

void InstrumentWindowTest::triggerLevelNeedsAFactorAndReportsTheLevelSent() {
    WindowUnderTest w;
    TForm1& f = *w.window;
    // A read-out of an instrument whose calibration bytes are 0: no level code exists.
    f.Dump_BtnClick(f.SpeedButton7);
    QCOMPARE(f.Data().Header.CalibrationFactor, 0.0L);
    w.bus->Kelmor()->ClearRecord();
    w.dialogs.messages.clear();
    w.dialogs.ownAnswers.push_back([&f](QDialog&) {
        f.Trigger->Button1Click(f.Trigger->Button1);
        return int(QDialog::Accepted);
    });
    f.Level_buttonClick(f.Level_button);
    QCOMPARE(w.dialogs.dialogsShown.last(), QStringLiteral("Trigger"));
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages[0].contains(QStringLiteral("calibration factor")));
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());

    LoadSampleIntoKelmor(*w.bus, "v7");  // factor 6.25
    f.Dump_BtnClick(f.SpeedButton7);
    w.dialogs.ownAnswers.push_back([&f](QDialog&) {
        f.Trigger->UpDown1->SetPosition(2000);
        f.Trigger->Button1Click(f.Trigger->Button1);
        return int(QDialog::Accepted);
    });
    f.Level_buttonClick(f.Level_button);
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
    TForm1 f(setup);
    f.Timer2->setInterval(20);

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
    QObject::connect(f.Timer2, &QTimer::timeout, [&] {
        passesDuringExchange += f.ExchangeRunning();
        if (f.ExchangeRunning() && f.isVisible()) {
            closedDuringExchange |= f.close();
        }
    });
    f.show();
    f.Dump_BtnClick(f.SpeedButton7);
    QVERIFY2(ticks >= 20,
             qPrintable(QString::number(ticks)));  // events went on during the read-out
    QVERIFY(passesDuringExchange > 0);             // the timer ticked, but its pass stood back
    QVERIFY(!listedWhileOpen);
    QVERIFY(!closedDuringExchange);
    QCOMPARE(f.ComboBox3->count(), 5);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(InstrumentWindowTest)
#include "instrument_window_test.moc"
