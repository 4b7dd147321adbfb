// The main window as a user meets it: its start state, which control is enabled when,
// activation, and opening and saving data files.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "data/text_export.h"
#include "ui/chart/kelmor_chart.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/trigger_level_dialog.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void startState();
    void startStateWithoutInstrument();
    void openingAV7FileFillsTheListAndTheTemporaryFiles();
    void aV5ImageDisablesTheClimateItemsButNotPressure();
    void choosingMeasurementsEnablesTheViews();
    void activationHidesTheChartAfterOwnWindowsOnly();
    void activationKeepsTheFactorOfALoadedImage();
    void saveOpenSaveGivesIdenticalBytes();
    void openFailuresLeaveTheStateUntouched();
    void openCancelledReadsNothing();
    void textExportIsTheExportOfTheWholeImage();
    void theSaveDialogOffersTheFourFormats();
    void bitmapIsTheChartOnWhite();
    void aFailingSaveIsReported();
    void noMeasurementsGivesTheMessage();
};

void MainWindowTest::startState() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    QCOMPARE(f.objectName(), QStringLiteral("mainWindow"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Kelmor  Computer Interface Version 2.19"));

    const QList<QAction*> menus = f.menuBar()->actions();
    QCOMPARE(menus.size(), 4);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Main"));
    QCOMPARE(menus[1]->text(), QStringLiteral("View"));
    QCOMPARE(menus[2]->text(), QStringLiteral("Assessment"));
    QCOMPARE(menus[3]->text(), QStringLiteral("Help"));
    QCOMPARE(f.openAction_->text(), QStringLiteral("Open"));
    QCOMPARE(f.saveAction_->text(), QStringLiteral("Save"));
    QCOMPARE(f.printAction_->text(), QStringLiteral("Print"));
    QCOMPARE(f.exitAction_->text(), QStringLiteral("Exit"));
    QStringList views;
    for (QAction* a : f.viewMenu_->actions()) {
        if (!a->isSeparator()) {
            views << a->iconText();  // the text as the menu shows it, "&&" as "&"
        }
    }
    QCOMPARE(views,
             QStringList({"Pulse Distribution", "Pulse Distribution and Mean",
                          "Pulse Distribution, Mean and mean Error", "Mean and mean Error", "Mean",
                          "Temperature (V6 & V7)", "Humidity (V6 & V7)", "Pressure (V7)"}));
    QCOMPARE(f.aboutAction_->text(), QStringLiteral("About"));

    // Before any image: no View menu, no Save, no list.
    QVERIFY(!f.viewMenu_->isEnabled());
    QVERIFY(!f.viewMenu_->menuAction()->isEnabled());
    QVERIFY(!f.saveAction_->isEnabled());
    QVERIFY(!f.saveButton_->isEnabled());
    QVERIFY(f.pulseDistributionAction_->isChecked());
    QVERIFY(!f.temperatureAction_->isEnabled());
    QVERIFY(!f.humidityAction_->isEnabled());
    QVERIFY(f.pressureAction_->isEnabled());
    QVERIFY(!f.temperatureAction_->isChecked() && !f.humidityAction_->isChecked() &&
            !f.pressureAction_->isChecked());

    // The tool bar in its order, with its hints and widths.
    const QList<QToolButton*> expected = {f.openButton_,    f.saveButton_,         f.printButton_,
                                          f.readOutButton_, f.triggerLevelButton_, f.clockButton_,
                                          f.eraseButton_};
    const QStringList hints = {"Load Saved Measurements",
                               "Save Measurements",
                               "Print Graph",
                               "Load measurements from Kelmor",
                               "Set trigger Level",
                               "Syncronize Kelmor  Clock with PC",
                               "Erase Kelmor"};
    const QList<int> widths = {25, 25, 30, 30, 27, 30, 30};
    auto* bar = f.findChild<QToolBar*>();
    QVERIFY(bar);
    QCOMPARE(bar->height(), 30);
    for (int i = 0; i < expected.size(); ++i) {
        QVERIFY(bar->widgetForAction(bar->actions()[i]) == expected[i]);
        QCOMPARE(expected[i]->toolTip(), hints[i]);
        QCOMPARE(expected[i]->width(), widths[i]);
        QCOMPARE(expected[i]->height(), 25);
        QVERIFY(!expected[i]->icon().isNull());
    }
    QVERIFY(bar->widgetForAction(bar->actions()[7]) == f.measurementLabel_);
    QVERIFY(bar->widgetForAction(bar->actions()[8]) == f.measurementList_);
    QVERIFY(bar->widgetForAction(bar->actions()[9]) == f.meanIntervalLabel_);
    QVERIFY(bar->widgetForAction(bar->actions()[10]) == f.meanIntervalList_);
    QVERIFY(f.openButton_->isEnabled());
    QVERIFY(f.printButton_->isEnabled());
    // The first discovery pass found the simulated Kelmor.
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    QVERIFY(f.readOutButton_->isEnabled());
    QVERIFY(f.clockButton_->isEnabled());
    QVERIFY(f.eraseButton_->isEnabled());
    QVERIFY(!f.triggerLevelButton_->isEnabled());
    QVERIFY(f.triggerLevelButton_->isHidden());

    QCOMPARE(f.measurementLabel_->text(), QStringLiteral("      Measurement "));
    QCOMPARE(f.meanIntervalLabel_->text(), QStringLiteral("  Mean "));
    QCOMPARE(f.measurementList_->currentText(), QStringLiteral("Select  Measurement"));
    QCOMPARE(f.measurementList_->toolTip(), QStringLiteral("Select Measurement"));
    QVERIFY(f.measurementList_->isEditable());
    QVERIFY(!f.measurementList_->isEnabled());
    QCOMPARE(f.measurementList_->maxVisibleItems(), 60);
    QCOMPARE(f.measurementList_->width(), 224);
    QCOMPARE(f.meanIntervalList_->count(), 8);
    QCOMPARE(f.meanIntervalList_->itemText(0), QStringLiteral("2h"));
    QCOMPARE(f.meanIntervalList_->itemText(7), QStringLiteral("Mean"));
    QCOMPARE(f.meanIntervalList_->currentIndex(), -1);
    QVERIFY(!f.meanIntervalList_->isEditable());
    QVERIFY(!f.meanIntervalList_->isEnabled());
    QCOMPARE(f.meanIntervalList_->width(), 73);

    QVERIFY(f.chart_->isHidden());
    QCOMPARE(f.chart_->TitleLines(), QStringList({"Measurements"}));
    QVERIFY(f.chart_->FootLines().join(QString()).isEmpty());
    QVERIFY(f.titleEditor_->isHidden());
    QCOMPARE(f.titleEditor_->text(), QStringLiteral("Measurements"));
    QVERIFY(f.meanErrorCheckBox_->isHidden() && !f.meanErrorCheckBox_->isChecked());
    QVERIFY(f.pulseErrorCheckBox_->isHidden());
    QCOMPARE(f.currentMeasurement_, 0);
    QVERIFY(f.discoveryTimer_->isActive());
    QCOMPARE(f.discoveryTimer_->interval(), 1000);
    QVERIFY(f.aboutBox_);
    QVERIFY(f.triggerDialog_);
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.0L);
}

