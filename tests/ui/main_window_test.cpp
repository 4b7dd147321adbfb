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
    QCOMPARE(menus.size(), 6);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Main"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Instrument"));
    QCOMPARE(menus[2]->text(), QStringLiteral("&View"));
    QCOMPARE(menus[3]->text(), QStringLiteral("&Assessment"));
    QCOMPARE(menus[4]->text(), QStringLiteral("A&rchive"));
    QCOMPARE(menus[5]->text(), QStringLiteral("&Help"));
    QStringList instrument;
    for (QAction* a : Child<QMenu>(f, "instrumentMenu")->actions()) {
        instrument << a->text() + QLatin1Char(' ') + a->shortcut().toString();
    }
    QCOMPARE(instrument,
             QStringList({"Load measurements from Kelmor Ctrl+L",
                          "Syncronize Kelmor  Clock with PC Ctrl+Shift+K",
                          "Erase Kelmor Ctrl+Shift+E", "Set trigger Level Ctrl+Shift+L"}));
    // Like their tool buttons: no read-out before a pass finds the instrument again after the
    // start, no trigger level before a read-out.
    QCOMPARE(Child<QAction>(f, "readOutAction")->isEnabled(),
             Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(Child<QAction>(f, "clockAction")->isEnabled());
    QVERIFY(!Child<QAction>(f, "triggerLevelAction")->isVisible());
    QCOMPARE(Child<QAction>(f, "openAction")->text(), QStringLiteral("Open"));
    QCOMPARE(Child<QAction>(f, "saveAction")->text(), QStringLiteral("Save"));
    QCOMPARE(Child<QAction>(f, "printAction")->text(), QStringLiteral("Print"));
    QCOMPARE(Child<QAction>(f, "exitAction")->text(), QStringLiteral("Exit"));
    QStringList views;
    for (QAction* a : Child<QMenu>(f, "viewMenu")->actions()) {
        if (!a->isSeparator()) {
            views << a->iconText();  // the text as the menu shows it, "&&" as "&"
        }
    }
    QCOMPARE(views,
             QStringList({"Pulse Distribution", "Pulse Distribution and Mean",
                          "Pulse Distribution, Mean and mean Error", "Mean and mean Error", "Mean",
                          "Temperature (V6 & V7)", "Humidity (V6 & V7)", "Pressure (V7)"}));
    QCOMPARE(Child<QAction>(f, "aboutAction")->text(), QStringLiteral("About"));

    // Before any image: no View menu, no Save, no list.
    QVERIFY(!Child<QMenu>(f, "viewMenu")->isEnabled());
    QVERIFY(!Child<QMenu>(f, "viewMenu")->menuAction()->isEnabled());
    QVERIFY(!Child<QAction>(f, "saveAction")->isEnabled());
    QVERIFY(!Child<QToolButton>(f, "saveButton")->isEnabled());
    QVERIFY(Child<QAction>(f, "pulseDistributionAction")->isChecked());
    QVERIFY(!Child<QAction>(f, "temperatureAction")->isEnabled());
    QVERIFY(!Child<QAction>(f, "humidityAction")->isEnabled());
    QVERIFY(Child<QAction>(f, "pressureAction")->isEnabled());
    QVERIFY(!Child<QAction>(f, "temperatureAction")->isChecked() &&
            !Child<QAction>(f, "humidityAction")->isChecked() &&
            !Child<QAction>(f, "pressureAction")->isChecked());

    // The tool bar in its order, with its hints and widths.
    const QList<QToolButton*> expected = {
        Child<QToolButton>(f, "openButton"),         Child<QToolButton>(f, "saveButton"),
        Child<QToolButton>(f, "printButton"),        Child<QToolButton>(f, "readOutButton"),
        Child<QToolButton>(f, "triggerLevelButton"), Child<QToolButton>(f, "clockButton"),
        Child<QToolButton>(f, "eraseButton")};
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
    QVERIFY(bar->widgetForAction(bar->actions()[7]) == Child<QLabel>(f, "measurementLabel"));
    QVERIFY(bar->widgetForAction(bar->actions()[8]) == Child<QComboBox>(f, "measurementList"));
    QVERIFY(bar->widgetForAction(bar->actions()[9]) == Child<QLabel>(f, "meanIntervalLabel"));
    QVERIFY(bar->widgetForAction(bar->actions()[10]) == Child<QComboBox>(f, "meanIntervalList"));
    QVERIFY(Child<QToolButton>(f, "openButton")->isEnabled());
    QVERIFY(Child<QToolButton>(f, "printButton")->isEnabled());
    // The first discovery pass found the simulated Kelmor.
    QCOMPARE(f.PanelText(0), QStringLiteral("Kelmor Attached"));
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(Child<QToolButton>(f, "clockButton")->isEnabled());
    QVERIFY(Child<QToolButton>(f, "eraseButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(f, "triggerLevelButton")->isEnabled());
    QVERIFY(Child<QToolButton>(f, "triggerLevelButton")->isHidden());

    QCOMPARE(Child<QLabel>(f, "measurementLabel")->text(), QStringLiteral("      Measurement "));
    QCOMPARE(Child<QLabel>(f, "meanIntervalLabel")->text(), QStringLiteral("  Mean "));
    QCOMPARE(Child<QComboBox>(f, "measurementList")->currentText(),
             QStringLiteral("Select  Measurement"));
    QCOMPARE(Child<QComboBox>(f, "measurementList")->toolTip(),
             QStringLiteral("Select Measurement"));
    QVERIFY(Child<QComboBox>(f, "measurementList")->isEditable());
    QVERIFY(!Child<QComboBox>(f, "measurementList")->isEnabled());
    QCOMPARE(Child<QComboBox>(f, "measurementList")->maxVisibleItems(), 60);
    QCOMPARE(Child<QComboBox>(f, "measurementList")->width(), 224);
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->count(), 8);
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->itemText(0), QStringLiteral("2h"));
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->itemText(7), QStringLiteral("Mean"));
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->currentIndex(), -1);
    QVERIFY(!Child<QComboBox>(f, "meanIntervalList")->isEditable());
    QVERIFY(!Child<QComboBox>(f, "meanIntervalList")->isEnabled());
    QCOMPARE(Child<QComboBox>(f, "meanIntervalList")->width(), 73);

    QVERIFY(Child<KelmorChart>(f, "chart")->isHidden());
    QCOMPARE(Child<KelmorChart>(f, "chart")->TitleLines(), QStringList({"Measurements"}));
    QVERIFY(Child<KelmorChart>(f, "chart")->FootLines().join(QString()).isEmpty());
    QVERIFY(Child<QLineEdit>(f, "titleEditor")->isHidden());
    QCOMPARE(Child<QLineEdit>(f, "titleEditor")->text(), QStringLiteral("Measurements"));
    QVERIFY(Child<QCheckBox>(f, "meanErrorCheckBox")->isHidden() &&
            !Child<QCheckBox>(f, "meanErrorCheckBox")->isChecked());
    QVERIFY(Child<QCheckBox>(f, "pulseErrorCheckBox")->isHidden());
    QCOMPARE(f.State().chosenMeasurement, -1);
    QVERIFY(Child<QTimer>(f, "discoveryTimer")->isActive());
    QCOMPARE(Child<QTimer>(f, "discoveryTimer")->interval(), 1000);
    QVERIFY(Child<AboutBox>(f, "aboutBox"));
    QVERIFY(Child<TriggerLevelDialog>(f, "triggerLevelDialog"));
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.0L);
}