void MainWindowTest::startStateWithoutInstrument() {
    WindowUnderTest w(Model::V7, false);
    QCOMPARE(w.window->PanelText(0), QString());
    QVERIFY(!w.window->readOutButton_->isEnabled());
    QVERIFY(!w.window->clockButton_->isEnabled());
    QVERIFY(!w.window->eraseButton_->isEnabled());
    QVERIFY(!w.window->triggerLevelButton_->isEnabled());
    QVERIFY(w.window->openButton_->isEnabled());
}

void MainWindowTest::openingAV7FileFillsTheListAndTheTemporaryFiles() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    QCOMPARE(w.dialogs.fileDialogs, QStringList({"openDialog"}));
    QCOMPARE(w.dialogs.fileFilters, QStringList({"Rn Data File (*.Rn)"}));
    QVERIFY(w.dialogs.messages.isEmpty());
    QCOMPARE(f.windowTitle(), QStringLiteral("kelmor-v7.Rn"));
    QCOMPARE(f.LastFileName(), SamplePath("v7"));
    QCOMPARE(f.ChosenFormat(), 1);

    QStringList items;
    for (int i = 0; i < f.measurementList_->count(); ++i) {
        items << f.measurementList_->itemText(i);
    }
    const QString reference =
        QString::fromUtf8(ReadAll(KELMOR_SOURCE_DIR "/tests/cli/reference/v7-list.txt"));
    QCOMPARE(items.join('\n') + '\n', reference);
    QCOMPARE(f.measurementList_->currentIndex(), -1);
    QCOMPARE(f.measurementList_->currentText(), QStringLiteral("Select Measurement"));
    QVERIFY(f.measurementList_->isEnabled());
    QVERIFY(f.saveAction_->isEnabled() && f.saveButton_->isEnabled());
    QVERIFY(f.temperatureAction_->isEnabled() && f.humidityAction_->isEnabled());
    QVERIFY(!f.viewMenu_->isEnabled());
    QVERIFY(!f.meanIntervalList_->isEnabled());
    QVERIFY(f.pulseDistributionAction_->isChecked());
    QVERIFY(!f.readOutButton_->isEnabled());  // until the next discovery pass
    f.WatchConnection(f.discoveryTimer_);
    QVERIFY(f.readOutButton_->isEnabled());

    // The sample list file, with CR LF line ends, and the directory diagnostics.
    QByteArray samples = ReadAll(KELMOR_SOURCE_DIR "/tests/cli/reference/v7-samples.txt");
    samples.replace("\n", "\r\n");
    QCOMPARE(ReadAll(w.WorkingFile("v5dat.tmp")), samples);
    const QByteArray debug = ReadAll(w.WorkingFile("debug.tmp"));
    QVERIFY(debug.startsWith("Memo1\f131071, "));
    QVERIFY(debug.endsWith("\r\n"));
    QCOMPARE(debug.count('\f'), 27);
}

void MainWindowTest::aV5ImageDisablesTheClimateItemsButNotPressure() {
    WindowUnderTest w;
    w.Open(SamplePath("v7"));
    QVERIFY(w.window->temperatureAction_->isEnabled());
    w.Choose(0);  // the View menu opens
    w.window->temperatureAction_->trigger();
    w.window->pressureAction_->trigger();
    w.Open(SamplePath("v5"));
    QVERIFY(!w.window->temperatureAction_->isEnabled());
    QVERIFY(!w.window->temperatureAction_->isChecked());
    QVERIFY(w.window->pressureAction_->isChecked());
    QVERIFY(!w.window->humidityAction_->isEnabled());
    QVERIFY(w.window->pressureAction_->isEnabled());
    QVERIFY(!QFile::exists(w.WorkingFile("debug.tmp")) ||
            ReadAll(w.WorkingFile("debug.tmp")).count('\f') == 27);  // only the V7 decode's
    w.Open(SamplePath("v6"));
    QVERIFY(w.window->temperatureAction_->isEnabled());
    QCOMPARE(ReadAll(w.WorkingFile("debug.tmp")).count('\f'), 54);  // the memo grows
}

void MainWindowTest::choosingMeasurementsEnablesTheViews() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    w.Choose(2);
    QVERIFY(f.chart_->isVisible() || !f.isVisible());
    QVERIFY(!f.chart_->isHidden());
    QVERIFY(f.viewMenu_->isEnabled());
    QVERIFY(!f.meanIntervalList_->isEnabled());
    QCOMPARE(f.currentMeasurement_, 2);
    f.ShowMeanAndMeanError(f.meanAndMeanErrorAction_);
    QVERIFY(f.meanIntervalList_->isEnabled());
    // "All measurements" takes the View menu and the Mean list away.
    w.Choose(f.measurementList_->count() - 1);
    QVERIFY(!f.viewMenu_->isEnabled());
    QVERIFY(!f.meanIntervalList_->isEnabled());
    QCOMPARE(f.chart_->Series4()->Count(), f.Data().LastSampleIndex + 1);
    // Text typed into the list names no entry and changes nothing.
    f.measurementList_->setEditText(QStringLiteral("something"));
    f.measurementList_->setCurrentIndex(-1);
    f.ChooseMeasurement(f.measurementList_);
    QCOMPARE(f.currentMeasurement_, f.measurementList_->count() - 1);
}