void MainWindowTest::startStateWithoutInstrument() {
    WindowUnderTest w(Model::V7, false);
    QCOMPARE(w.window->PanelText(0), QString());
    QVERIFY(!Child<QToolButton>(*w.window, "readOutButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(*w.window, "clockButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(*w.window, "eraseButton")->isEnabled());
    QVERIFY(!Child<QToolButton>(*w.window, "triggerLevelButton")->isEnabled());
    QVERIFY(Child<QToolButton>(*w.window, "openButton")->isEnabled());
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
    for (int i = 0; i < Child<QComboBox>(f, "measurementList")->count(); ++i) {
        items << Child<QComboBox>(f, "measurementList")->itemText(i);
    }
    const QString reference =
        QString::fromUtf8(ReadAll(KELMOR_SOURCE_DIR "/tests/cli/reference/v7-list.txt"));
    QCOMPARE(items.join('\n') + '\n', reference);
    QCOMPARE(Child<QComboBox>(f, "measurementList")->currentIndex(), -1);
    QCOMPARE(Child<QComboBox>(f, "measurementList")->currentText(),
             QStringLiteral("Select Measurement"));
    QVERIFY(Child<QComboBox>(f, "measurementList")->isEnabled());
    QVERIFY(Child<QAction>(f, "saveAction")->isEnabled() &&
            Child<QToolButton>(f, "saveButton")->isEnabled());
    QVERIFY(Child<QAction>(f, "temperatureAction")->isEnabled() &&
            Child<QAction>(f, "humidityAction")->isEnabled());
    QVERIFY(!Child<QMenu>(f, "viewMenu")->isEnabled());
    QVERIFY(!Child<QComboBox>(f, "meanIntervalList")->isEnabled());
    QVERIFY(Child<QAction>(f, "pulseDistributionAction")->isChecked());
    QVERIFY(!Child<QToolButton>(f, "readOutButton")->isEnabled());  // until the next discovery pass
    f.WatchConnection();
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());

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
    QVERIFY(Child<QAction>(*w.window, "temperatureAction")->isEnabled());
    w.Choose(0);  // the View menu opens
    Child<QAction>(*w.window, "temperatureAction")->trigger();
    Child<QAction>(*w.window, "pressureAction")->trigger();
    w.Open(SamplePath("v5"));
    QVERIFY(!Child<QAction>(*w.window, "temperatureAction")->isEnabled());
    QVERIFY(!Child<QAction>(*w.window, "temperatureAction")->isChecked());
    QVERIFY(Child<QAction>(*w.window, "pressureAction")->isChecked());
    QVERIFY(!Child<QAction>(*w.window, "humidityAction")->isEnabled());
    QVERIFY(Child<QAction>(*w.window, "pressureAction")->isEnabled());
    QVERIFY(!QFile::exists(w.WorkingFile("debug.tmp")) ||
            ReadAll(w.WorkingFile("debug.tmp")).count('\f') == 27);  // only the V7 decode's
    w.Open(SamplePath("v6"));
    QVERIFY(Child<QAction>(*w.window, "temperatureAction")->isEnabled());
    QCOMPARE(ReadAll(w.WorkingFile("debug.tmp")).count('\f'), 54);  // the memo grows
}