void MainWindowTest::activationHidesTheChartAfterOwnWindowsOnly() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    w.Choose(1);
    QVERIFY(!f.chart_->isHidden());
    // A file dialog is the system's: the chart stays.
    w.Save(w.WorkingFile("kept.Rn"), 1);
    QVERIFY(!f.chart_->isHidden());
    // The About box is the program's own.
    f.ShowAboutBox(f.aboutAction_);
    QCOMPARE(w.dialogs.dialogsShown.last(), QStringLiteral("aboutBox"));
    QVERIFY(f.chart_->isHidden());
    // Choosing the measurement again shows it again.
    w.Choose(1);
    QVERIFY(!f.chart_->isHidden());
    // So is a message box: the clock's question, answered with Cancel.
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    f.SetInstrumentClock(f.clockButton_);
    QVERIFY(f.chart_->isHidden());
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());
}

void MainWindowTest::activationKeepsTheFactorOfALoadedImage() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    f.Data().Header.CalibrationFactor = 1.5L;
    f.ShowAboutBox(f.aboutAction_);
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.0L);  // no image yet
    w.Open(SamplePath("v7"));
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.25L);
    f.ShowAboutBox(f.aboutAction_);
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.25L);
}

void MainWindowTest::saveOpenSaveGivesIdenticalBytes() {
    for (const char* model : {"v5", "v6", "v7"}) {
        WindowUnderTest w;
        w.Open(SamplePath(model));
        const QString first = w.WorkingFile("first.Rn");
        const QString second = w.WorkingFile("second.Rn");
        w.Save(first, 1);
        QCOMPARE(w.window->windowTitle(), QStringLiteral("first.Rn"));
        QCOMPARE(w.window->ChosenFormat(), 1);
        QCOMPARE(ReadAll(first), ReadAll(SamplePath(model)));
        const int items = w.window->measurementList_->count();
        w.Open(first);
        QCOMPARE(w.window->measurementList_->count(), items);
        w.Save(second, 1);
        QCOMPARE(ReadAll(second), ReadAll(first));
        QVERIFY(w.dialogs.messages.isEmpty());
        // The save dialog starts from the last file name, which the open set.
        QCOMPARE(w.dialogs.filePreset, first);
    }
}

void MainWindowTest::openFailuresLeaveTheStateUntouched() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    w.Choose(3);
    const ImageBuffer image = f.Data().MeasurementImage;
    const int lastSample = f.Data().LastSampleIndex;
    const int items = f.measurementList_->count();
    const QString caption = f.windowTitle();
    const int seriesPoints = f.chart_->Series4()->Count();

    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(w.WorkingFile(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return w.WorkingFile(name);
    };
    const QList<std::pair<QString, QString>> bad = {
        {w.WorkingFile("missing.Rn"), "\"missing.Rn\""},
        {write("empty.Rn", {}), "empty"},
        {write("tag.Rn", QByteArray(8192, 'x')), "0x78"},
        {write("short.Rn", QByteArray("3") + QByteArray(1000, 0)), "too short for a V7"},
        {write("v6short.Rn", ReadAll(SamplePath("v6")).left(32767)), "32767 of the 32768"},
    };
    for (const auto& [path, reason] : bad) {
        w.dialogs.messages.clear();
        w.Open(path);
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY2(w.dialogs.messages[0].contains(reason), qPrintable(w.dialogs.messages[0]));
        QVERIFY(w.dialogs.messages[0].contains(QFileInfo(path).fileName()));
        QVERIFY(f.Data().MeasurementImage == image);
        QCOMPARE(f.Data().LastSampleIndex, lastSample);
        QCOMPARE(f.measurementList_->count(), items);
        QCOMPARE(f.windowTitle(), caption);
        QCOMPARE(f.chart_->Series4()->Count(), seriesPoints);
        QVERIFY(f.temperatureAction_->isEnabled());
        QCOMPARE(f.Data().Header.CalibrationFactor, 6.25L);
    }
}