void MainWindowTest::choosingMeasurementsEnablesTheViews() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    w.Choose(2);
    QVERIFY(Child<KelmorChart>(f, "chart")->isVisible() || !f.isVisible());
    QVERIFY(!Child<KelmorChart>(f, "chart")->isHidden());
    QVERIFY(Child<QMenu>(f, "viewMenu")->isEnabled());
    QVERIFY(!Child<QComboBox>(f, "meanIntervalList")->isEnabled());
    QCOMPARE(f.State().chosenMeasurement, 2);
    Trigger(f, "meanAndMeanErrorAction");
    QVERIFY(Child<QComboBox>(f, "meanIntervalList")->isEnabled());
    // "All measurements" takes the View menu and the Mean list away.
    w.Choose(Child<QComboBox>(f, "measurementList")->count() - 1);
    QVERIFY(!Child<QMenu>(f, "viewMenu")->isEnabled());
    QVERIFY(!Child<QComboBox>(f, "meanIntervalList")->isEnabled());
    QCOMPARE(Child<KelmorChart>(f, "chart")->PulseSeries()->Count(), f.Data().LastSampleIndex + 1);
    // Text typed into the list names no entry and changes nothing.
    QComboBox* list = Child<QComboBox>(f, "measurementList");
    list->lineEdit()->selectAll();
    QTest::keyClicks(list, QStringLiteral("something"));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(f.State().chosenMeasurement, Child<QComboBox>(f, "measurementList")->count() - 1);
}

void MainWindowTest::activationHidesTheChartAfterOwnWindowsOnly() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    w.Choose(1);
    QVERIFY(!Child<KelmorChart>(f, "chart")->isHidden());
    // A file dialog is the system's: the chart stays.
    w.Save(w.WorkingFile("kept.Rn"), 1);
    QVERIFY(!Child<KelmorChart>(f, "chart")->isHidden());
    // The About box is the program's own.
    Trigger(f, "aboutAction");
    QCOMPARE(w.dialogs.dialogsShown.last(), QStringLiteral("aboutBox"));
    QVERIFY(Child<KelmorChart>(f, "chart")->isHidden());
    // Choosing the measurement again shows it again.
    w.Choose(1);
    QVERIFY(!Child<KelmorChart>(f, "chart")->isHidden());
    // So is a message box: the clock's question, answered with Cancel.
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    Click(f, "clockButton");
    QVERIFY(Child<KelmorChart>(f, "chart")->isHidden());
    QVERIFY(w.bus->Kelmor()->ReceivedWrites().empty());
}

void MainWindowTest::activationKeepsTheFactorOfALoadedImage() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    f.Data().Header.CalibrationFactor = 1.5L;
    Trigger(f, "aboutAction");
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.0L);  // no image yet
    w.Open(SamplePath("v7"));
    QCOMPARE(f.Data().Header.CalibrationFactor, 6.25L);
    Trigger(f, "aboutAction");
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
        const int items = Child<QComboBox>(*w.window, "measurementList")->count();
        w.Open(first);
        QCOMPARE(Child<QComboBox>(*w.window, "measurementList")->count(), items);
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
    const int items = Child<QComboBox>(f, "measurementList")->count();
    const QString caption = f.windowTitle();
    const int seriesPoints = Child<KelmorChart>(f, "chart")->PulseSeries()->Count();

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
        QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), items);
        QCOMPARE(f.windowTitle(), caption);
        QCOMPARE(Child<KelmorChart>(f, "chart")->PulseSeries()->Count(), seriesPoints);
        QVERIFY(Child<QAction>(f, "temperatureAction")->isEnabled());
        QCOMPARE(f.Data().Header.CalibrationFactor, 6.25L);
    }
}

void MainWindowTest::openCancelledReadsNothing() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v6"));
    w.Choose(0);
    w.dialogs.CancelFile();
    Click(f, "openButton");
    // The open has hidden the chart and disabled the read-out button before the dialog.
    QVERIFY(Child<KelmorChart>(f, "chart")->isHidden());
    QVERIFY(!Child<QToolButton>(f, "readOutButton")->isEnabled());
    QCOMPARE(f.windowTitle(), QStringLiteral("kelmor-v6.Rn"));
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 6);
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
    // Measurements read out have no file name yet.
    LoadSampleIntoKelmor(*w.bus, "v7");
    Click(*w.window, "readOutButton");
    w.dialogs.CancelFile();
    Click(*w.window, "saveButton");
    QVERIFY2(w.dialogs.filePreset.endsWith(QStringLiteral("/RnData.Rn")),
             qPrintable(w.dialogs.filePreset));
    w.Open(SamplePath("v5"));
    w.dialogs.CancelFile();
    Click(*w.window, "saveButton");
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
    QCOMPARE(picture.size(), Child<KelmorChart>(*w.window, "chart")->size());
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
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 0);
    QCOMPARE(Child<QComboBox>(f, "measurementList")->currentText(),
             QStringLiteral("Select Measurement"));
    QVERIFY(!Child<QAction>(f, "saveAction")->isEnabled());
    QVERIFY(!Child<QComboBox>(f, "measurementList")->isEnabled());
    QCOMPARE(ReadAll(w.WorkingFile("v5dat.tmp")), QByteArray());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