void MainWindowTest::openCancelledReadsNothing() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v6"));
    w.Choose(0);
    w.dialogs.CancelFile();
    f.OpenFile(f.openAction_);
    // The open has hidden the chart and disabled the read-out button before the dialog.
    QVERIFY(f.chart_->isHidden());
    QVERIFY(!f.readOutButton_->isEnabled());
    QCOMPARE(f.windowTitle(), QStringLiteral("kelmor-v6.Rn"));
    QCOMPARE(f.measurementList_->count(), 6);
}

void MainWindowTest::textExportIsTheExportOfTheWholeImage() {
    WindowUnderTest w;
    w.Open(SamplePath("v7"));
    w.Choose(1);
    const QString path = w.WorkingFile("export.txt");
    w.Save(path, 4);
    QCOMPARE(w.window->ChosenFormat(), 4);
    QCOMPARE(ReadAll(path), ReadAll(KELMOR_SOURCE_DIR "/tests/cli/reference/v7-export.txt"));
    w.Open(SamplePath("v6"));
    w.Save(path, 4);
    QCOMPARE(ReadAll(path), ReadAll(KELMOR_SOURCE_DIR "/tests/cli/reference/v6-export.txt"));
}

void MainWindowTest::theSaveDialogOffersTheFourFormats() {
    WindowUnderTest w;
    w.dialogs.CancelFile();
    w.window->Save(w.window->saveAction_);
    QVERIFY2(w.dialogs.filePreset.endsWith(QStringLiteral("/RnData.Rn")),
             qPrintable(w.dialogs.filePreset));
    w.Open(SamplePath("v5"));
    w.dialogs.CancelFile();
    w.window->Save(w.window->saveAction_);
    QCOMPARE(w.dialogs.fileDialogs.last(), QStringLiteral("saveDialog"));
    QCOMPARE(w.dialogs.fileFilters, QStringList({"Rn Data File (*.Rn)", "Bmp Graphics (*.Bmp)",
                                                 "Wmf Graphics (*.Wmf)", "Text (.txt) (*.txt)"}));
    QCOMPARE(w.dialogs.fileDefaultSuffix, QStringLiteral("Rn"));
    QCOMPARE(w.window->windowTitle(), QStringLiteral("kelmor-v5.Rn"));
}

void MainWindowTest::bitmapIsTheChartOnWhite() {
    WindowUnderTest w;
    w.window->resize(900, 500);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.Open(SamplePath("v7"));
    w.Choose(2);
    const QString path = w.WorkingFile("chart.Bmp");
    w.Save(path, 2);
    QVERIFY(w.dialogs.messages.isEmpty());
    QVERIFY(ReadAll(path).startsWith("BM"));
    const QImage picture(path);
    QCOMPARE(picture.size(), w.window->chart_->size());
    QCOMPARE(picture.pixelColor(1, 1), QColor(Qt::white));
    // The pulse distribution is red.
    int red = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    }
    QVERIFY(red > 200);
}

void MainWindowTest::aFailingSaveIsReported() {
    WindowUnderTest w;
    w.Open(SamplePath("v5"));
    for (int format = 1; format <= 4; ++format) {
        w.dialogs.messages.clear();
        w.Save(w.WorkingFile("no/such/folder/out.file"), format);
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY2(w.dialogs.messages[0].contains(QStringLiteral("out.file")),
                 qPrintable(w.dialogs.messages[0]));
    }
}

void MainWindowTest::noMeasurementsGivesTheMessage() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    QFile file(w.WorkingFile("blank.Rn"));
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray("1") + QByteArray(8191, 0));
    file.close();
    w.Open(file.fileName());
    QCOMPARE(w.dialogs.messages, QStringList({"No measurements saved in V5! "}));
    QCOMPARE(f.measurementList_->count(), 0);
    QCOMPARE(f.measurementList_->currentText(), QStringLiteral("Select Measurement"));
    QVERIFY(!f.saveAction_->isEnabled());
    QVERIFY(!f.measurementList_->isEnabled());
    QCOMPARE(ReadAll(w.WorkingFile("v5dat.tmp")), QByteArray());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
